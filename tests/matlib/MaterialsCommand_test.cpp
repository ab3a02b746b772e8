// The "ktpm materials" command, run as a program when the tools are built.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "MatlibTestSupport.h"

#include <ktpm/matlib/MaterialDatabaseSession.h>

namespace ktpm::test {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class MaterialsCommandTest : public SeededDatabaseTest {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Program())) GTEST_SKIP() << "the ktpm program is not built";
    SeededDatabaseTest::SetUp();
  }

  static std::string Program() { return std::string(KTPM_TOOLS_BINARY_DIR) + "/ktpm/ktpm"; }

  void TearDown() override {
    SeededDatabaseTest::TearDown();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(DefaultPath()).parent_path(), ignored);
  }

  static std::string DefaultPath() { return ktpm::detail::DefaultMaterialDatabasePath(); }

  // Runs "ktpm materials ARGS --db <test database>" (arguments are quoted by the caller), with
  // the environment assignments of environment first.
  Outcome Run(const std::string& arguments, bool withDatabase = true,
              const std::string& environment = "") {
    const std::string command = environment + " '" + Program() + "' materials " + arguments +
                                (withDatabase ? " --db '" + m_path + "'" : "") + " >'" +
                                m_dir.File("out") + "' 2>'" + m_dir.File("err") + "'";
    Outcome outcome;
    const int status = std::system(command.c_str());
    outcome.status = (status >> 8) & 0xff;
    outcome.out = ReadBytes(m_dir.File("out"));
    outcome.err = ReadBytes(m_dir.File("err"));
    return outcome;
  }
};

TEST_F(MaterialsCommandTest, SearchPrintsOneLinePerGrade) {
  const Outcome found = Run("search 'pa66 50' --family PA66");
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out,
            "19\tTHERMOPLASTIC\tGeneric\tPA66 50% Glass Fibre\tGeneric Materials\t"
            "Generic PA66-GF50\tPA66\n");
  const Outcome json = Run("search --family pf --limit 1 --json");
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out,
            "[\n  {\n    \"database\": 2,\n    \"databaseType\": \"THERMOSET\",\n"
            "    \"family\": \"PF\",\n    \"grade\": \"PF General Purpose\",\n    \"id\": 35,\n"
            "    \"manufacturer\": \"Generic Materials\",\n    \"supplier\": \"Generic\",\n"
            "    \"tradeName\": \"Generic PF\"\n  }\n]\n");
}

TEST_F(MaterialsCommandTest, ShowAndImport) {
  const Outcome shown = Run("show 34");
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out.substr(0, 57), "MATERIAL_DATABASE_TYPE: THERMOSET\nMATERIAL_SUPPLIER: Gene");
  const std::string file =
      m_dir.Write("mine.md3", "MATERIAL_SUPPLIER: Shop\nMATERIAL_GRADE: Mine\n");
  const Outcome imported = Run("import '" + file + "'");
  EXPECT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.out, "imported " + file + " as material 37 (Shop, Mine) [USER]\n");
  EXPECT_EQ(Run("show 37").out,
            "MATERIAL_DATABASE_TYPE: USER\nMATERIAL_SUPPLIER: Shop\nMATERIAL_GRADE: Mine\n");
  // A name in Latin-1 bytes still gives valid JSON.
  Run("import '" +
      m_dir.Write("cafe.md3", "MATERIAL_SUPPLIER: Caf\xe9\nMATERIAL_GRADE: Au lait\n") + "'");
  const Outcome json = Run("--json search 'au lait'");
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_NE(json.out.find("\"supplier\": \"Caf\xEF\xBF\xBD\""), std::string::npos) << json.out;
}

TEST_F(MaterialsCommandTest, RemoveTakesOnlyUserGrades) {
  Run("import '" + m_dir.Write("mine.md3", "MATERIAL_SUPPLIER: Shop\nMATERIAL_GRADE: Mine\n") +
      "'");
  const Outcome seed = Run("remove 37 1");
  EXPECT_EQ(seed.status, 1);
  EXPECT_EQ(seed.err,
            "ktpm materials remove: material 1 (Generic, PP Homopolymer MFI 12) is a generic grade "
            "of the seed and cannot be removed; only imported grades can\n");
  const Outcome removed = Run("remove 37");
  EXPECT_EQ(removed.status, 0) << removed.err;
  EXPECT_EQ(removed.out, "removed material 37 (Shop, Mine)\n");
  EXPECT_EQ(Run("show 37").status, 1);
  EXPECT_EQ(Run("show 1").status, 0);
}

TEST_F(MaterialsCommandTest, ExportWritesWhatImportReadsBack) {
  Run("import '" +
      m_dir.Write("a.md3",
                  "MATERIAL_SUPPLIER: Shop\nMATERIAL_GRADE: A\nMATERIAL_FAMILY: PP\nMELT: 230\n") +
      "'");
  Run("import '" + m_dir.Write("b.md3", "MATERIAL_SUPPLIER: Caf\xe9\nMATERIAL_GRADE: B\n") + "'");
  const Outcome exported = Run("export -o '" + m_dir.File("export.txt") + "'");
  EXPECT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out, "exported 2 user grades to " + m_dir.File("export.txt") + "\n");

  const std::string other = m_dir.File("other.db");
  ASSERT_TRUE(ktpm::detail::BuildMaterialDatabase(other, SeedFile(), nullptr));
  const std::string onOther = " --db '" + other + "'";
  EXPECT_EQ(Run("import '" + m_dir.File("export.txt") + "'" + onOther, false).status, 0);
  const Outcome again = Run("export" + onOther, false);
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, ReadBytes(m_dir.File("export.txt")));
  EXPECT_NE(again.out.find("MELT: 230\n"), std::string::npos) << again.out;
}

TEST_F(MaterialsCommandTest, RebuildKeepsUserGradesOrSetsADamagedFileAside) {
  std::filesystem::create_directories(std::filesystem::path(DefaultPath()).parent_path());
  const std::string garbage(4096, 'Z');
  m_dir.Write("garbage", garbage);
  std::filesystem::copy_file(m_dir.File("garbage"), DefaultPath());
  const Outcome damaged = Run("search pp", false);
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.err.find(DefaultPath() + " is the default material database"),
            std::string::npos)
      << damaged.err;
  EXPECT_NE(damaged.err.find("ktpm materials rebuild"), std::string::npos);

  const Outcome rebuilt = Run("rebuild", false);
  EXPECT_EQ(rebuilt.status, 0) << rebuilt.err;
  EXPECT_EQ(rebuilt.out, "rebuilt " + DefaultPath() +
                             " from the seed\nthe unreadable old file is kept as " + DefaultPath() +
                             ".corrupt-1; its user grades are not in the new database\n");
  EXPECT_EQ(ReadBytes(DefaultPath() + ".corrupt-1"), garbage);

  Run("import '" + m_dir.Write("mine.md3", "MATERIAL_SUPPLIER: Shop\nMATERIAL_GRADE: Mine\n") + "'",
      false);
  const Outcome kept = Run("--json rebuild", false);
  EXPECT_EQ(kept.status, 0) << kept.err;
  EXPECT_EQ(kept.out, "{\n  \"keptUserGrades\": 1,\n  \"movedAsidePath\": null,\n  \"path\": \"" +
                          DefaultPath() + "\"\n}\n");
  EXPECT_EQ(Run("show 37", false).status, 0);

  std::filesystem::remove(DefaultPath());
  const Outcome noSeed = Run("search pp", false, "KTPM_DATA_DIR='" + m_dir.File("nowhere") + "'");
  EXPECT_EQ(noSeed.status, 1);
  EXPECT_NE(noSeed.err.find("no material database seed at " + m_dir.File("nowhere")),
            std::string::npos)
      << noSeed.err;
  EXPECT_NE(noSeed.err.find("set KTPM_DATA_DIR"), std::string::npos);
}

TEST_F(MaterialsCommandTest, FailuresSayWhatWentWrong) {
  Outcome missing = Run("show 999");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "ktpm materials show: no material with id 999\n");
  missing = Run("search x --db '" + m_dir.File("none.db") + "'", false);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "ktpm materials search: cannot open material database " +
                             m_dir.File("none.db") + ": unable to open database file\n");
  EXPECT_EQ(Run("import '" + m_dir.File("none.md3") + "'").status, 1);
  EXPECT_EQ(Run("show twelve").status, 2);
  EXPECT_EQ(Run("search --limit -1").status, 2);
  EXPECT_EQ(Run("", false).status, 2);
}

}  // namespace
}  // namespace ktpm::test
