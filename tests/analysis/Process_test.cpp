#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "JobTestSupport.h"

#include <ktpm/platform/Process.h>

namespace ktpm::detail {
namespace {

using ktpm::jobtest::ReadText;
using ktpm::jobtest::ScopedEnvironment;
using ktpm::jobtest::TempDir;
using ktpm::jobtest::WriteText;

void MakeProgram(const std::string& path) {
  WriteText(path, "#!/bin/sh\nexit 0\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

TEST(Process, ToolsDirectoryComesBeforePath) {
  TempDir dir;
  std::filesystem::create_directories(dir / "tools");
  std::filesystem::create_directories(dir / "bin");
  ScopedEnvironment tools("KT_TOOLS_DIR", dir / "tools");
  ScopedEnvironment path("PATH", dir / "bin" + "::/usr/bin");
  EXPECT_EQ(GetProgramSearchPath(),
            (std::vector<std::string>{dir / "tools", dir / "bin", "/usr/bin"}));
  MakeProgram(dir / "bin/ktl");
  EXPECT_EQ(FindProgram("ktl", GetProgramSearchPath(), ""), dir / "bin/ktl");
  MakeProgram(dir / "tools/ktl");
  EXPECT_EQ(FindProgram("ktl", GetProgramSearchPath(), ""), dir / "tools/ktl");
}

TEST(Process, FindProgramSkipsWhatCannotRun) {
  TempDir dir;
  std::filesystem::create_directories(dir / "a/ktl");  // a directory of that name
  std::filesystem::create_directories(dir / "b");
  WriteText(dir / "b/ktl", "not executable\n");
  std::filesystem::permissions(dir / "b/ktl", std::filesystem::perms::owner_read);
  MakeProgram(dir / "c");
  std::vector<std::string> searchPath = {dir / "a", dir / "b"};
  EXPECT_EQ(FindProgram("ktl", searchPath, ""), "");
  EXPECT_EQ(FindProgram("", searchPath, ""), "");
  // A name with a directory is taken as it is, relative to the job's directory; the project
  // directory itself is never searched for a bare name.
  EXPECT_EQ(FindProgram("./c", {}, dir.path()), dir / "./c");
  EXPECT_EQ(FindProgram("c", {}, dir.path()), "");
  EXPECT_EQ(FindProgram(dir / "c", {}, "/"), dir / "c");
}

TEST(Process, ChildRunsInItsDirectoryAndReportsItsEnd) {
  TempDir dir;
  SpawnResult started =
      SpawnProcess({"/bin/sh",
                    {"sh", "-c", "pwd; echo oops 1>&2; read x || echo no-input; exit 7"},
                    dir.path(),
                    dir / "out.log"});
  ASSERT_GT(started.pid, 0) << started.error;
  ProcessExit exit = WaitForProcess(started.pid);
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.code, 7);
  EXPECT_EQ(DescribeProcessExit(exit), "exit status 7");
  EXPECT_EQ(ReadText(dir / "out.log"),
            std::filesystem::canonical(dir.path()).string() + "\noops\nno-input\n");
}

TEST(Process, SignalledChildAndItsGroup) {
  TempDir dir;
  SpawnResult started = SpawnProcess({"/bin/sleep", {"sleep", "60"}, "", ""});
  ASSERT_GT(started.pid, 0);
  EXPECT_EQ(IsProcessAlive(started.pid), 1);
  EXPECT_EQ(KillProcessGroup(started.pid), 1);
  EXPECT_EQ(WaitForProcessEnd(started.pid), 1);
  EXPECT_EQ(IsProcessAlive(started.pid), 0);  // a zombie until reaped
  ProcessExit exit = WaitForProcess(started.pid);
  EXPECT_FALSE(exit.exited);
  EXPECT_EQ(exit.signal, 9);
  EXPECT_EQ(DescribeProcessExit(exit).rfind("ended by signal 9 (", 0), 0u);
  EXPECT_EQ(KillProcessGroup(started.pid), 0);
  EXPECT_EQ(TerminateProcessGroup(0), 0);
  EXPECT_EQ(TerminateProcessGroup(1), 0);
}

TEST(Process, StartFailuresAreReported) {
  TempDir dir;
  EXPECT_EQ(SpawnProcess({"", {"x"}, "", ""}).error, "no program to start");
  SpawnResult missingDirectory = SpawnProcess({"/bin/true", {"true"}, dir / "gone", ""});
  EXPECT_EQ(missingDirectory.pid, -1);
  EXPECT_NE(missingDirectory.error.find("cannot start /bin/true"), std::string::npos);
  SpawnResult badLog = SpawnProcess({"/bin/true", {"true"}, "", dir / "gone/out.log"});
  EXPECT_EQ(badLog.pid, -1);
  EXPECT_NE(badLog.error.find("cannot open the output file"), std::string::npos);
  EXPECT_EQ(WaitForProcess(-5).exited, false);
  EXPECT_NE(WaitForProcess(-5).error, "");
}

TEST(Process, DirectoriesAndAppendedFiles) {
  TempDir dir;
  EXPECT_EQ(MakeDirectories(dir / "a/b/c", 0700), 1);
  EXPECT_EQ(MakeDirectories(dir / "a/b/c", 0700), 1);
  WriteText(dir / "file", "x");
  EXPECT_EQ(MakeDirectories(dir / "file/sub", 0700), 0);
  EXPECT_EQ(MakeDirectories("", 0700), 0);
  EXPECT_EQ(AppendToFile(dir / "a/log", "one\n"), 1);
  EXPECT_EQ(AppendToFile(dir / "a/log", "two\n"), 1);
  EXPECT_EQ(ReadText(dir / "a/log"), "one\ntwo\n");
  EXPECT_EQ(AppendToFile(dir / "nowhere/log", "x"), 0);
  EXPECT_GE(GetProcessorCount(), 1);
  EXPECT_FALSE(GetHostName().empty());
}

}  // namespace
}  // namespace ktpm::detail
