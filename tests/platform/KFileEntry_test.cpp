#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"

#include <ktpm/platform/KFileEntry.h>

namespace {

using ktpm::test::CurrentDirGuard;
using ktpm::test::MakeReadOnly;
using ktpm::test::OwnerWritable;
using ktpm::test::PathExists;
using ktpm::test::ReadFile;
using ktpm::test::TempDir;
using ktpm::test::WriteFile;

TEST(KFileEntryPath, ExtensionAndPathWithoutExtension) {
  EXPECT_EQ(KFileEntry("d/part1.kwd").GetExtension(), ".kwd");
  EXPECT_EQ(KFileEntry("d/part1.kwd").GetPathWithoutExtension(), "d/part1");
  // A dot in the directory and none in the name: the extension still starts at that dot, but
  // the path without extension is the whole path.
  EXPECT_EQ(KFileEntry("C:\\proj.v2\\part").GetExtension(), ".v2\\part");
  EXPECT_EQ(KFileEntry("C:\\proj.v2\\part").GetPathWithoutExtension(), "C:\\proj.v2\\part");
  EXPECT_EQ(KFileEntry("/a.b/c").GetPathWithoutExtension(), "/a.b/c");
  EXPECT_EQ(KFileEntry("noext").GetExtension(), "");
}

TEST(KFileEntryPath, GetDirectoryFollowsDriveAndRootRules) {
  EXPECT_EQ(KFileEntry("C:\\dir\\file").GetDirectory(), "C:\\dir");
  EXPECT_EQ(KFileEntry("C:\\file").GetDirectory(), "C:\\");
  EXPECT_EQ(KFileEntry("\\file").GetDirectory(), "\\");
  EXPECT_EQ(KFileEntry("/usr/x").GetDirectory(), "/usr");
  EXPECT_EQ(KFileEntry("/x").GetDirectory(), "/");
  EXPECT_EQ(KFileEntry("C:\\").GetDirectory(), "C");
  EXPECT_EQ(KFileEntry("file").GetDirectory(), "");
  // The last "/" wins over any later "\".
  EXPECT_EQ(KFileEntry("a/b\\c").GetDirectory(), "a");
}

TEST(KFileEntryPath, ReplaceAndPrependDirectory) {
  KFileEntry entry("old\\sub\\file.txt");
  entry.ReplaceDirectory("/new");
  EXPECT_EQ(entry.GetPath(), "/new/file.txt");
  entry.ReplaceDirectory("/other/");
  EXPECT_EQ(entry.GetPath(), "/other/file.txt");
  entry.ReplaceDirectory(nullptr);
  EXPECT_EQ(entry.GetPath(), "file.txt");
  entry.ReplaceDirectory(nullptr);
  EXPECT_EQ(entry.GetPath(), "file.txt");
  entry.ReplaceDirectory("");
  EXPECT_EQ(entry.GetPath(), "file.txt");
  entry.ReplaceDirectory("dir");
  EXPECT_EQ(entry.GetPath(), "dir/file.txt");

  KFileEntry prepended("file.txt");
  prepended.PrependDirectory("/p");
  EXPECT_EQ(prepended.GetPath(), "/p/file.txt");
  KFileEntry withSeparator("file.txt");
  withSeparator.PrependDirectory("D:\\p\\");
  EXPECT_EQ(withSeparator.GetPath(), "D:\\p\\file.txt");
}

TEST(KFileEntryPath, ComparisonsIgnoreCase) {
  KFileEntry entry("Dir/Part1.KWD");
  EXPECT_EQ(entry.IsSamePath("dir/part1.kwd"), 1);
  EXPECT_EQ(entry.IsSamePath("dir/part1.kw"), 0);
  EXPECT_EQ(entry.HasPathWithoutExtension("DIR/PART1"), 1);
  EXPECT_EQ(entry.HasSuffix(".kwd"), 1);
  EXPECT_EQ(entry.HasSuffix("x.kwd"), 0);
  EXPECT_EQ(entry.HasSuffix("longer/Dir/Part1.KWD"), 0);
  entry.SetExtension(".dat");
  EXPECT_EQ(entry.GetPath(), "Dir/Part1.dat");
  entry.SetPathWithoutExtension("x/y");
  EXPECT_EQ(entry.GetPath(), "x/y.dat");
}

TEST(KFileEntryStatus, MissingPathAnswersZero) {
  TempDir dir;
  KFileEntry missing(dir / "nothing.txt");
  EXPECT_EQ(missing.Exists(), 0);
  EXPECT_EQ(missing.IsWriteProtected(), 0);
  EXPECT_EQ(missing.SetReadOnly(1), 0);
  EXPECT_EQ(missing.GetSize(), 0u);
  EXPECT_EQ(missing.IsDirectory(), 0);
  EXPECT_EQ(missing.Delete(1), 0);
}

TEST(KFileEntryStatus, NamesResolveWithoutRegardToCase) {
  TempDir dir;
  WriteFile(dir / "Part1.kwd", "12345");
  KFileEntry entry(dir / "PART1.KWD");
  EXPECT_EQ(entry.Exists(), 1);
  EXPECT_EQ(entry.GetSize(), 5u);
  EXPECT_EQ(entry.SetReadOnly(1), 1);
  EXPECT_FALSE(OwnerWritable(dir / "Part1.kwd"));
  EXPECT_EQ(entry.IsWriteProtected(), 1);
  EXPECT_EQ(entry.Delete(1), 1);
  EXPECT_FALSE(PathExists(dir / "Part1.kwd"));
}

TEST(KFileEntryStatus, WriteProtectionIsTheOwnerWriteBit) {
  TempDir dir;
  WriteFile(dir / "a.txt", "x");
  KFileEntry file(dir / "a.txt");
  EXPECT_EQ(file.IsWriteProtected(), 0);
  EXPECT_EQ(file.SetReadOnly(1), 1);
  EXPECT_EQ(file.IsWriteProtected(), 1);
  EXPECT_EQ(file.SetReadOnly(0), 1);
  EXPECT_EQ(file.IsWriteProtected(), 0);

  KDirectoryEntry directory(dir.path());
  EXPECT_EQ(directory.IsDirectory(), 1);
  EXPECT_EQ(directory.IsWriteProtected(), 0);
  EXPECT_EQ(directory.SetReadOnly(1), 1);
  EXPECT_EQ(directory.IsWriteProtected(), 1);
  EXPECT_EQ(directory.SetReadOnly(0), 1);
}

TEST(KFileEntryDelete, ReadOnlyFileNeedsMakeWritable) {
  TempDir dir;
  WriteFile(dir / "ro.txt", "x");
  MakeReadOnly(dir / "ro.txt");
  KFileEntry entry(dir / "ro.txt");
  EXPECT_EQ(entry.Delete(0), 0);
  EXPECT_TRUE(PathExists(dir / "ro.txt"));
  EXPECT_EQ(entry.Delete(1), 1);
  EXPECT_FALSE(PathExists(dir / "ro.txt"));
}

TEST(KFileEntryDelete, RefusesDirectoriesAndRemovesLinksOnly) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  EXPECT_EQ(KFileEntry(dir / "sub").Delete(1), 0);
  EXPECT_TRUE(PathExists(dir / "sub"));

  WriteFile(dir / "target.txt", "keep");
  MakeReadOnly(dir / "target.txt");
  ASSERT_EQ(::symlink("target.txt", (dir / "link.txt").c_str()), 0);
  EXPECT_EQ(KFileEntry(dir / "link.txt").Delete(1), 1);
  EXPECT_FALSE(PathExists(dir / "link.txt"));
  // Deleting the link neither removed nor unprotected its target.
  EXPECT_EQ(ReadFile(dir / "target.txt"), "keep");
  EXPECT_FALSE(OwnerWritable(dir / "target.txt"));
}

TEST(KFileEntryCopy, CopyFromOverwritesAndMakesWritable) {
  TempDir dir;
  WriteFile(dir / "src.txt", "new contents");
  MakeReadOnly(dir / "src.txt");
  WriteFile(dir / "dst.txt", "old");
  KFileEntry target(dir / "dst.txt");
  EXPECT_EQ(target.CopyFrom(dir / "SRC.TXT"), 1);
  EXPECT_EQ(ReadFile(dir / "dst.txt"), "new contents");
  EXPECT_TRUE(OwnerWritable(dir / "dst.txt"));
}

TEST(KFileEntryCopy, CopyFromFailsForMissingSourceOrReadOnlyTarget) {
  TempDir dir;
  WriteFile(dir / "dst.txt", "old");
  KFileEntry target(dir / "dst.txt");
  // A failed copy is not reported as success although the target exists.
  EXPECT_EQ(target.CopyFrom(dir / "missing.txt"), 0);
  EXPECT_EQ(ReadFile(dir / "dst.txt"), "old");

  WriteFile(dir / "src.txt", "new");
  MakeReadOnly(dir / "dst.txt");
  EXPECT_EQ(target.CopyFrom(dir / "src.txt"), 0);
  EXPECT_EQ(ReadFile(dir / "dst.txt"), "old");
  EXPECT_FALSE(OwnerWritable(dir / "dst.txt"));
}

TEST(KFileEntryCopy, CopyOntoItselfKeepsTheContents) {
  TempDir dir;
  WriteFile(dir / "same.txt", "precious");
  KFileEntry entry(dir / "same.txt");
  EXPECT_EQ(entry.CopyFrom(dir / "SAME.txt"), 0);
  entry.CopyTo(dir.path());
  EXPECT_EQ(ReadFile(dir / "same.txt"), "precious");
}

TEST(KFileEntryCopy, CopyToDirectoryKeepsTheNameAndTheTime) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "into").c_str(), 0755), 0);
  WriteFile(dir / "a.txt", "abc");
  MakeReadOnly(dir / "a.txt");
  struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "a.txt").c_str(), times, 0), 0);

  KFileEntry(dir / "a.txt").CopyTo(dir / "into");
  EXPECT_EQ(ReadFile(dir / "into/a.txt"), "abc");
  EXPECT_TRUE(OwnerWritable(dir / "into/a.txt"));
  struct stat status;
  ASSERT_EQ(::stat((dir / "into/a.txt").c_str(), &status), 0);
  EXPECT_EQ(status.st_mtim.tv_sec, 1000000000);

  // Copying over a read-only file fails and leaves it alone.
  WriteFile(dir / "b.txt", "other");
  MakeReadOnly(dir / "into/a.txt");
  KFileEntry(dir / "b.txt").CopyTo(dir / "into/a.txt");
  EXPECT_EQ(ReadFile(dir / "into/a.txt"), "abc");
}

TEST(KFileEntryMove, RenameChangesThePathEvenWhenTheMoveFails) {
  TempDir dir;
  WriteFile(dir / "a.txt", "a");
  KFileEntry entry(dir / "a.txt");
  entry.Rename(dir / "b.txt");
  EXPECT_EQ(entry.GetPath(), dir / "b.txt");
  EXPECT_EQ(ReadFile(dir / "b.txt"), "a");
  EXPECT_FALSE(PathExists(dir / "a.txt"));

  entry.Rename(dir / "no/such/dir/c.txt");
  EXPECT_EQ(entry.GetPath(), dir / "no/such/dir/c.txt");
  EXPECT_TRUE(PathExists(dir / "b.txt"));
}

TEST(KFileEntryMove, NeverReplacesAnExistingFile) {
  TempDir dir;
  WriteFile(dir / "a.txt", "a");
  WriteFile(dir / "b.txt", "b");
  WriteFile(dir / "ro.txt", "ro");
  MakeReadOnly(dir / "ro.txt");

  KFileEntry(dir / "a.txt").Rename(dir / "ro.txt");
  KFileEntry(dir / "a.txt").MoveTo(dir / "ro.txt");
  EXPECT_EQ(ReadFile(dir / "ro.txt"), "ro");
  KFileEntry(dir / "a.txt").MoveTo(dir / "b.txt");
  // Another spelling of an existing name is the same file in the project's terms.
  KFileEntry(dir / "a.txt").MoveTo(dir / "B.TXT");
  EXPECT_EQ(ReadFile(dir / "b.txt"), "b");
  EXPECT_EQ(ReadFile(dir / "a.txt"), "a");
  EXPECT_FALSE(PathExists(dir / "B.TXT"));
}

TEST(KFileEntryMove, ChangesLetterCaseOfItsOwnName) {
  TempDir dir;
  WriteFile(dir / "part.txt", "p");
  KFileEntry entry(dir / "part.txt");
  entry.Rename(dir / "PART.txt");
  EXPECT_EQ(ReadFile(dir / "PART.txt"), "p");
  EXPECT_FALSE(PathExists(dir / "part.txt"));
}

TEST(KFileEntryMove, MoveToDirectoryKeepsTheNameAndTheHeldPath) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "into").c_str(), 0755), 0);
  WriteFile(dir / "a.txt", "a");
  MakeReadOnly(dir / "a.txt");
  KFileEntry entry(dir / "a.txt");
  entry.MoveTo(dir / "into");
  EXPECT_EQ(entry.GetPath(), dir / "a.txt");
  EXPECT_EQ(ReadFile(dir / "into/a.txt"), "a");
  EXPECT_FALSE(PathExists(dir / "a.txt"));
}

// A directory on another file system than the temporary directory, when the machine has one.
std::string OtherFileSystemDir(const TempDir& dir) {
  struct stat here;
  struct stat there;
  if (::stat(dir.path().c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 ||
      here.st_dev == there.st_dev || ::access("/dev/shm", W_OK) != 0) {
    return {};
  }
  return "/dev/shm";
}

TEST(KFileEntryMove, AcrossFileSystemsMoveCopiesButRenameFails) {
  TempDir dir;
  const std::string otherRoot = OtherFileSystemDir(dir);
  if (otherRoot.empty()) GTEST_SKIP() << "no second file system";
  TempDir other(otherRoot);
  WriteFile(dir / "a.txt", "moved");
  MakeReadOnly(dir / "a.txt");
  KFileEntry entry(dir / "a.txt");
  entry.MoveTo(other.path());
  EXPECT_EQ(entry.GetPath(), dir / "a.txt");
  EXPECT_EQ(ReadFile(other / "a.txt"), "moved");
  EXPECT_FALSE(OwnerWritable(other / "a.txt"));  // a move keeps the read-only attribute
  EXPECT_FALSE(PathExists(dir / "a.txt"));

  WriteFile(dir / "b.txt", "stays");
  KFileEntry renamed(dir / "b.txt");
  renamed.Rename(other / "b.txt");
  EXPECT_EQ(renamed.GetPath(), other / "b.txt");
  EXPECT_FALSE(PathExists(other / "b.txt"));
  EXPECT_EQ(ReadFile(dir / "b.txt"), "stays");
}

TEST(KFileEntryUniqueName, CountsFromTheCounterFileAndSkipsUsedNames) {
  TempDir dir;
  CurrentDirGuard cwd(dir.path());
  WriteFile("keltravo.ctr", "5\n");
  WriteFile("PART5.dat", "");
  KFileEntry entry;
  entry.MakeUniqueName("Part12.txt", "dat", 1);
  EXPECT_EQ(entry.GetPath(), "part6.dat");
  EXPECT_EQ(ReadFile("keltravo.ctr"), "7\n");
}

TEST(KFileEntryUniqueName, WithoutCounterFileStartsAtOne) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "Proj").c_str(), 0755), 0);
  KFileEntry entry;
  entry.MakeUniqueName(dir / "Proj/Part2.txt", "dat", 0);
  EXPECT_EQ(entry.GetPath(), dir / "Proj/part1.dat");
  EXPECT_EQ(ReadFile(dir / "Proj/keltravo.ctr"), "2\n");
}

TEST(KFileEntryUniqueName, NameOnlyWorksInTheCurrentDirectory) {
  TempDir dir;
  CurrentDirGuard cwd(dir.path());
  KFileEntry entry;
  entry.MakeUniqueName("/somewhere/else\\Mat.md3", "md3", 1);
  EXPECT_EQ(entry.GetPath(), "mat1.md3");
  EXPECT_EQ(ReadFile("keltravo.ctr"), "2\n");
  EXPECT_FALSE(PathExists("/somewhere/else"));
}

TEST(KFileEntryUniqueName, DigitsAreStrippedButNeverTheFirstCharacter) {
  TempDir dir;
  CurrentDirGuard cwd(dir.path());
  KFileEntry entry;
  entry.MakeUniqueName("a1", nullptr, 1);
  EXPECT_EQ(entry.GetPath(), "a11");
  entry.MakeUniqueName("7", nullptr, 1);
  EXPECT_EQ(entry.GetPath(), "72");
  // With every character after the first a digit, nothing is stripped.
  entry.MakeUniqueName("x99", nullptr, 1);
  EXPECT_EQ(entry.GetPath(), "x993");
  entry.MakeUniqueName("ab12", nullptr, 1);
  EXPECT_EQ(entry.GetPath(), "ab4");
}

TEST(KFileEntryUniqueName, FileWithoutExtensionAndDirectoriesCountAsUsed) {
  TempDir dir;
  CurrentDirGuard cwd(dir.path());
  WriteFile("part1", "");
  ASSERT_EQ(::mkdir("Part2.d", 0755), 0);
  WriteFile("part3x.dat", "");  // a longer name does not use part3
  KFileEntry entry;
  entry.MakeUniqueName("part", "dat", 1);
  EXPECT_EQ(entry.GetPath(), "part3.dat");
}

TEST(KFileEntryUniqueName, GarbageCounterFilesAreReadSafely) {
  TempDir dir;
  CurrentDirGuard cwd(dir.path());
  KFileEntry entry;

  WriteFile("keltravo.ctr", std::string("4\0\0\0"
                                        "99\n",
                                        7));
  entry.MakeUniqueName("p", nullptr, 1);
  EXPECT_EQ(entry.GetPath(), "p4");

  WriteFile("keltravo.ctr", "not a number");
  entry.MakeUniqueName("p", nullptr, 1);
  EXPECT_EQ(entry.GetPath(), "p0");
  EXPECT_EQ(ReadFile("keltravo.ctr"), "1\n");

  WriteFile("keltravo.ctr", "  12" + std::string(100000, '7'));
  entry.MakeUniqueName("q", nullptr, 1);
  // Only the first 79 characters are read, and their value saturates instead of overflowing.
  EXPECT_EQ(entry.GetPath(), "q2147483647");
  EXPECT_EQ(ReadFile("keltravo.ctr"), "2147483648\n");

  WriteFile("keltravo.ctr", "9");
  entry.MakeUniqueName("r", nullptr, 1);
  EXPECT_EQ(entry.GetPath(), "r9");
  EXPECT_EQ(ReadFile("keltravo.ctr"), "10\n");
}

TEST(KFileEntryUniqueName, ReadOnlyCounterFileIsLeftAsItWas) {
  TempDir dir;
  CurrentDirGuard cwd(dir.path());
  WriteFile("keltravo.ctr", "3\n");
  MakeReadOnly("keltravo.ctr");
  KFileEntry entry;
  entry.MakeUniqueName("p", nullptr, 1);
  EXPECT_EQ(entry.GetPath(), "p3");
  EXPECT_EQ(ReadFile("keltravo.ctr"), "3\n");
}

TEST(GetCurrentDirTest, ReturnsTheProcessDirectory) {
  TempDir dir;
  CurrentDirGuard cwd(dir.path());
  char buffer[4096];
  ASSERT_NE(::getcwd(buffer, sizeof buffer), nullptr);
  EXPECT_EQ(GetCurrentDir(), std::string(buffer));
}

}  // namespace
