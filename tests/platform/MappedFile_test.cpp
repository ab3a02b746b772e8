#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "RegistryEnv.h"
#include "TempDir.h"

#include <ktpm/platform/FileModes.h>
#include <ktpm/platform/MappedFile.h>

namespace {

using ktpm::test::NetworkGuard;
using ktpm::test::RegistryFileGuard;
using ktpm::test::TempDir;

constexpr const char* kNfs = "NFS";
constexpr const char* kWindows = "Microsoft Windows Network";

std::string DirMap(const std::string& server, const std::string& values) {
  return "[SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers\\" + server + "\\DirMap]\n" + values;
}

TEST(IsWindowsHostedPathTest, LocalPathsAreTextWithoutAskingTheNetwork) {
  NetworkGuard network;
  EXPECT_EQ(IsWindowsHostedPath(nullptr), 1);
  EXPECT_EQ(IsWindowsHostedPath(""), 1);
  EXPECT_EQ(IsWindowsHostedPath("C:\\proj\\a.kwd"), 1);
  EXPECT_EQ(network.fake().universalCalls, 0);
  EXPECT_EQ(IsWindowsHostedPath("/local/proj/a.kwd"), 1);
  EXPECT_EQ(IsWindowsHostedPath("D:\\proj\\a.kwd"), 1);
  EXPECT_EQ(network.fake().universalCalls, 2);
  EXPECT_EQ(network.fake().resourceCalls, 0);
}

TEST(IsWindowsHostedPathTest, ClassifiesByProviderAndCachesWholeShares) {
  NetworkGuard network;
  RegistryFileGuard registry;
  network.fake().AddMount("/net/unix", "//unixsrv/proj", kNfs);
  network.fake().AddMount("/net/win", "//winsrv/proj", kWindows);
  network.fake().AddMount("/net/other", "//novell/proj", "NetWare Services");
  network.fake().AddMount("/net/anon", "//anon/proj", "");

  EXPECT_EQ(IsWindowsHostedPath("/net/unix/a.kwd"), 0);
  EXPECT_EQ(IsWindowsHostedPath("/net/win/a.kwd"), 1);
  EXPECT_EQ(IsWindowsHostedPath("/net/other/a.kwd"), 0);
  EXPECT_EQ(IsWindowsHostedPath("/net/anon/a.kwd"), 0);
  EXPECT_EQ(network.fake().resourceCalls, 4);

  // Every other path on a known share comes from the cache.
  EXPECT_EQ(IsWindowsHostedPath("/net/unix/sub/b.kwd"), 0);
  EXPECT_EQ(IsWindowsHostedPath("/net/win/sub/b.kwd"), 1);
  EXPECT_EQ(network.fake().resourceCalls, 4);
}

TEST(IsWindowsHostedPathTest, UniversalPathsAreClassifiedWithoutRewriting) {
  NetworkGuard network;
  network.fake().AddMount("/unused", "//unixsrv/proj", kNfs);
  EXPECT_EQ(IsWindowsHostedPath("\\\\unixsrv\\proj\\a.kwd"), 0);
  EXPECT_EQ(IsWindowsHostedPath("//unixsrv/proj/b.kwd"), 0);
  EXPECT_EQ(network.fake().universalCalls, 0);
}

TEST(IsWindowsHostedPathTest, RelativePathsAreMadeAbsoluteFirst) {
  NetworkGuard network;
  TempDir dir;
  ktpm::test::CurrentDirGuard cwd(dir.path());
  network.fake().AddMount(dir.path(), "//unixsrv/proj", kNfs);
  EXPECT_EQ(IsWindowsHostedPath("sub/../a.kwd"), 0);
}

TEST(IsWindowsHostedPathTest, FailedQueryRecordsNothing) {
  NetworkGuard network;
  network.fake().AddMount("/net/win", "//winsrv/proj", kWindows);
  network.fake().FailResourceQueries(true);
  EXPECT_EQ(IsWindowsHostedPath("/net/win/a.kwd"), 0);
  network.fake().FailResourceQueries(false);
  // Nothing was cached by the failure, so the share is asked about again and is Windows.
  EXPECT_EQ(IsWindowsHostedPath("/net/win/a.kwd"), 1);
  EXPECT_EQ(network.fake().resourceCalls, 2);
}

TEST(IsWindowsHostedPathTest, ShareNamesMatchWholeComponents) {
  NetworkGuard network;
  network.fake().AddMount("/net/a", "//srv/a", kNfs);
  network.fake().AddMount("/net/ab", "//srv/ab", kWindows);
  EXPECT_EQ(IsWindowsHostedPath("/net/a/x"), 0);
  EXPECT_EQ(IsWindowsHostedPath("/net/ab/x"), 1);
}

TEST(IsWindowsHostedPathTest, DirectoryMapSendsWindowsSharesToUnix) {
  NetworkGuard network;
  RegistryFileGuard registry;
  network.fake().AddMount("/net/win", "//winsrv/proj", kWindows);
  registry.Write(DirMap("hpc1", "Local1=/NET/WIN/Mapped\nRemote1=/home/proj\n"));
  EXPECT_EQ(IsWindowsHostedPath("/net/win/mapped/a.kwd"), 0);
  // The cache holds the whole share: outside the mapped directory it is binary too.
  EXPECT_EQ(IsWindowsHostedPath("/net/win/elsewhere/a.kwd"), 0);
}

TEST(IsWindowsHostedPathTest, DirectoryMapToADriveStaysText) {
  NetworkGuard network;
  RegistryFileGuard registry;
  network.fake().AddMount("/net/win", "//winsrv/proj", kWindows);
  registry.Write(DirMap("pc", "Local1=/net/win\nRemote1=E:\\proj\n") +
                 DirMap("hpc", "Local1=/net/win/other\nRemote1=/home\n"));
  EXPECT_EQ(IsWindowsHostedPath("/net/win/a.kwd"), 1);
  // The share is cached as Windows-hosted, also for the directory the second server maps.
  EXPECT_EQ(IsWindowsHostedPath("/net/win/other/a.kwd"), 1);
}

TEST(IsWindowsHostedPathTest, DirectoryMapSearchContinuesPastANonUnixMatch) {
  NetworkGuard network;
  RegistryFileGuard registry;
  network.fake().AddMount("/net/win", "//winsrv/proj", kWindows);
  registry.Write(DirMap("pc", "Local1=/net/win\nRemote1=E:\\proj\n") +
                 DirMap("hpc", "Local1=/net/win/sub\nRemote1=/home\n"));
  EXPECT_EQ(IsWindowsHostedPath("/net/win/sub/a.kwd"), 0);
}

TEST(IsWindowsHostedPathTest, DirectoryMapStopsAtTheFirstGap) {
  NetworkGuard network;
  RegistryFileGuard registry;
  network.fake().AddMount("/net/win", "//winsrv/proj", kWindows);
  registry.Write(DirMap("hpc", "Local1=/elsewhere\nRemote1=/x\nLocal3=/net/win\nRemote3=/y\n"));
  EXPECT_EQ(IsWindowsHostedPath("/net/win/a.kwd"), 1);
}

TEST(IsWindowsHostedPathTest, OverlongRegistryValueEndsTheServerList) {
  NetworkGuard network;
  RegistryFileGuard registry;
  network.fake().AddMount("/net/win", "//winsrv/proj", kWindows);
  const std::string longLocal = "/net/win/" + std::string(252, 'd');  // 261 bytes
  registry.Write(DirMap("hpc", "Local1=" + longLocal +
                                   "\nRemote1=/x\nLocal2=/net/win\n"
                                   "Remote2=/y\n"));
  EXPECT_EQ(IsWindowsHostedPath("/net/win/a.kwd"), 1);
}

TEST(IsWindowsHostedPathTest, ThreadsClassifyConcurrently) {
  NetworkGuard network;
  RegistryFileGuard registry;
  network.fake().AddMount("/net/unix", "//unixsrv/proj", kNfs);
  network.fake().AddMount("/net/win", "//winsrv/proj", kWindows);
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < 200; ++i) {
        const std::string name = "/f" + std::to_string(t * 1000 + i);
        if (IsWindowsHostedPath("/net/unix" + name) != 0) ++wrong[t];
        if (IsWindowsHostedPath("/net/win" + name) != 1) ++wrong[t];
        if (i % 50 == 0) ClearShareCache();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

TEST(GetUniversalPathTest, RewritesWithinTheBuffer) {
  NetworkGuard network;
  network.fake().AddMount("/net/unix", "//unixsrv/proj", kNfs);
  char path[KT_MAX_PATH] = "/net/unix/a.kwd";
  EXPECT_EQ(GetUniversalPath(path), 1);
  EXPECT_STREQ(path, "//unixsrv/proj/a.kwd");

  char local[KT_MAX_PATH] = "/local/a.kwd";
  EXPECT_EQ(GetUniversalPath(local), 0);
  EXPECT_STREQ(local, "/local/a.kwd");

  // A universal form that would not fit the buffer leaves the path alone and counts as local.
  network.fake().AddMount("/net/long", "//srv/" + std::string(250, 's'), kNfs);
  char longer[KT_MAX_PATH] = "/net/long/a.kwd";
  EXPECT_EQ(GetUniversalPath(longer), 0);
  EXPECT_STREQ(longer, "/net/long/a.kwd");
  std::string unbounded = "/net/long/a.kwd";
  EXPECT_EQ(GetUniversalPath(unbounded), 1);
  EXPECT_EQ(unbounded, "//srv/" + std::string(250, 's') + "/a.kwd");

  // A buffer without its terminating null is not read past its end.
  char unterminated[KT_MAX_PATH];
  std::memset(unterminated, 'x', sizeof unterminated);
  EXPECT_EQ(GetUniversalPath(unterminated), 0);
}

TEST(MappedFopenTest, BinaryModeRewriting) {
  using ktpm::detail::BinaryModeOf;
  EXPECT_EQ(BinaryModeOf("r"), "rb");
  EXPECT_EQ(BinaryModeOf("w"), "wb");
  EXPECT_EQ(BinaryModeOf("rt"), "rb");
  EXPECT_EQ(BinaryModeOf("wt"), "wb");
  EXPECT_EQ(BinaryModeOf("a+"), "a+b");
  EXPECT_EQ(BinaryModeOf("r+t"), "r+b");
  EXPECT_EQ(BinaryModeOf("w+tcx"), "w+bc");
  EXPECT_EQ(BinaryModeOf("rb"), "rbb");
}

TEST(MappedFopenTest, OpensByAnyCaseAndHonoursReadOnly) {
  TempDir dir;
  ktpm::test::WriteFile(dir / "Label.txt", "hello\n");
  FILE* file = MappedFopen(dir / "LABEL.TXT", "r");
  ASSERT_NE(file, nullptr);
  char line[16] = {};
  ASSERT_NE(std::fgets(line, sizeof line, file), nullptr);
  EXPECT_STREQ(line, "hello\n");
  std::fclose(file);

  // Writing another spelling of an existing name writes that file.
  file = MappedFopen(dir / "label.TXT", "w");
  ASSERT_NE(file, nullptr);
  std::fputs("bye\n", file);
  std::fclose(file);
  EXPECT_EQ(ktpm::test::ReadFile(dir / "Label.txt"), "bye\n");
  EXPECT_FALSE(ktpm::test::PathExists(dir / "label.TXT"));

  ktpm::test::MakeReadOnly(dir / "Label.txt");
  for (const char* mode : {"w", "a", "r+", "wt"}) {
    errno = 0;
    EXPECT_EQ(MappedFopen(dir / "Label.txt", mode), nullptr) << mode;
    EXPECT_EQ(errno, EACCES);
  }
  file = MappedFopen(dir / "Label.txt", "r");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(ktpm::test::ReadFile(dir / "Label.txt"), "bye\n");
}

}  // namespace
