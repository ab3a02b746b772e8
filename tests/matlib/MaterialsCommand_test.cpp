// The "ktpm materials" command, run as a program when the tools are built.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "MatlibTestSupport.h"

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

  // Runs "ktpm materials ARGS --db <test database>" (arguments are quoted by the caller).
  Outcome Run(const std::string& arguments, bool withDatabase = true) {
    const std::string command = "'" + Program() + "' materials " + arguments +
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
