#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"

#include <ktpm/platform/PathResolver.h>

namespace {

using ktpm::detail::ClearDirectoryCache;
using ktpm::detail::GetFoldedListing;
using ktpm::detail::ResolveExistingPath;
using ktpm::detail::ResolvePath;
using ktpm::test::AgeTimestamp;
using ktpm::test::CurrentDirGuard;
using ktpm::test::TempDir;
using ktpm::test::WriteFile;

TEST(ResolvePathTest, ExactSpellingFirstThenAnyCase) {
  TempDir dir;
  WriteFile(dir / "Part1.KWD", "");
  WriteFile(dir / "part1.kwd", "");
  // Both exist: the exact spelling is used as it is.
  EXPECT_EQ(ResolvePath(dir / "part1.kwd"), dir / "part1.kwd");
  EXPECT_EQ(ResolvePath(dir / "Part1.KWD"), dir / "Part1.KWD");
  // Neither spelled so: the first in listing order (upper-cased, then byte order).
  EXPECT_EQ(ResolvePath(dir / "PART1.kwd"), dir / "Part1.KWD");
  EXPECT_EQ(ResolvePath(dir / "missing.kwd"), dir / "missing.kwd");
  std::string resolved;
  EXPECT_FALSE(ResolveExistingPath(dir / "missing.kwd", resolved));
  EXPECT_EQ(resolved, dir / "missing.kwd");
}

TEST(ResolvePathTest, KeepsTheDirectoryAsGivenAndAcceptsBackslashes) {
  TempDir dir;
  WriteFile(dir / "Mesh.udm", "");
  EXPECT_EQ(ResolvePath(dir.path() + "\\MESH.UDM"), dir.path() + "\\Mesh.udm");
  CurrentDirGuard cwd(dir.path());
  EXPECT_EQ(ResolvePath("mesh.UDM"), "Mesh.udm");
  EXPECT_EQ(ResolvePath(""), "");
  EXPECT_EQ(ResolvePath("nodir/x"), "nodir/x");
}

TEST(ResolvePathTest, SeesAFileCreatedRightAfterAListing) {
  TempDir dir;
  WriteFile(dir / "a.txt", "");
  std::string resolved;
  EXPECT_FALSE(ResolveExistingPath(dir / "NEW.TXT", resolved));
  WriteFile(dir / "new.txt", "");
  EXPECT_TRUE(ResolveExistingPath(dir / "NEW.TXT", resolved));
  EXPECT_EQ(resolved, dir / "new.txt");
  ::unlink((dir / "new.txt").c_str());
  EXPECT_FALSE(ResolveExistingPath(dir / "NEW.TXT", resolved));
}

TEST(ResolvePathTest, SettledListingIsCachedAndStillNeverStale) {
  TempDir dir;
  WriteFile(dir / "a.txt", "");
  AgeTimestamp(dir.path());
  ClearDirectoryCache();
  auto first = GetFoldedListing(dir.path());
  auto second = GetFoldedListing(dir.path());
  // A directory untouched for a while is listed once.
  EXPECT_EQ(first.get(), second.get());

  // A change made right away moves the directory's time and is seen at once.
  WriteFile(dir / "b.txt", "");
  auto third = GetFoldedListing(dir.path());
  EXPECT_NE(third.get(), first.get());
  ASSERT_NE(third->Find("B.TXT"), nullptr);
  EXPECT_EQ(*third->Find("B.TXT"), "b.txt");
  // Listed within the same tick as that change: not trusted, so read again next time.
  EXPECT_NE(GetFoldedListing(dir.path()).get(), third.get());
}

TEST(ResolvePathTest, ReplacedDirectoryWithTheSameTimeIsListedAgain) {
  TempDir dir;
  ::mkdir((dir / "d").c_str(), 0755);
  WriteFile(dir / "d/One.txt", "");
  AgeTimestamp(dir / "d");
  ClearDirectoryCache();
  EXPECT_EQ(ResolvePath(dir / "d/ONE.TXT"), dir / "d/One.txt");
  struct stat before;
  ASSERT_EQ(::stat((dir / "d").c_str(), &before), 0);
  // Another directory under the same name with the same time stamp.
  ASSERT_EQ(::rename((dir / "d").c_str(), (dir / "old").c_str()), 0);
  ::mkdir((dir / "d").c_str(), 0755);
  WriteFile(dir / "d/Two.txt", "");
  struct timespec times[2] = {before.st_mtim, before.st_mtim};
  ::utimensat(AT_FDCWD, (dir / "d").c_str(), times, 0);
  EXPECT_EQ(ResolvePath(dir / "d/two.TXT"), dir / "d/Two.txt");
  EXPECT_EQ(ResolvePath(dir / "d/ONE.TXT"), dir / "d/ONE.TXT");
}

TEST(ResolvePathTest, ThreadsResolveWhileTheDirectoryChanges) {
  TempDir dir;
  WriteFile(dir / "Fixed.txt", "");
  std::vector<std::thread> threads;
  std::vector<int> wrong(3, 0);
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        if (ResolvePath(dir / "FIXED.TXT") != dir / "Fixed.txt") ++wrong[t];
        if (t == 0) WriteFile(dir / ("New" + std::to_string(i)), "");
        if (i % 100 == 0) ClearDirectoryCache();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(3, 0));
  EXPECT_EQ(ResolvePath(dir / "new299"), dir / "New299");
}

TEST(FoldedListingTest, StemMatchesThePatternOfTheFileFinder) {
  using Entry = ktpm::detail::FoldedListing::Entry;
  ktpm::detail::FoldedListing listing(
      {Entry{"PART1.DAT", "part1.dat", false}, Entry{"PART12", "Part12", false},
       Entry{"PART2X.DAT", "part2x.dat", false}, Entry{"PART3", "part3", true}});
  EXPECT_TRUE(listing.HasStem("part1"));
  EXPECT_TRUE(listing.HasStem("PART12"));
  EXPECT_FALSE(listing.HasStem("part2"));
  EXPECT_TRUE(listing.HasStem("part3"));
  EXPECT_FALSE(listing.HasStem("part4"));
  EXPECT_FALSE(listing.HasStem("par"));
}

}  // namespace
