#include <gtest/gtest.h>

#include <string>

#include "JobTestSupport.h"

#include <ktpm/analysis/JobServers.h>
#include <ktpm/analysis/KJobsManager.h>

namespace {

using ktpm::detail::DirectoryContainsPath;
using ktpm::jobtest::CurrentDirectory;
using ktpm::jobtest::ScopedEnvironment;
using ktpm::jobtest::TempDir;
using ktpm::jobtest::WriteText;

TEST(JobServers, DirectoryContainsPathAtBoundaries) {
  EXPECT_EQ(DirectoryContainsPath("/data/proj", "/data/proj"), 1);
  EXPECT_EQ(DirectoryContainsPath("/data/proj", "/data/proj/part.001"), 1);
  EXPECT_EQ(DirectoryContainsPath("/data/proj/", "/data/proj/part.001"), 1);
  EXPECT_EQ(DirectoryContainsPath("/DATA/Proj", "/data/proj/sub"), 1);
  EXPECT_EQ(DirectoryContainsPath("C:\\Proj\\", "c:/proj/a"), 1);
  EXPECT_EQ(DirectoryContainsPath("/", "/anything"), 1);
  EXPECT_EQ(DirectoryContainsPath("/data/proj", "/data/project2"), 0);
  EXPECT_EQ(DirectoryContainsPath("/data/proj", "/data"), 0);
  EXPECT_EQ(DirectoryContainsPath("", "/data"), 0);
}

// Servers come from the job manager's configuration in the registry file.
class JobServersFixture : public ::testing::Test {
 protected:
  JobServersFixture() : registry("KT_REGISTRY_FILE", temp / "registry.ini"), cwd(temp.path()) {
    WriteText(temp / "registry.ini",
              "[SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers\\hpc1\\DirMap]\n"
              "Local1=/elsewhere\n"
              "Remote1=/home/elsewhere\n"
              "Local2=" +
                  Upper(temp.path()) +
                  "\n"
                  "Remote2=/home/projects\n"
                  "[SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers\\gappy\\DirMap]\n"
                  "Local1=/elsewhere\n"
                  "Local3=" +
                  temp.path() +
                  "\n"
                  "[SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers\\nomap]\n"
                  "Note=no directory map\n");
    manager.SetLogDirectory(temp / "logs");
  }

  static std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  }

  TempDir temp;
  ScopedEnvironment registry;
  CurrentDirectory cwd;
  KJobsManager manager;
};

using JobServerMap = JobServersFixture;

TEST_F(JobServerMap, ListedServerSupportsMappedProjects) {
  EXPECT_EQ(manager.ServerSupportsPath("hpc1", nullptr), 1);
  EXPECT_EQ(manager.ServerSupportsPath("HPC1", (temp / "sub").c_str()), 1);
  EXPECT_EQ(manager.ServerSupportsPath("hpc1", "/somewhere/else"), 0);
}

TEST_F(JobServerMap, DirectoryMapEndsAtTheFirstGap) {
  EXPECT_EQ(ktpm::detail::IsKnownJobServer("gappy"), 1);
  EXPECT_EQ(manager.ServerSupportsPath("gappy", nullptr), 0);
  EXPECT_EQ(manager.ServerSupportsPath("gappy", "/elsewhere/p"), 1);
}

TEST_F(JobServerMap, ServerWithoutMapOrUnlistedIsRefused) {
  EXPECT_EQ(ktpm::detail::IsKnownJobServer("nomap"), 1);
  EXPECT_EQ(manager.ServerSupportsPath("nomap", nullptr), 0);
  EXPECT_EQ(manager.ServerSupportsPath("unlisted", nullptr), 0);
  EXPECT_EQ(ktpm::detail::IsKnownJobServer("hpc1\\DirMap"), 0);
  EXPECT_EQ(ktpm::detail::IsKnownJobServer(""), 0);
}

TEST_F(JobServerMap, ListedServerRunsJobsHere) {
  manager.SubmitJob("remote", "/bin/true", "remote-job", 27, 0, nullptr, "hpc1");
  manager.SubmitJob("bad", "/bin/true", "unlisted-job", 27, 0, nullptr, "unlisted");
  ASSERT_EQ(manager.WaitForIdle(20000), 1);
  auto jobs = manager.GetJobList();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].status, JOB_SUCCEEDED);
  EXPECT_EQ(jobs[0].server, "hpc1");
  EXPECT_EQ(jobs[1].status, JOB_NOT_STARTED);
}

}  // namespace
