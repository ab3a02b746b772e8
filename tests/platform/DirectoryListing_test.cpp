#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"

#include <ktpm/platform/DirectoryListing.h>

namespace {

using ktpm::detail::DirectoryItem;
using ktpm::detail::ListDirectory;
using ktpm::test::TempDir;
using ktpm::test::WriteFile;

std::vector<std::string> Names(const std::vector<DirectoryItem>& items) {
  std::vector<std::string> names;
  for (const DirectoryItem& item : items) names.push_back(item.name);
  return names;
}

TEST(ListDirectoryTest, SortsByUpperCasedNameInByteOrder) {
  TempDir dir;
  for (const char* name : {"b.txt", "A.txt", "a.txt", "_x", "Z", "[y"}) WriteFile(dir / name, "");
  const auto items = ListDirectory(dir.path());
  // Upper-cased, "_" (0x5F) and "[" (0x5B) sort after the letters; "A.txt" before "a.txt".
  EXPECT_EQ(Names(items), (std::vector<std::string>{"A.txt", "a.txt", "b.txt", "Z", "[y", "_x"}));
}

TEST(ListDirectoryTest, ReportsDirectoriesAndLinks) {
  TempDir dir;
  ::mkdir((dir / "sub").c_str(), 0755);
  WriteFile(dir / "file", "");
  ::symlink("sub", (dir / "linkdir").c_str());
  ::symlink("file", (dir / "linkfile").c_str());
  ::symlink("nowhere", (dir / "dangling").c_str());
  const auto items = ListDirectory(dir.path());
  ASSERT_EQ(items.size(), 5u);
  auto find = [&](const std::string& name) {
    for (const DirectoryItem& item : items) {
      if (item.name == name) return item;
    }
    return DirectoryItem{};
  };
  EXPECT_TRUE(find("sub").isDirectory);
  EXPECT_FALSE(find("sub").isSymlink);
  EXPECT_FALSE(find("file").isDirectory);
  EXPECT_TRUE(find("linkdir").isDirectory);
  EXPECT_TRUE(find("linkdir").isSymlink);
  EXPECT_FALSE(find("linkfile").isDirectory);
  EXPECT_TRUE(find("dangling").isSymlink);
  EXPECT_FALSE(find("dangling").isDirectory);
}

TEST(ListDirectoryTest, MissingDirectoryListsNothing) {
  TempDir dir;
  std::vector<DirectoryItem> items{{"stale", false, false}};
  EXPECT_FALSE(ListDirectory(dir / "missing", items));
  EXPECT_TRUE(items.empty());
  EXPECT_TRUE(ListDirectory(dir.path(), items));
  EXPECT_TRUE(items.empty());
}

}  // namespace
