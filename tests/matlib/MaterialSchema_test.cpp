#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "MatlibTestSupport.h"

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

}  // namespace
}  // namespace ktpm::test
