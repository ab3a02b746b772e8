#include <gtest/gtest.h>

#include <filesystem>

#include "JobTestSupport.h"

#include <ktpm/platform/ProcessRun.h>

namespace ktpm::detail {
namespace {

using ktpm::jobtest::CurrentDirectory;
using ktpm::jobtest::ReadText;
using ktpm::jobtest::TempDir;

TEST(ProcessRun, RunsInTheCurrentDirectoryAndWaits) {
  TempDir dir;
  CurrentDirectory cwd(dir.path());
  EXPECT_EQ(RunCommandLineAndWait("/bin/sh -c \"sleep 0.1; echo done > out.txt; exit 4\""), 1);
  EXPECT_EQ(ReadText(dir / "out.txt"), "done\n");
}

TEST(ProcessRun, UnstartableCommandLinesGiveZero) {
  TempDir dir;
  CurrentDirectory cwd(dir.path());
  EXPECT_EQ(RunCommandLineAndWait(""), 0);
  EXPECT_EQ(RunCommandLineAndWait("/bin/echo \"open"), 0);
  EXPECT_EQ(RunCommandLineAndWait("no-such-program-ktpm -gui"), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace ktpm::detail
