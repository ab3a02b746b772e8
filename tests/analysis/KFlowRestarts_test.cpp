#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "projtree/ScratchProject.h"
#include "report/CommaDecimalLocale.h"

#include <ktpm/analysis/KFlowRestarts.h>
#include <ktpm/platform/Resources.h>

namespace {

using ktpm::test::ScratchProject;

// Puts stand-in conversion programs first on the program search path: each writes its
// arguments, one a line, to "<program>.args" in the current directory and, when given
// "-output NAME", writes "MADE: 1" to NAME.
class FakePrograms {
 public:
  explicit FakePrograms(const ScratchProject& project)
      : m_searchPath("KT_TOOLS_DIR", (project.Path() / "bin").string()) {
    std::filesystem::create_directory(project.Path() / "bin");
    for (const char* program : {"ktl", "mold3d"}) {
      project.Write(std::string("bin/") + program,
                    std::string("#!/bin/sh\nprintf '%s\\n' \"$@\" > ") + program +
                        ".args\nwhile [ $# -gt 0 ]; do\n"
                        "  if [ \"$1\" = -output ]; then echo 'MADE: 1' > \"$2\"; fi\n"
                        "  shift\ndone\n");
      std::filesystem::permissions(project.Path() / "bin" / program,
                                   std::filesystem::perms::owner_all);
    }
  }

 private:
  ktpm::test::ScopedEnvironment m_searchPath;
};

// Sets a file's modification time relative to now.
void SetAge(const ScratchProject& project, const std::string& name, std::chrono::seconds age) {
  std::filesystem::last_write_time(project.Path() / name,
                                   std::filesystem::file_time_type::clock::now() - age);
}

// --- Restart files -------------------------------------------------------------------------------

TEST(KFlowRestarts, ListsFillRestartsThenThePackingSeries) {
  ScratchProject project;
  for (const char* name : {"part.fr0", "part.fr1", "part.pr0", "other.fr2"}) {
    project.Write(name, "");
  }
  KFlowRestarts restarts("part.fsu");
  ASSERT_EQ(restarts.GetCount(), 3);
  EXPECT_EQ(restarts.GetFilename(0), "part.fr1");
  EXPECT_EQ(restarts.GetFilename(1), "part.fr0");
  EXPECT_EQ(restarts.GetFilename(2), "part.pr0");
  EXPECT_EQ(restarts.GetDescription(0), "Fill restart 1");
  EXPECT_EQ(restarts.GetDescription(1), "End of fill");
  EXPECT_EQ(restarts.GetDescription(2), "End of pack");
  EXPECT_EQ(restarts.GetType(0), -1);
  EXPECT_EQ(restarts.GetType(1), 0);
  EXPECT_EQ(restarts.GetType(2), 1);
  EXPECT_EQ(restarts.GetPoint(0).first, -1.0);
  EXPECT_EQ(restarts.GetPoint(0).second, 0.0);
  EXPECT_EQ(restarts.IsCuring(), 0);
  EXPECT_EQ(restarts.GetIndexByFilename("PART.FR0"), 1);
  EXPECT_EQ(restarts.GetIndexByFilename("part.fr2"), -1);
}

TEST(KFlowRestarts, CuringSeriesReplacesThePackingSeries) {
  ScratchProject project;
  for (const char* name : {"part.kr1", "part.kr2", "part.pr3", "part.kr0"}) project.Write(name, "");
  KFlowRestarts restarts("part.ksu");
  ASSERT_EQ(restarts.GetCount(), 3);
  EXPECT_EQ(restarts.IsCuring(), 1);
  EXPECT_EQ(restarts.GetFilename(0), "part.kr1");
  EXPECT_EQ(restarts.GetFilename(1), "part.kr2");
  EXPECT_EQ(restarts.GetFilename(2), "part.kr0");
  EXPECT_EQ(restarts.GetDescription(0), "Pack restart 1");
  EXPECT_EQ(restarts.GetDescription(2), "End of cure");
}

TEST(KFlowRestarts, PackingFilesBeforeTheFirstGapStayPackingRestarts) {
  ScratchProject project;
  for (const char* name : {"part.pr1", "part.kr2", "part.pr3"}) project.Write(name, "");
  KFlowRestarts restarts("part.psu");
  ASSERT_EQ(restarts.GetCount(), 2);
  EXPECT_EQ(restarts.GetFilename(0), "part.pr1");
  EXPECT_EQ(restarts.GetFilename(1), "part.kr2");
  EXPECT_EQ(restarts.IsCuring(), 1);
}

TEST(KFlowRestarts, ResultWithoutRestartFilesHasNoPoints) {
  ScratchProject project;
  KFlowRestarts restarts("part.fsu");
  EXPECT_EQ(restarts.GetCount(), 0);
  EXPECT_EQ(restarts.GetDescription(0), "");
  EXPECT_EQ(restarts.GetFilename(-1), "");
  EXPECT_EQ(restarts.GetType(3), -1);
  EXPECT_EQ(KFlowRestarts().GetCount(), 0);
}

TEST(KFlowRestarts, DescriptionOfARestartFileByItsName) {
  EXPECT_EQ(KFlowRestarts::GetDescription("part.fr0"), "End of fill");
  EXPECT_EQ(KFlowRestarts::GetDescription("part.fr7"), "Fill restart 7");
  EXPECT_EQ(KFlowRestarts::GetDescription("part.pr3"), "Pack restart 3");
  EXPECT_EQ(KFlowRestarts::GetDescription("part.pr0"), "End of pack");
  EXPECT_EQ(KFlowRestarts::GetDescription("part.kr0"), "End of cure");
  EXPECT_EQ(KFlowRestarts::GetDescription("part.kr4"), "Pack restart 4");
  // A name without extension reads as a packing point numbered 1.
  EXPECT_EQ(KFlowRestarts::GetDescription("part"), "Pack restart 1");
  // Dots in the base name do not hide the restart kind.
  EXPECT_EQ(KFlowRestarts::GetDescription("part.v2.fr1"), "Fill restart 1");
  EXPECT_EQ(KFlowRestarts::GetDescription("run.dir/part.fr0"), "End of fill");
}

TEST(KFlowRestarts, DescriptionSurvivesHostileNames) {
  EXPECT_EQ(KFlowRestarts::GetDescription(""), "Pack restart 1");
  EXPECT_EQ(KFlowRestarts::GetDescription("part."), "End of pack");
  EXPECT_EQ(KFlowRestarts::GetDescription("part.fr99999999999999999999"),
            "Fill restart 2147483647");
  // A negative number reads as a time.
  EXPECT_EQ(KFlowRestarts::GetDescription("part.fr-5"), "5.00 sec - 0.00% full");
}

TEST(KFlowRestarts, TextsFromAReplacedStringTableAreNeverUsedAsFormats) {
  const std::string original = GetResourceString(18023);
  SetResourceString(18023, "%s%n%x restart %d of %d, 100%%");
  EXPECT_EQ(KFlowRestarts::GetDescription("part.fr2"), "%s%n%x restart 2 of %d, 100%");
  SetResourceString(18023, original);
  EXPECT_EQ(KFlowRestarts::GetDescription("part.fr2"), "Fill restart 2");
}

TEST(KFlowRestarts, GenerateKeywordFileRunsTheFlowConverter) {
  ScratchProject project;
  FakePrograms programs(project);
  project.Write("part.fr1", "");
  KFlowRestarts restarts("part.fsu");
  restarts.GenerateKeywordFile(0, "next.001");
  EXPECT_EQ(project.Read("ktl.args"), "-restokey\n-input\npart.fr1\n-output\nnext.001\n-gui\n");
  EXPECT_EQ(project.Read("next.001"), "MADE: 1\n");
  std::filesystem::remove(project.Path() / "ktl.args");
  restarts.GenerateKeywordFile(1, "other.001");
  EXPECT_FALSE(project.Exists("ktl.args"));
}

// --- 3D results ----------------------------------------------------------------------------------

TEST(KFlow3DRestarts, PointsAfterTheEndOfFillingArePackingPoints) {
  ScratchProject project;
  project.Write("run.m3r", "");
  project.Write("run.099",
                "MOLD3D_RESTART_AVAILABLE_TIMES: 0.1 0.05 0.5 0.4\t1.2 1.0 2.0 0.7 3.5\n");
  SetAge(project, "run.m3r", std::chrono::seconds(60));
  KFlow3DRestarts restarts("run.m3r");
  ASSERT_EQ(restarts.GetCount(), 4);
  EXPECT_EQ(restarts.GetDescription(0), "0.50 sec - 40.00% full");
  EXPECT_EQ(restarts.GetDescription(1), "1.20 sec - End of fill");
  EXPECT_EQ(restarts.GetDescription(2), "2.00 sec - Packing phase");
  EXPECT_EQ(restarts.GetDescription(3), "3.50 sec - Packing phase");
  EXPECT_EQ(restarts.GetType(0), -1);
  EXPECT_EQ(restarts.GetType(1), 0);
  EXPECT_EQ(restarts.GetType(3), 1);
  EXPECT_EQ(restarts.GetFilename(2), "run.m3r");
  EXPECT_EQ(restarts.GetFilename(99), "run.m3r");
  EXPECT_EQ(restarts.GetIndexByFilename("RUN.M3R"), 0);
}

TEST(KFlow3DRestarts, TimesAndDescriptionsAreTheSameUnderACommaDecimalLocale) {
  ScratchProject project;
  project.Write("run.m3r", "");
  project.Write("run.099", "MOLD3D_RESTART_AVAILABLE_TIMES: 0.1 0.05 1.25 0.375 2.5e0 1.0\n");
  SetAge(project, "run.m3r", std::chrono::seconds(60));
  ktpm::test::CommaDecimalLocale locale;
  if (!locale.installed()) GTEST_SKIP() << ktpm::test::CommaDecimalLocale::kName << " missing";
  KFlow3DRestarts restarts("run.m3r");
  ASSERT_EQ(restarts.GetCount(), 2);
  EXPECT_EQ(restarts.GetPoint(0).first, 1.25);
  EXPECT_EQ(restarts.GetPoint(0).second, 0.375);
  EXPECT_EQ(restarts.GetPoint(1).first, 2.5);
  EXPECT_EQ(restarts.GetDescription(0), "1.25 sec - 37.50% full");
  EXPECT_EQ(restarts.GetDescription(1), "2.50 sec - End of fill");
}

TEST(KFlow3DRestarts, FilledFirstPointMakesEveryLaterPointAPackingPoint) {
  ScratchProject project;
  project.Write("run.m3r", "");
  project.Write("run.099", "MOLD3D_RESTART_AVAILABLE_TIMES: 0.2 1.0 0.4 0.5 0.6 1.0\n");
  SetAge(project, "run.m3r", std::chrono::seconds(60));
  KFlow3DRestarts restarts("run.m3r");
  ASSERT_EQ(restarts.GetCount(), 2);
  EXPECT_EQ(restarts.GetPoint(0).second, -1.0);
  EXPECT_EQ(restarts.GetPoint(1).second, -1.0);
  EXPECT_EQ(restarts.GetDescription(0), "0.40 sec - Packing phase");
}

TEST(KFlow3DRestarts, OddTokenCountAndEmptyListAreHandled) {
  ScratchProject project;
  project.Write("a.m3r", "");
  project.Write("a.099", "MOLD3D_RESTART_AVAILABLE_TIMES: 0.1 0.2 0.7\n");
  project.Write("b.m3r", "");
  project.Write("b.099", "OTHER: 1\n");
  SetAge(project, "a.m3r", std::chrono::seconds(60));
  SetAge(project, "b.m3r", std::chrono::seconds(60));
  KFlow3DRestarts odd("a.m3r");
  ASSERT_EQ(odd.GetCount(), 1);
  EXPECT_EQ(odd.GetPoint(0).first, 0.7);
  EXPECT_EQ(odd.GetPoint(0).second, 0.0);
  EXPECT_EQ(odd.GetDescription(0), "0.70 sec - 0.00% full");
  EXPECT_EQ(KFlow3DRestarts("b.m3r").GetCount(), 0);
}

TEST(KFlow3DRestarts, TimesFileIsUsedWhenItIsNotOlderThanTheResult) {
  ScratchProject project;
  FakePrograms programs(project);
  EXPECT_EQ(KFlow3DRestarts::GetAvailFile("noext"), "");
  EXPECT_EQ(KFlow3DRestarts::GetAvailFile("missing.m3r"), "");
  project.Write("run.m3r", "");
  project.Write("run.099", "MOLD3D_RESTART_AVAILABLE_TIMES: 1 0.5\n");
  SetAge(project, "run.m3r", std::chrono::seconds(60));
  EXPECT_EQ(KFlow3DRestarts::GetAvailFile("run.m3r"), "run.099");
  EXPECT_FALSE(project.Exists("mold3d.args"));
}

TEST(KFlow3DRestarts, StaleOrMissingTimesFileIsMadeByThe3DSolver) {
  ScratchProject project;
  FakePrograms programs(project);
  project.Write("run.m3r", "");
  project.Write("run.099", "old");
  SetAge(project, "run.099", std::chrono::seconds(60));
  EXPECT_EQ(KFlow3DRestarts::GetAvailFile("run.m3r"), "run.099");
  EXPECT_EQ(project.Read("mold3d.args"), "-m3ravail\nrun.m3r\n-output\nrun.099\n");
  EXPECT_EQ(project.Read("run.099"), "MADE: 1\n");
}

TEST(KFlow3DRestarts, WriteProtectedProjectGetsNoTimesFile) {
  ScratchProject project;
  FakePrograms programs(project);
  project.Write("run.m3r", "");
  std::filesystem::permissions(project.Path(), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  const std::string avail = KFlow3DRestarts::GetAvailFile("run.m3r");
  std::filesystem::permissions(project.Path(), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(avail, "");
  EXPECT_FALSE(project.Exists("mold3d.args"));
}

TEST(KFlow3DRestarts, GenerateKeywordFilePassesTheTimeIndexFromTwo) {
  ScratchProject project;
  FakePrograms programs(project);
  project.Write("run.m3r", "");
  project.Write("run.099", "MOLD3D_RESTART_AVAILABLE_TIMES: 0.1 0.1 0.2 0.2\n");
  SetAge(project, "run.m3r", std::chrono::seconds(60));
  KFlow3DRestarts restarts("run.m3r");
  restarts.GenerateKeywordFile(0, "next.090");
  EXPECT_EQ(project.Read("mold3d.args"), "-m3rtokey\nrun.m3r\n-itime\n2\n-output\nnext.090\n");
  EXPECT_EQ(project.Read("next.090"), "MADE: 1\n");
}

}  // namespace
