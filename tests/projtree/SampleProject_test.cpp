// Opens the bundled sample project and compares its whole tree with the expected dump.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ScratchProject.h"
#include "TreeShape.h"

#include <ktpm/platform/KFileEntry.h>

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TEST(SampleProject, OpensToTheExpectedTree) {
  ktpm::test::ScratchProject project;
  const std::filesystem::path sample =
      std::filesystem::path(KTPM_SOURCE_DIR) / "data/sample-project";
  std::filesystem::copy(sample, project.Path(), std::filesystem::copy_options::recursive);
  // The material made from the database is built from the seed into a database of the test's own.
  setenv("XDG_DATA_HOME", (project.Path() / ".data").c_str(), 1);

  project.tree.Open(project.Path().string());
  const std::string expected =
      ReadFile(std::filesystem::path(KTPM_TEST_DATA_DIR) / "sample-tree.txt");
  EXPECT_EQ(ktpm::test::DumpLabelledTree(project.tree), expected);

  // The new material file was written and the input now names it.
  EXPECT_TRUE(project.Exists("cover2.md3"));
  EXPECT_NE(project.Read("cover1.005").find("MATERIAL_FILE: cover2.md3"), std::string::npos);
  // Files of analyses that have results are write-protected, with the mesh they use.
  EXPECT_TRUE(project.IsProtected("bracket1.001"));
  EXPECT_TRUE(project.IsProtected("bracket.ktl"));
  EXPECT_FALSE(project.IsProtected("cover1.005"));
  project.tree.Close();
  unsetenv("XDG_DATA_HOME");
}
