#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "MatlibTestSupport.h"

#include <ktpm/matlib/MaterialDatabase.h>
#include <ktpm/matlib/MaterialSchema.h>

namespace ktpm::test {
namespace {

using ktpm::detail::SqlConnection;
using ktpm::detail::SqlStatement;

// The seed as the library builds it, opened for inspection.
class SeedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ktpm::detail::BuildMaterialDatabase(m_path, SeedFile(), nullptr));
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &handle), SQLITE_OK);
    m_connection = SqlConnection(handle);
  }

  std::vector<std::string> Column(const char* sql) {
    std::vector<std::string> values;
    SqlStatement statement(m_connection, sql);
    while (statement.Step()) values.push_back(statement.Text(0));
    EXPECT_FALSE(statement.Failed()) << sql;
    return values;
  }

  ScratchDir m_dir;
  std::string m_path = m_dir.File("seed.db");
  SqlConnection m_connection;
};

TEST_F(SeedTest, HoldsTheCommonFamiliesInTheirDatabases) {
  const auto families = Column("SELECT DISTINCT family FROM materials ORDER BY family");
  EXPECT_EQ(families,
            (std::vector<std::string>{"ABS", "EP", "HDPE", "LDPE", "PA6", "PA66", "PBT", "PC",
                                      "PC/ABS", "PF", "PMMA", "POM", "PP", "PPS", "PS"}));
  EXPECT_EQ(Column("SELECT DISTINCT d.type FROM materials m JOIN databases d "
                   "ON d.id = m.database_id WHERE m.family IN ('EP', 'PF')"),
            std::vector<std::string>{"THERMOSET"});
  // PA6 and PA66 each with and without glass fibre.
  EXPECT_EQ(Column("SELECT COUNT(DISTINCT family || (filler LIKE 'Glass%')) FROM materials "
                   "WHERE family IN ('PA6', 'PA66')"),
            std::vector<std::string>{"4"});
  EXPECT_GE(std::stoi(Column("SELECT COUNT(*) FROM materials")[0]), 24);
}

TEST_F(SeedTest, EveryGradeHasItsIdentityAndTheSixRecommendedTemperatures) {
  EXPECT_TRUE(Column("SELECT id FROM materials WHERE supplier = '' OR grade = '' "
                     "OR database_id NOT IN (SELECT id FROM databases)")
                  .empty());
  EXPECT_TRUE(Column("SELECT m.id FROM materials m WHERE (SELECT COUNT(*) FROM "
                     "material_keywords k WHERE k.material_id = m.id AND k.keyword LIKE "
                     "'MATERIAL\\_RECOMMENDED\\_%\\_TEMPERATURE\\_%' ESCAPE '\\' "
                     "AND CAST(k.value AS INTEGER) > 0) <> 6")
                  .empty());
  // Limits bracket their defaults.
  EXPECT_TRUE(Column("SELECT a.material_id FROM material_keywords a, material_keywords b, "
                     "material_keywords c WHERE a.material_id = b.material_id AND "
                     "b.material_id = c.material_id AND a.position = 1 AND b.position = 2 AND "
                     "c.position = 3 AND NOT (CAST(b.value AS INTEGER) <= CAST(a.value AS "
                     "INTEGER) AND CAST(a.value AS INTEGER) <= CAST(c.value AS INTEGER))")
                  .empty());
}

TEST_F(SeedTest, FibreFilledGradesAndOnlyThoseHaveAFibreLength) {
  EXPECT_EQ(Column("SELECT id FROM materials WHERE filler LIKE 'Glass fibre%' ORDER BY id"),
            Column("SELECT material_id FROM material_keywords WHERE keyword = "
                   "'MATERIAL_AVERAGE_FIBER_LENGTH' ORDER BY material_id"));
  EXPECT_FALSE(Column("SELECT material_id FROM material_keywords WHERE keyword = "
                      "'MATERIAL_SHRINKAGE_DATA'")
                   .empty());
}

TEST(MaterialSchema, AFailedBuildLeavesNoFile) {
  ScratchDir dir;
  const std::string seed = dir.Write("seed.sql",
                                     "INSERT INTO databases VALUES (1, 'A', '');\n"
                                     "INSERT INTO databases VALUES (1, 'B', '');\n");
  std::string error;
  EXPECT_FALSE(ktpm::detail::BuildMaterialDatabase(dir.File("m.db"), seed, &error));
  EXPECT_EQ(error, "material database seed: UNIQUE constraint failed: databases.id");
  EXPECT_EQ(dir.Listing(), "seed.sql");
  EXPECT_FALSE(ktpm::detail::BuildMaterialDatabase(dir.File("gone/m.db"), SeedFile(), &error));
  EXPECT_EQ(dir.Listing(), "seed.sql");
}

TEST(MaterialSchema, ApplyingTheSchemaTwiceChangesNothing) {
  ScratchDir dir;
  ASSERT_TRUE(ktpm::detail::BuildMaterialDatabase(dir.File("m.db"), SeedFile(), nullptr));
  sqlite3* handle = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File("m.db").c_str(), &handle), SQLITE_OK);
  SqlConnection connection(handle);
  std::string error;
  EXPECT_TRUE(ktpm::detail::ApplyMaterialSchema(connection, &error)) << error;
  EXPECT_TRUE(ktpm::detail::IsMaterialDatabase(connection, &error)) << error;
}

// A connection of its own to a database file, as another program (the sqlite3 shell) would
// open it: without the library's foreign-key setting.
SqlConnection RawConnection(const std::string& path) {
  sqlite3* handle = nullptr;
  sqlite3_open(path.c_str(), &handle);
  return SqlConnection(handle);
}

std::string Rows(const SqlConnection& connection, const char* sql) {
  SqlStatement statement(connection, sql);
  std::string rows;
  while (statement.Step()) {
    std::string row;
    for (int column = 0; column < statement.ColumnCount(); ++column) {
      row += (column == 0 ? "" : "|") + statement.Text(column);
    }
    rows += (rows.empty() ? "" : "\n") + row;
  }
  EXPECT_FALSE(statement.Failed()) << sql << ": " << connection.ErrorText();
  return rows;
}

// The layout as sqlite_master records it, names unquoted and blanks folded, so that a table
// made under a temporary name and renamed compares equal to one made under its own name.
std::string Layout(const SqlConnection& connection) {
  std::string layout = Rows(connection,
                            "SELECT type, name, sql FROM sqlite_master WHERE name NOT LIKE "
                            "'material_text_%' AND name <> 'sqlite_sequence' ORDER BY name");
  layout = std::regex_replace(layout, std::regex("\""), "");
  return std::regex_replace(layout, std::regex("\\s+"), " ");
}

TEST(MaterialSchema, AVersion0DatabaseIsUpgradedInPlaceKeepingItsGrades) {
  ScratchDir dir;
  const std::string path = dir.File("old.db");
  {
    SqlConnection old = RawConnection(path);
    ASSERT_TRUE(old.Execute(ReadBytes(std::string(KTPM_TEST_DATA_DIR) + "/schema-v0.sql")));
    // A seed grade, a user grade, a later duplicate of it in another letter case, a grade whose
    // database row is missing, and the keyword rows left behind by a grade removed by hand.
    ASSERT_TRUE(old.Execute(
        "INSERT INTO databases VALUES (1, 'THERMOPLASTIC', ''), (3, 'USER', 'User materials');"
        "INSERT INTO materials (id, database_id, supplier, grade, family) VALUES"
        " (1, 1, 'Generic', 'PP', 'PP'), (5, 3, 'Shop', 'Mine', 'PA6'),"
        " (6, 3, 'SHOP', 'mine', 'PA66'), (7, 7, 'Lab', 'Trial', '');"
        "INSERT INTO material_keywords VALUES (1, 1, 'MELT', '230'), (5, 1, 'MELT', '250'),"
        " (5, 2, 'MOLD', '80'), (6, 1, 'MELT', '999'), (9, 1, 'MELT', 'orphan');"));
  }
  detail::MaterialDatabase database;
  ASSERT_TRUE(database.Open(path)) << database.LastError();
  database.Close();

  SqlConnection upgraded = RawConnection(path);
  EXPECT_EQ(Rows(upgraded, "PRAGMA user_version"), "1");
  EXPECT_EQ(
      Rows(upgraded, "SELECT id, database_id, supplier, grade, family, origin FROM materials"),
      "1|1|Generic|PP|PP|seed\n5|3|Shop|Mine|PA6|user\n7|7|Lab|Trial||user");
  EXPECT_EQ(Rows(upgraded, "SELECT * FROM material_keywords"),
            "1|1|MELT|230\n5|1|MELT|250\n5|2|MOLD|80");
  EXPECT_EQ(Rows(upgraded, "SELECT id, type FROM databases WHERE id = 7"), "7|DATABASE 7");
  EXPECT_EQ(Rows(upgraded, "SELECT rowid FROM material_text WHERE material_text MATCH 'ria'"), "7");
  // The id that the orphaned keywords named is not given out again.
  EXPECT_EQ(Rows(upgraded, "SELECT seq FROM sqlite_sequence WHERE name = 'materials'"), "9");
  EXPECT_EQ(Rows(upgraded, "PRAGMA foreign_key_list(material_keywords)"),
            "0|0|materials|material_id|id|NO ACTION|CASCADE|NONE");
  EXPECT_EQ(Rows(upgraded, "PRAGMA integrity_check"), "ok");

  ASSERT_TRUE(ktpm::detail::BuildMaterialDatabase(dir.File("new.db"), SeedFile(), nullptr));
  EXPECT_EQ(Layout(upgraded), Layout(RawConnection(dir.File("new.db"))));
}

TEST(MaterialSchema, ANewerDatabaseIsUsedReadOnlyAndNeverDowngraded) {
  ScratchDir dir;
  const std::string path = dir.File("newer.db");
  ASSERT_TRUE(ktpm::detail::BuildMaterialDatabase(path, SeedFile(), nullptr));
  ASSERT_TRUE(RawConnection(path).Execute("PRAGMA user_version = 7"));
  detail::MaterialDatabase database;
  ASSERT_TRUE(database.Open(path)) << database.LastError();
  detail::MaterialEntry entry;
  EXPECT_TRUE(database.ReadMaterial(1, entry));
  entry.record.grade = "Changed";
  EXPECT_EQ(database.StoreUserMaterial(entry), 0);
  EXPECT_EQ(database.LastError(),
            path + " has schema version 7, newer than this ktpm (1): it is used read-only");
  database.Close();
  EXPECT_EQ(Rows(RawConnection(path), "PRAGMA user_version"), "7");
}

TEST_F(SeedTest, RemovingAGradeTakesItsKeywordsAndItsIdIsNotGivenOutAgain) {
  // As the sqlite3 shell would, without foreign keys switched on.
  ASSERT_TRUE(m_connection.Execute("DELETE FROM materials WHERE id = 36"));
  EXPECT_EQ(Column("SELECT COUNT(*) FROM material_keywords WHERE material_id = 36"),
            std::vector<std::string>{"0"});
  ASSERT_TRUE(m_connection.Execute(
      "INSERT INTO materials (database_id, supplier, grade) VALUES (3, 'Shop', 'Next')"));
  EXPECT_EQ(Column("SELECT id FROM materials WHERE grade = 'Next'"),
            std::vector<std::string>{"37"});
}

TEST_F(SeedTest, AGradeIsUniqueByDatabaseSupplierAndGradeInAnyLetterCase) {
  std::string error;
  EXPECT_FALSE(m_connection.Execute(
      "INSERT INTO materials (database_id, supplier, grade) VALUES (1, 'GENERIC', 'pp impact "
      "copolymer')",
      &error));
  EXPECT_EQ(error,
            "UNIQUE constraint failed: materials.database_id, materials.supplier, "
            "materials.grade");
  EXPECT_TRUE(m_connection.Execute(
      "INSERT INTO materials (database_id, supplier, grade) VALUES (3, 'Generic', 'PP Impact "
      "Copolymer')"));
}

}  // namespace
}  // namespace ktpm::test
