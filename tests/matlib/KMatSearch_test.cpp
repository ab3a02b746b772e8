#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "MatlibTestSupport.h"

#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/matlib/MaterialDatabaseSession.h>
#include <ktpm/platform/Resources.h>

namespace ktpm::test {
namespace {

using MaterialSearchTest = SeededDatabaseTest;

std::vector<std::string> Grades(const std::vector<KMaterialRecord>& records) {
  std::vector<std::string> grades;
  for (const auto& record : records) grades.push_back(record.grade);
  return grades;
}

std::vector<KMaterialRecord> FindWith(std::initializer_list<KSearchRule> rules, int max = 0) {
  KMatSearch search;
  for (const auto& rule : rules) search.AddRule(rule);
  return search.Find(max);
}

constexpr const char* kPa66Gf30File =
    "PLASTIC_MODEL: part.ktl\n"
    "MATERIAL_DATABASE_TYPE: THERMOPLASTIC\n"
    "MATERIAL_SUPPLIER: Generic\n"
    "MATERIAL_GRADE: PA66 30% Glass Fibre\n"
    "MATERIAL_MANUFACTURER: Generic Materials\n"
    "MATERIAL_TRADE_NAME: Generic PA66-GF30\n"
    "MATERIAL_FAMILY: PA66\n"
    "MATERIAL_FILLER: Glass fibre 30%\n"
    "MATERIAL_RECOMMENDED_MELT_TEMPERATURE_DEFAULT: 295\n"
    "MATERIAL_RECOMMENDED_MELT_TEMPERATURE_MINIMUM: 280\n"
    "MATERIAL_RECOMMENDED_MELT_TEMPERATURE_MAXIMUM: 310\n"
    "MATERIAL_RECOMMENDED_MOLD_TEMPERATURE_DEFAULT: 90\n"
    "MATERIAL_RECOMMENDED_MOLD_TEMPERATURE_MINIMUM: 70\n"
    "MATERIAL_RECOMMENDED_MOLD_TEMPERATURE_MAXIMUM: 120\n"
    "MATERIAL_AVERAGE_FIBER_LENGTH: 0.3\n"
    "MATERIAL_SHRINKAGE_DATA: 0.3 1.0\n";

TEST_F(MaterialSearchTest, DatabaseNumbersComeFromTheirTypeWithoutRegardToCase) {
  KMatSearch search;
  EXPECT_EQ(search.GetDBKeywordValue("THERMOPLASTIC"), 1);
  EXPECT_EQ(search.GetDBKeywordValue("thermoset"), 2);
  EXPECT_EQ(search.GetDBKeywordValue("User"), 3);
  EXPECT_EQ(search.GetDBKeywordValue("ELASTOMER"), 0);
  EXPECT_EQ(search.GetDBKeywordValue(""), 0);
}

TEST_F(MaterialSearchTest, FindOldMaterialNamesTheDatabaseHoldingTheGrade) {
  KMatSearch search;
  EXPECT_EQ(search.FindOldMaterial("Generic", "PP Homopolymer MFI 12"), 1);
  EXPECT_EQ(search.FindOldMaterial("GENERIC", "pf general purpose"), 2);
  EXPECT_EQ(search.FindOldMaterial("Generic", "PP Homopolymer"), 0);
  EXPECT_EQ(search.FindOldMaterial("Nobody", "PP Homopolymer MFI 12"), 0);
}

TEST_F(MaterialSearchTest, WriteMatKeywordFileWritesTheGradeForTheMesh) {
  ScratchDir project;
  KMatSearch material;
  material.SetDatabase(material.GetDBKeywordValue("THERMOPLASTIC"));
  material.SetSupplier("Generic");
  material.SetGrade("PA66 30% Glass Fibre");
  const std::string file = project.File("part1.md3");
  EXPECT_EQ(material.WriteMatKeywordFile(file, "part.ktl"), 1);
  EXPECT_EQ(ReadBytes(file), kPa66Gf30File);
  EXPECT_EQ(project.Listing(), "part1.md3");
}

TEST_F(MaterialSearchTest, WriteMatKeywordFileReplacesAnOlderFileWhole) {
  ScratchDir project;
  const std::string file = project.Write("part1.md3", std::string(5000, 'x'));
  KMatSearch material;
  material.SetSupplier("generic");  // database 0: whichever holds the grade; any letter case
  material.SetGrade("pa66 30% glass fibre");
  ASSERT_EQ(material.WriteMatKeywordFile(file, "part.ktl"), 1);
  EXPECT_EQ(ReadBytes(file), kPa66Gf30File);
}

TEST_F(MaterialSearchTest, WriteMatKeywordFileFailsWithoutTouchingAnythingForAMissingGrade) {
  ScratchDir project;
  KMatSearch material;
  material.SetDatabase(1);
  material.SetSupplier("Generic");
  material.SetGrade("PF General Purpose");  // a thermoset: not in database 1
  EXPECT_EQ(material.WriteMatKeywordFile(project.File("part1.md3"), "part.ktl"), 0);
  EXPECT_EQ(material.GetLastError(),
            "no material \"Generic\" \"PF General Purpose\" in database 1");
  EXPECT_EQ(project.Listing(), "");
}

TEST_F(MaterialSearchTest, WriteMatKeywordFileLeavesAWriteProtectedFileAlone) {
  ScratchDir project;
  const std::string file = project.Write("part1.md3", "PLASTIC_MODEL: old.ktl\n");
  std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  KMatSearch material;
  material.SetSupplier("Generic");
  material.SetGrade("PS General Purpose");
  EXPECT_EQ(material.WriteMatKeywordFile(file, "part.ktl"), 0);
  EXPECT_EQ(ReadBytes(file), "PLASTIC_MODEL: old.ktl\n");
  EXPECT_EQ(project.Listing(), "part1.md3");
}

TEST_F(MaterialSearchTest, WriteMatKeywordFileFailsForADirectoryThatIsNotThere) {
  ScratchDir project;
  KMatSearch material;
  material.SetSupplier("Generic");
  material.SetGrade("PS General Purpose");
  EXPECT_EQ(material.WriteMatKeywordFile(project.File("gone/part1.md3"), "part.ktl"), 0);
  EXPECT_EQ(material.WriteMatKeywordFile("", "part.ktl"), 0);
  EXPECT_EQ(project.Listing(), "");
}

TEST_F(MaterialSearchTest, CopiesCarryEverySettingAndStayIndependent) {
  KMatSearch original;
  original.SetDatabase(2);
  original.SetSupplier("Generic");
  original.SetGrade("EP Moulding Compound");
  original.AddRule({"FAMILY", "EQUALS", "EP"});
  original.SetSearchDatabases({2});

  KMatSearch copy(original);
  KMatSearch assigned;
  assigned = original;
  original.ClearRules();
  original.SetGrade("changed");
  for (const KMatSearch* material : {&copy, &assigned}) {
    EXPECT_EQ(material->GetDatabase(), 2);
    EXPECT_EQ(material->GetSupplier(), "Generic");
    EXPECT_EQ(material->GetGrade(), "EP Moulding Compound");
    ASSERT_EQ(material->GetRules().size(), 1u);
    EXPECT_EQ(material->GetRules()[0].value, "EP");
    EXPECT_EQ(material->GetSearchDatabases(), std::vector<int>{2});
    EXPECT_EQ(Grades(material->Find(0)),
              (std::vector<std::string>{"EP Moulding Compound", "EP Encapsulation Compound"}));
  }
}

TEST_F(MaterialSearchTest, FindAppliesEveryRule) {
  EXPECT_EQ(Grades(FindWith({{"FAMILY", "EQUALS", "pa66"}, {"GRADE", "CONTAINS", "glass"}})),
            (std::vector<std::string>{"PA66 15% Glass Fibre", "PA66 30% Glass Fibre",
                                      "PA66 50% Glass Fibre"}));
  EXPECT_EQ(Grades(FindWith({{"family", "equals", "PC/ABS"}, {"TRADE_NAME", "CONTAINS", "-FR"}})),
            std::vector<std::string>{"PC/ABS Flame Retardant"});
  EXPECT_EQ(Grades(FindWith({{"DATABASE_TYPE", "EQUALS", "thermoset"},
                             {"MANUFACTURER", "CONTAINS", "generic"}})),
            (std::vector<std::string>{"EP Moulding Compound", "EP Encapsulation Compound",
                                      "PF General Purpose", "PF 30% Glass Fibre"}));
  EXPECT_TRUE(FindWith({{"FAMILY", "EQUALS", "PA"}}).empty());  // equality, not a prefix
}

TEST_F(MaterialSearchTest, FindReturnsWholeRecordsInIdOrderUpToTheLimit) {
  const auto all = FindWith({}, 0);
  EXPECT_EQ(all.size(), 36u);
  const auto first = FindWith({{"FAMILY", "EQUALS", "PP"}}, 2);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].id, 1);
  EXPECT_EQ(first[0].database, 1);
  EXPECT_EQ(first[0].databaseType, "THERMOPLASTIC");
  EXPECT_EQ(first[0].supplier, "Generic");
  EXPECT_EQ(first[0].grade, "PP Homopolymer MFI 12");
  EXPECT_EQ(first[0].manufacturer, "Generic Materials");
  EXPECT_EQ(first[0].tradeName, "Generic PP-H 12");
  EXPECT_EQ(first[0].family, "PP");
  EXPECT_EQ(first[1].id, 2);
}

TEST_F(MaterialSearchTest, PercentAndUnderscoreInValuesAreOrdinaryCharacters) {
  EXPECT_EQ(Grades(FindWith({{"GRADE", "CONTAINS", "50%"}})),
            std::vector<std::string>{"PA66 50% Glass Fibre"});
  EXPECT_EQ(FindWith({{"GRADE", "CONTAINS", "%"}}).size(), 10u);
  EXPECT_TRUE(FindWith({{"GRADE", "CONTAINS", "P_"}}).empty());
  EXPECT_TRUE(FindWith({{"GRADE", "EQUALS", "%"}}).empty());
  EXPECT_TRUE(FindWith({{"SUPPLIER", "CONTAINS", "\\"}}).empty());
  EXPECT_TRUE(FindWith({{"GRADE", "CONTAINS", "\"; DROP TABLE materials; --"}}).empty());
  EXPECT_TRUE(FindWith({{"GRADE", "EQUALS", "' OR 1=1 --"}}).empty());
  EXPECT_EQ(FindWith({}).size(), 36u);
}

TEST_F(MaterialSearchTest, ShortAndLongSubstringsAreFoundAlike) {
  // Two characters are below what the text index holds; the search still finds them.
  EXPECT_EQ(Grades(FindWith({{"GRADE", "CONTAINS", "pf"}})),
            (std::vector<std::string>{"PF General Purpose", "PF 30% Glass Fibre"}));
  EXPECT_EQ(Grades(FindWith({{"GRADE", "CONTAINS", "ENCAPSULATION"}})),
            std::vector<std::string>{"EP Encapsulation Compound"});
  EXPECT_EQ(Grades(FindWith({{"ANY", "CONTAINS", "hips"}})),
            std::vector<std::string>{"PS High Impact"});
  EXPECT_EQ(FindWith({{"GRADE", "CONTAINS", ""}}).size(), 36u);
  EXPECT_TRUE(FindWith({{"GRADE", "CONTAINS", "Gl\xe4ss"}}).empty());
}

// Every substring search must find exactly what a plain case-insensitive scan finds, whether
// the text index narrows it or not.
TEST_F(MaterialSearchTest, SubstringSearchesAgreeWithAPlainScan) {
  const auto all = FindWith({});
  auto upper = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  };
  int checked = 0;
  for (const auto& record : all) {
    const std::string& name = record.tradeName;
    for (size_t length : {1u, 2u, 3u, 5u, 8u}) {
      for (size_t start = 0; start + length <= name.size(); start += 4) {
        std::string value = name.substr(start, length);
        if (start % 8 == 0) value = upper(value);
        std::vector<int> expected;
        for (const auto& other : all) {
          if (upper(other.tradeName).find(upper(value)) != std::string::npos) {
            expected.push_back(other.id);
          }
        }
        std::vector<int> found;
        for (const auto& hit : FindWith({{"TRADE_NAME", "CONTAINS", value}})) {
          found.push_back(hit.id);
        }
        ASSERT_EQ(found, expected) << "\"" << value << "\"";
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 300);
}

TEST_F(MaterialSearchTest, SearchDatabasesLimitTheSearch) {
  KMatSearch search;
  search.AddRule({"GRADE", "CONTAINS", "General Purpose"});
  search.SetSearchDatabases({2, 3});
  EXPECT_EQ(Grades(search.Find(0)), std::vector<std::string>{"PF General Purpose"});
}

TEST_F(MaterialSearchTest, UnknownFieldsAndOperatorsFindNothing) {
  KMatSearch search;
  search.AddRule({"COLOUR", "EQUALS", "red"});
  EXPECT_TRUE(search.Find(0).empty());
  EXPECT_EQ(search.GetLastError(), "unknown search field \"COLOUR\"");
  search.ClearRules();
  search.AddRule({"GRADE", "LIKE", "%"});
  EXPECT_TRUE(search.Find(0).empty());
  EXPECT_EQ(search.GetLastError(), "unknown search operator \"LIKE\"");
  search.ClearRules();
  EXPECT_EQ(search.Find(1).size(), 1u);
  EXPECT_EQ(search.GetLastError(), "");
}

TEST_F(MaterialSearchTest, GetMaterialAndItsKeywords) {
  KMatSearch search;
  KMaterialRecord record;
  ASSERT_EQ(search.GetMaterial(33, record), 1);
  EXPECT_EQ(record.grade, "EP Moulding Compound");
  EXPECT_EQ(record.databaseType, "THERMOSET");
  const auto keywords = search.GetMaterialKeywords(33);
  ASSERT_EQ(keywords.size(), 13u);
  EXPECT_EQ(keywords[0],
            std::make_pair(std::string("MATERIAL_DATABASE_TYPE"), std::string("THERMOSET")));
  EXPECT_EQ(keywords[6], std::make_pair(std::string("MATERIAL_FILLER"), std::string("Silica")));
  EXPECT_EQ(search.GetMaterial(999, record), 0);
  EXPECT_EQ(search.GetLastError(), "no material with id 999");
  EXPECT_TRUE(search.GetMaterialKeywords(999).empty());
}

TEST_F(MaterialSearchTest, ImportedFilesBecomeUserGradesAndReplaceTheirEarlierImport) {
  ScratchDir project;
  const std::string file = project.Write("mine.md3",
                                         "# imported from a project\n"
                                         "PLASTIC_MODEL: part.ktl\n"
                                         "MATERIAL_SUPPLIER: Workshop\n"
                                         "MATERIAL_GRADE: Recycled PP\n"
                                         "MATERIAL_FAMILY: PP\n"
                                         "MATERIAL_DATABASE_TYPE: THERMOPLASTIC\n"
                                         "MATERIAL_RECOMMENDED_MELT_TEMPERATURE_DEFAULT: 225\n"
                                         "MATERIAL_NOTE: first line \\\n"
                                         "second: line\n");
  KMatSearch search;
  const int id = search.ImportMatKeywordFile(file);
  ASSERT_EQ(id, 37) << search.GetLastError();

  KMatSearch material;
  material.SetDatabase(material.GetDBKeywordValue("USER"));
  material.SetSupplier("Workshop");
  material.SetGrade("Recycled PP");
  ASSERT_EQ(material.WriteMatKeywordFile(project.File("out.md3"), "other.ktl"), 1);
  EXPECT_EQ(ReadBytes(project.File("out.md3")),
            "PLASTIC_MODEL: other.ktl\n"
            "MATERIAL_DATABASE_TYPE: USER\n"
            "MATERIAL_SUPPLIER: Workshop\n"
            "MATERIAL_GRADE: Recycled PP\n"
            "MATERIAL_FAMILY: PP\n"
            "MATERIAL_RECOMMENDED_MELT_TEMPERATURE_DEFAULT: 225\n"
            "MATERIAL_NOTE: first line second: line\n");

  project.Write("mine.md3",
                "MATERIAL_SUPPLIER: workshop\nMATERIAL_GRADE: RECYCLED PP\nMATERIAL_FAMILY: PP\n");
  EXPECT_EQ(search.ImportMatKeywordFile(file), id);
  EXPECT_EQ(search.GetMaterialKeywords(id).size(), 4u);
  EXPECT_EQ(FindWith({{"DATABASE_TYPE", "EQUALS", "USER"}}).size(), 1u);
}

TEST_F(MaterialSearchTest, ImportRefusesFilesWithoutSupplierAndGrade) {
  ScratchDir project;
  KMatSearch search;
  EXPECT_EQ(search.ImportMatKeywordFile(project.Write("a.md3", "MATERIAL_GRADE: X\n")), 0);
  EXPECT_EQ(search.GetLastError(), project.File("a.md3") + " names no material supplier and grade");
  EXPECT_EQ(search.ImportMatKeywordFile(project.File("missing.md3")), 0);
  EXPECT_EQ(search.GetLastError(), "cannot read " + project.File("missing.md3"));
  EXPECT_EQ(FindWith({}).size(), 36u);
}

TEST_F(MaterialSearchTest, ConcurrentSearchesShareTheDatabase) {
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&wrong] {
      for (int i = 0; i < 25; ++i) {
        if (FindWith({{"FAMILY", "EQUALS", "PA66"}}).size() != 4u) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

// The database location and the failures of a database that cannot be used.
class MaterialDatabaseLocationTest : public ::testing::Test {
 protected:
  void TearDown() override {
    KMatSearch::SetDatabasePath("");
    WriteProfileString("Locations", "MaterialDBPath", "");
    ktpm::detail::SetMaterialSeedFile("");
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(DefaultPath()).parent_path(), ignored);
  }

  static std::string DefaultPath() {
    return std::string(std::getenv("XDG_DATA_HOME")) + "/keltravo/materials.db";
  }

  static void ExpectUnusable(const std::string& reasonPart) {
    KMatSearch search;
    EXPECT_TRUE(search.Find(0).empty());
    EXPECT_NE(search.GetLastError().find(reasonPart), std::string::npos) << search.GetLastError();
    search.SetSupplier("Generic");
    search.SetGrade("PS General Purpose");
    ScratchDir project;
    EXPECT_EQ(search.WriteMatKeywordFile(project.File("a.md3"), "a.ktl"), 0);
    EXPECT_EQ(project.Listing(), "");
    EXPECT_EQ(search.GetDBKeywordValue("THERMOPLASTIC"), 0);
    EXPECT_EQ(search.FindOldMaterial("Generic", "PS General Purpose"), 0);
  }

  ScratchDir m_dir;
};

TEST_F(MaterialDatabaseLocationTest, TheDefaultDatabaseIsBuiltFromTheSeedWhenMissing) {
  EXPECT_EQ(KMatSearch::GetDatabasePath(), DefaultPath());
  ASSERT_FALSE(std::filesystem::exists(DefaultPath()));
  EXPECT_EQ(FindWith({}).size(), 36u);
  // Nothing but the database is left in its directory.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(
                              std::filesystem::path(DefaultPath()).parent_path()),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_TRUE(std::filesystem::exists(DefaultPath()));
}

TEST_F(MaterialDatabaseLocationTest, ARemovedDefaultDatabaseIsBuiltAgain) {
  KMatSearch search;
  search.AddRule({"GRADE", "EQUALS", "Mine"});
  ScratchDir project;
  ASSERT_NE(search.ImportMatKeywordFile(
                project.Write("a.md3", "MATERIAL_SUPPLIER: Shop\nMATERIAL_GRADE: Mine\n")),
            0);
  EXPECT_EQ(search.Find(0).size(), 1u);
  std::filesystem::remove(DefaultPath());
  EXPECT_EQ(search.Find(0).size(), 0u);
  EXPECT_EQ(search.GetLastError(), "");
  EXPECT_TRUE(std::filesystem::exists(DefaultPath()));
}

TEST_F(MaterialDatabaseLocationTest, TheProfileSettingOverridesTheDefaultAndTheExplicitPathBoth) {
  const std::string configured = m_dir.File("configured.db");
  const std::string chosen = m_dir.File("chosen.db");
  ASSERT_TRUE(ktpm::detail::BuildMaterialDatabase(configured, SeedFile(), nullptr));
  ASSERT_EQ(WriteProfileString("Locations", "MaterialDBPath", configured), 1);
  EXPECT_EQ(KMatSearch::GetDatabasePath(), configured);
  EXPECT_EQ(FindWith({}).size(), 36u);
  KMatSearch::SetDatabasePath(chosen);
  EXPECT_EQ(KMatSearch::GetDatabasePath(), chosen);
  ExpectUnusable("cannot open material database " + chosen);
  EXPECT_FALSE(std::filesystem::exists(chosen));  // only the default is ever made
  EXPECT_FALSE(std::filesystem::exists(DefaultPath()));
}

TEST_F(MaterialDatabaseLocationTest, ACorruptOrForeignFileIsNotUsed) {
  KMatSearch::SetDatabasePath(m_dir.Write("corrupt.db", std::string(4096, '\x5a')));
  ExpectUnusable("is not a usable material database");
  KMatSearch::SetDatabasePath(m_dir.Write("empty.db", ""));
  ExpectUnusable("no such table");
  KMatSearch::SetDatabasePath(m_dir.File("folder.db"));
  std::filesystem::create_directory(m_dir.File("folder.db"));
  ExpectUnusable(m_dir.File("folder.db"));
}

TEST_F(MaterialDatabaseLocationTest, ALockedDatabaseFindsNothingUntilItIsReleased) {
  const std::string path = m_dir.File("locked.db");
  ASSERT_TRUE(ktpm::detail::BuildMaterialDatabase(path, SeedFile(), nullptr));
  KMatSearch::SetDatabasePath(path);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  ExpectUnusable("locked");
  ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  EXPECT_EQ(FindWith({}).size(), 36u);
}

TEST_F(MaterialDatabaseLocationTest,
       ADefaultDatabaseThatCannotBeBuiltIsReportedAndNotLeftHalfMade) {
  ktpm::detail::SetMaterialSeedFile(m_dir.Write("bad.sql", "INSERT INTO nowhere VALUES (1);"));
  ExpectUnusable("material database seed: no such table: nowhere");
  EXPECT_FALSE(std::filesystem::exists(DefaultPath()));
  EXPECT_EQ(m_dir.Listing(), "bad.sql");
  ktpm::detail::SetMaterialSeedFile(m_dir.File("missing.sql"));
  ExpectUnusable("cannot read the material database seed");
  EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(DefaultPath()).parent_path()));
}

TEST_F(MaterialDatabaseLocationTest, ANewerSeedReplacesTheSeedGradesAndLeavesTheUserGradesAlone) {
  const std::string databases =
      "INSERT INTO databases VALUES (1, 'THERMOPLASTIC', ''), (3, 'USER', '');\n";
  ktpm::detail::SetMaterialSeedFile(m_dir.Write(
      "v1.sql", "-- seed-version: 1\n" + databases +
                    "INSERT INTO materials (id, database_id, supplier, grade, manufacturer) "
                    "VALUES (1, 1, 'Generic', 'A', 'Old'), (2, 1, 'Generic', 'B', '');\n"
                    "INSERT INTO material_keywords VALUES (1, 1, 'MELT', '200'), "
                    "(2, 1, 'MELT', '210');\n"));
  KMatSearch search;
  ScratchDir project;
  ASSERT_EQ(search.ImportMatKeywordFile(project.Write(
                "u.md3", "MATERIAL_SUPPLIER: Shop\nMATERIAL_GRADE: Mine\nMELT: 250\n")),
            3)
      << search.GetLastError();
  // Version 2: A changes, B goes, C comes, and a grade of the user's name is not added.
  ktpm::detail::SetMaterialSeedFile(m_dir.Write(
      "v2.sql", "-- seed-version: 2\n" + databases +
                    "INSERT INTO materials (id, database_id, supplier, grade, manufacturer) "
                    "VALUES (1, 1, 'Generic', 'C', ''), (2, 1, 'Generic', 'A', 'New'), "
                    "(3, 3, 'shop', 'MINE', 'Seed');\n"
                    "INSERT INTO material_keywords VALUES (2, 1, 'MELT', '220'), "
                    "(3, 1, 'MELT', '1');\n"));
  KMatSearch::SetDatabasePath("");  // the next call opens the default database again
  std::vector<std::string> grades;
  for (const auto& record : FindWith({})) {
    grades.push_back(std::to_string(record.id) + " " + record.grade + " " + record.manufacturer);
  }
  EXPECT_EQ(grades, (std::vector<std::string>{"1 A New", "3 Mine ", "4 C "}));
  using Keyword = std::pair<std::string, std::string>;
  EXPECT_EQ(search.GetMaterialKeywords(1).back(), (Keyword{"MELT", "220"}));
  EXPECT_EQ(search.GetMaterialKeywords(3).back(), (Keyword{"MELT", "250"}));
  EXPECT_TRUE(search.GetMaterialKeywords(2).empty());
}

}  // namespace
}  // namespace ktpm::test
