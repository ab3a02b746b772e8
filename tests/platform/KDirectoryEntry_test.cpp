#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"

#include <ktpm/platform/KFileEntry.h>

namespace {

using ktpm::test::MakeReadOnly;
using ktpm::test::OwnerWritable;
using ktpm::test::PathExists;
using ktpm::test::ReadFile;
using ktpm::test::TempDir;
using ktpm::test::WriteFile;

void MakeDir(const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path; }

TEST(KDirectoryEntryDelete, RemovesTheWholeTreeWithReadOnlyFiles) {
  TempDir dir;
  MakeDir(dir / "tree");
  MakeDir(dir / "tree/sub");
  WriteFile(dir / "tree/a.txt", "a");
  WriteFile(dir / "tree/sub/b.txt", "b");
  MakeReadOnly(dir / "tree/a.txt");
  MakeReadOnly(dir / "tree/sub/b.txt");
  ::chmod((dir / "tree/sub").c_str(), 0555);

  EXPECT_EQ(KDirectoryEntry(dir / "tree").Delete(1), 1);
  EXPECT_FALSE(PathExists(dir / "tree"));
}

TEST(KDirectoryEntryDelete, NonRecursiveRemovesOnlyAnEmptyWritableDirectory) {
  TempDir dir;
  MakeDir(dir / "full");
  WriteFile(dir / "full/a.txt", "a");
  EXPECT_EQ(KDirectoryEntry(dir / "full").Delete(0), 0);
  EXPECT_TRUE(PathExists(dir / "full/a.txt"));

  MakeDir(dir / "ro");
  ::chmod((dir / "ro").c_str(), 0555);
  EXPECT_EQ(KDirectoryEntry(dir / "ro").Delete(0), 0);
  EXPECT_TRUE(PathExists(dir / "ro"));

  MakeDir(dir / "Empty");
  EXPECT_EQ(KDirectoryEntry(dir / "EMPTY").Delete(0), 1);
  EXPECT_FALSE(PathExists(dir / "Empty"));
  EXPECT_EQ(KDirectoryEntry("").Delete(1), 0);
}

TEST(KDirectoryEntryDelete, DoesNotFollowLinksToDirectories) {
  TempDir dir;
  MakeDir(dir / "outside");
  WriteFile(dir / "outside/keep.txt", "keep");
  MakeDir(dir / "tree");
  ASSERT_EQ(::symlink((dir / "outside").c_str(), (dir / "tree/link").c_str()), 0);
  EXPECT_EQ(KDirectoryEntry(dir / "tree").Delete(1), 1);
  EXPECT_FALSE(PathExists(dir / "tree"));
  EXPECT_EQ(ReadFile(dir / "outside/keep.txt"), "keep");

  // The entry itself a link: only the link goes.
  ASSERT_EQ(::symlink((dir / "outside").c_str(), (dir / "alias").c_str()), 0);
  EXPECT_EQ(KDirectoryEntry(dir / "alias").Delete(1), 1);
  EXPECT_FALSE(PathExists(dir / "alias"));
  EXPECT_EQ(ReadFile(dir / "outside/keep.txt"), "keep");
}

TEST(KDirectoryEntryDelete, RefusesTheFileSystemRoot) {
  EXPECT_EQ(KDirectoryEntry("/").Delete(1), 0);
  EXPECT_EQ(KDirectoryEntry("/tmp/..").Delete(1), 0);
}

TEST(KDirectoryEntryCopy, CopiesTheTreeIntoAParent) {
  TempDir dir;
  MakeDir(dir / "src");
  MakeDir(dir / "src/sub");
  WriteFile(dir / "src/a.txt", "a");
  WriteFile(dir / "src/sub/b.txt", "b");
  MakeReadOnly(dir / "src/sub/b.txt");
  MakeDir(dir / "parent");

  KDirectoryEntry(dir / "src/").CopyTo(dir / "parent");
  EXPECT_EQ(ReadFile(dir / "parent/src/a.txt"), "a");
  EXPECT_EQ(ReadFile(dir / "parent/src/sub/b.txt"), "b");
  EXPECT_TRUE(OwnerWritable(dir / "parent/src/sub/b.txt"));
  EXPECT_EQ(KDirectoryEntry(dir / "src").CopyFrom(dir / "parent"), 0);
}

TEST(KDirectoryEntryCopy, ExistingTargetCopiesNothing) {
  TempDir dir;
  MakeDir(dir / "src");
  WriteFile(dir / "src/a.txt", "new");
  MakeDir(dir / "parent");
  MakeDir(dir / "parent/src");
  MakeDir(dir / "other");
  MakeDir(dir / "other/SRC");
  KDirectoryEntry(dir / "src").CopyTo(dir / "parent");
  KDirectoryEntry(dir / "src").CopyTo(dir / "other");
  EXPECT_FALSE(PathExists(dir / "parent/src/a.txt"));
  EXPECT_FALSE(PathExists(dir / "other/src"));
  EXPECT_FALSE(PathExists(dir / "other/SRC/a.txt"));
}

TEST(KDirectoryEntryCopy, RefusesToCopyIntoItsOwnTree) {
  TempDir dir;
  MakeDir(dir / "src");
  MakeDir(dir / "src/inner");
  WriteFile(dir / "src/a.txt", "a");
  KDirectoryEntry(dir / "src").CopyTo(dir / "src/inner");
  EXPECT_FALSE(PathExists(dir / "src/inner/src"));
  // A missing source creates nothing either.
  KDirectoryEntry(dir / "missing").CopyTo(dir.path() + "/src");
  EXPECT_FALSE(PathExists(dir / "src/missing"));
}

TEST(KDirectoryEntryMove, MovesTheTree) {
  TempDir dir;
  MakeDir(dir / "src");
  WriteFile(dir / "src/a.txt", "a");
  MakeDir(dir / "parent");
  KDirectoryEntry(dir / "src").MoveTo(dir / "parent");
  EXPECT_EQ(ReadFile(dir / "parent/src/a.txt"), "a");
  EXPECT_FALSE(PathExists(dir / "src"));
}

}  // namespace
