#include <gtest/gtest.h>

#include "MatlibTestSupport.h"

#include <ktpm/matlib/MaterialFile.h>
#include <ktpm/platform/KFileEntry.h>

namespace ktpm::test {
namespace {

using ktpm::detail::MaterialKeywordList;
using ktpm::detail::ReadMaterialFile;
using ktpm::detail::WriteMaterialFile;

TEST(MaterialFile, ReadingKeepsTheOrderOfTheFileAndItsReadingRules) {
  ScratchDir dir;
  const std::string path = dir.Write("a.md3",
                                     "# comment: not a keyword\n"
                                     "MATERIAL_GRADE: G1\n"
                                     "MATERIAL_NOTE: one \\\n"
                                     "CONTINUED: two\n"
                                     "MATERIAL_SUPPLIER: S\n"
                                     "MATERIAL_GRADE: G2\n"
                                     "MATERIAL_UNSET: -16384\n"
                                     "no colon here\n"
                                     "MATERIAL_EMPTY:\n");
  MaterialKeywordList keywords;
  ASSERT_TRUE(ReadMaterialFile(path, keywords, nullptr));
  EXPECT_EQ(keywords, (MaterialKeywordList{{"MATERIAL_GRADE", "G2"},
                                           {"MATERIAL_NOTE", "one CONTINUED: two"},
                                           {"MATERIAL_SUPPLIER", "S"},
                                           {"MATERIAL_EMPTY", ""}}));
}

TEST(MaterialFile, AMissingFileCannotBeRead) {
  ScratchDir dir;
  MaterialKeywordList keywords = {{"stale", "entry"}};
  std::string error;
  EXPECT_FALSE(ReadMaterialFile(dir.File("none.md3"), keywords, &error));
  EXPECT_EQ(error, "cannot read " + dir.File("none.md3"));
  EXPECT_TRUE(keywords.empty());
}

TEST(MaterialFile, WritingLeavesOutKeywordsThatWouldNotReadBack) {
  ScratchDir dir;
  const std::string path = dir.File("a.md3");
  ASSERT_TRUE(WriteMaterialFile(path, "",
                                {{"MATERIAL_GRADE", "G"},
                                 {"BROKEN:KEY", "x"},
                                 {"_INTERNAL", "x"},
                                 {"#COMMENT", "x"},
                                 {"", "x"},
                                 {"MATERIAL_SUPPLIER", "S"}},
                                nullptr));
  EXPECT_EQ(ReadBytes(path), "MATERIAL_GRADE: G\nMATERIAL_SUPPLIER: S\n");
}

TEST(MaterialFile, ABareNameIsWrittenInTheCurrentDirectory) {
  ScratchDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.File(""));
  const bool written = WriteMaterialFile("part1.md3", "part.ktl", {{"K", "V"}}, nullptr);
  std::filesystem::current_path(before);
  EXPECT_TRUE(written);
  EXPECT_EQ(ReadBytes(dir.File("part1.md3")), "PLASTIC_MODEL: part.ktl\nK: V\n");
  EXPECT_EQ(dir.Listing(), "part1.md3");
}

TEST(MaterialFile, AFailedWriteLeavesNoTemporaryFile) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.File("taken.md3"));
  std::string error;
  EXPECT_FALSE(WriteMaterialFile(dir.File("taken.md3"), "m.ktl", {{"K", "V"}}, &error));
  EXPECT_EQ(error.rfind("cannot write " + dir.File("taken.md3"), 0), 0u) << error;
  EXPECT_EQ(dir.Listing(), "taken.md3");
}

TEST(MaterialFile, TheNextNameIsTheOneTheUniqueNameSearchGivesAndWritesNothing) {
  struct Case {
    const char* input;
    const char* counter;  // nullptr: no counter file
    const char* taken;    // a file already in the directory
    const char* name;
  };
  const Case cases[] = {
      {"part1.001", nullptr, "part1.001", "part2.md3"},
      {"x/Cover7.005", "7\n", "cover7.fsu", "cover8.md3"},
      {"A12.005", nullptr, "a121.md3", "a122.md3"},  // all digits after the first stay
      {"9", " +41 and more\n", "x", "941.md3"},
      {"big.001", "2147483647\n", "x", "big2147483647.md3"},
      {"neg.001", "-2\n", "neg-2.txt", "neg-1.md3"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.File(""));
    if (c.counter != nullptr) dir.Write("keltravo.ctr", c.counter);
    dir.Write(c.taken, "");
    const std::string listing = dir.Listing();
    int64_t counter = ktpm::detail::ReadMaterialFileCounter();
    const std::string name = ktpm::detail::NextMaterialFileName(c.input, &counter);
    EXPECT_EQ(name, c.name) << c.input;
    EXPECT_EQ(dir.Listing(), listing) << c.input;
    KFileEntry made;
    made.MakeUniqueName(c.input, "md3", 1);
    EXPECT_EQ(made.GetPath(), name) << c.input;
    EXPECT_EQ(ktpm::detail::ReadMaterialFileCounter(), counter) << c.input;
    std::filesystem::current_path(before);
  }
}

}  // namespace
}  // namespace ktpm::test
