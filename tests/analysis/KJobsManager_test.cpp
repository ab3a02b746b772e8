#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "JobTestSupport.h"

#include <ktpm/analysis/KJobsManager.h>
#include <ktpm/platform/Process.h>

namespace {

using ktpm::jobtest::CurrentDirectory;
using ktpm::jobtest::ReadText;
using ktpm::jobtest::TempDir;
using ktpm::jobtest::WaitUntil;

constexpr int kDeadline = 20000;

// A manager whose logs go to the test's directory, with the handler calls it saw.
class JobsFixture : public ::testing::Test {
 protected:
  JobsFixture()
      : project(temp.path() + "/project"),
        cwd((std::filesystem::create_directory(project), project)) {
    manager.SetLogDirectory(temp / "logs");
    manager.SetAbortGracePeriod(200);
    manager.SetJobEndedHandler([this](const std::string& name, int ok) {
      std::lock_guard<std::mutex> lock(mutex);
      ended.emplace_back(name, ok);
    });
  }

  void Submit(const std::string& name, const std::string& commandLine, int batch = 0,
              void* after = nullptr, const char* server = nullptr) {
    manager.SubmitJob("test job " + name, commandLine, name, 27, batch, after, server);
  }

  int32_t StatusOf(const std::string& name) const {
    for (const KJobRecord& record : manager.GetJobList())
      if (record.name == name) return record.status;
    return -1;
  }

  std::string LogOf(const std::string& name) const {
    for (const KJobRecord& record : manager.GetJobList())
      if (record.name == name) return ReadText(record.logFile);
    return {};
  }

  std::vector<std::pair<std::string, int>> Ended() {
    std::lock_guard<std::mutex> lock(mutex);
    return ended;
  }

  std::string ProjectFile(const std::string& name) const { return ReadText(project + "/" + name); }

  TempDir temp;
  std::string project;
  CurrentDirectory cwd;
  std::mutex mutex;
  std::vector<std::pair<std::string, int>> ended;
  KJobsManager manager;  // last: its threads stop before the members above go
};

using Jobs = JobsFixture;

TEST_F(Jobs, RunsInTheDirectoryCurrentAtSubmission) {
  Submit("where", "/bin/sh -c \"pwd > where.txt\"");
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(ProjectFile("where.txt"), std::filesystem::canonical(project).string() + "\n");
  EXPECT_EQ(StatusOf("where"), JOB_SUCCEEDED);
  EXPECT_EQ(Ended(), (std::vector<std::pair<std::string, int>>{{"where", 1}}));
  std::string log = LogOf("where");
  EXPECT_NE(log.find("[ktpm] command line: /bin/sh -c \"pwd > where.txt\"\n"), std::string::npos);
  EXPECT_NE(log.find("[ktpm] --- succeeded ---\n[ktpm] exit status 0\n"), std::string::npos);
}

TEST_F(Jobs, ProgramOutputGoesToTheLogNotTheProject) {
  Submit("talk", "/bin/sh -c \"echo to-out; echo to-err 1>&2\"");
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  std::string log = LogOf("talk");
  EXPECT_NE(log.find("to-out\nto-err\n"), std::string::npos);
  EXPECT_EQ(std::filesystem::path(manager.GetJobList()[0].logFile).parent_path().string(),
            temp / "logs");
  EXPECT_TRUE(std::filesystem::is_empty(project));
}

TEST_F(Jobs, SequenceRunsInSubmissionOrder) {
  manager.SetMaxRunningJobs(4);
  manager.StartSequence(nullptr);
  Submit("first", "/bin/sh -c \"sleep 0.3; echo first >> order.txt\"");
  Submit("second", "/bin/sh -c \"echo second >> order.txt\"");
  Submit("third", "/bin/sh -c \"echo third >> order.txt\"");
  manager.EndSequence(nullptr);
  Submit("outside", "/bin/sh -c \"echo outside >> other.txt\"");
  EXPECT_TRUE(WaitUntil([&] { return StatusOf("first") == JOB_RUNNING; }));
  EXPECT_EQ(StatusOf("second"), JOB_WAITING);
  EXPECT_EQ(StatusOf("third"), JOB_WAITING);
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(ProjectFile("order.txt"), "first\nsecond\nthird\n");
  EXPECT_EQ(ProjectFile("other.txt"), "outside\n");
}

TEST_F(Jobs, WaitingJobStartsAfterItsPredecessorEndedWell) {
  manager.SetMaxRunningJobs(4);
  manager.SubmitJob("fill", "/bin/sh -c \"sleep 0.3; echo fill >> order.txt\"", "part.fsu", 27, 0,
                    nullptr, nullptr);
  void* fill = manager.FindJob("part.fsu");
  ASSERT_NE(fill, nullptr);
  Submit("pack", "/bin/sh -c \"echo pack >> order.txt\"", 0, fill);
  EXPECT_EQ(manager.GetJobInfo(fill)->name, "part.fsu");
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(ProjectFile("order.txt"), "fill\npack\n");
  EXPECT_EQ(StatusOf("pack"), JOB_SUCCEEDED);
  // An ended job stays displayed but is no longer found, and its record stays readable.
  EXPECT_EQ(manager.FindJob("part.fsu"), nullptr);
  EXPECT_EQ(manager.GetJobInfo(fill)->status.load(), JOB_SUCCEEDED);
}

TEST_F(Jobs, FailureCancelsTheRestOfTheSequenceAndItsDependants) {
  manager.StartSequence(nullptr);
  manager.SubmitJob("a", "/bin/sh -c \"sleep 0.2; exit 3\"", "bad", 27, 0, nullptr, nullptr);
  void* bad = manager.FindJob("bad");
  Submit("next", "/bin/sh -c \"echo next > next.txt\"");
  manager.EndSequence(nullptr);
  Submit("dependant", "/bin/sh -c \"echo dep > dep.txt\"", 0, bad);
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(StatusOf("bad"), JOB_FAILED);
  EXPECT_EQ(StatusOf("next"), JOB_NOT_RUN);
  EXPECT_EQ(StatusOf("dependant"), JOB_NOT_RUN);
  EXPECT_FALSE(std::filesystem::exists(project + "/next.txt"));
  EXPECT_FALSE(std::filesystem::exists(project + "/dep.txt"));
  EXPECT_EQ(Ended(),
            (std::vector<std::pair<std::string, int>>{{"bad", 0}, {"next", 0}, {"dependant", 0}}));
  EXPECT_NE(LogOf("bad").find("[ktpm] --- failed ---\n[ktpm] failed: exit status 3\n"),
            std::string::npos);
  EXPECT_NE(LogOf("next").find("[ktpm] not run: job \"bad\" ended as failed\n"), std::string::npos);
  EXPECT_EQ(manager.GetJobInfo(bad)->exitCode.load(), 3);
}

TEST_F(Jobs, WaitingOnAJobThatAlreadyEnded) {
  manager.SubmitJob("f", "/bin/sh -c \"exit 1\"", "failed-early", 27, 1, nullptr, nullptr);
  manager.SubmitJob("g", "/bin/true", "fine-early", 27, 1, nullptr, nullptr);
  void* failedEarly = manager.FindJob("failed-early");
  void* fineEarly = manager.FindJob("fine-early");
  manager.RunBatch(nullptr);
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  Submit("after-failed", "/bin/sh -c \"echo x > x.txt\"", 0, failedEarly);
  Submit("after-fine", "/bin/sh -c \"echo y > y.txt\"", 0, fineEarly);
  int bogus = 0;
  Submit("after-unknown", "/bin/true", 0, &bogus);
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(StatusOf("after-failed"), JOB_NOT_RUN);
  EXPECT_EQ(StatusOf("after-fine"), JOB_SUCCEEDED);
  EXPECT_EQ(StatusOf("after-unknown"), JOB_NOT_STARTED);
  EXPECT_NE(LogOf("after-unknown").find("the job it waits on is not known to the manager"),
            std::string::npos);
}

TEST_F(Jobs, AbortRemovesAQueuedJob) {
  Submit("held", "/bin/sh -c \"echo ran > ran.txt\"", 1);
  Submit("behind", "/bin/sh -c \"echo behind > behind.txt\"", 0, manager.FindJob("held"));
  void* held = manager.FindJob("held");
  ASSERT_NE(held, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return StatusOf("held") == JOB_HELD; }));
  manager.AbortJob(held);
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(StatusOf("held"), JOB_ABORTED);
  EXPECT_EQ(StatusOf("behind"), JOB_NOT_RUN);
  EXPECT_EQ(manager.FindJob("held"), nullptr);
  manager.RunBatch(nullptr);
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_FALSE(std::filesystem::exists(project + "/ran.txt"));
  EXPECT_EQ(Ended(), (std::vector<std::pair<std::string, int>>{{"held", 0}, {"behind", 0}}));
  // Aborting again, or aborting nonsense, changes nothing.
  manager.AbortJob(held);
  manager.AbortJob(nullptr);
  EXPECT_EQ(StatusOf("held"), JOB_ABORTED);
}

// The program ignores the polite stop and has started a child of its own that ignores it too.
TEST_F(Jobs, AbortStopsTheWholeProcessGroup) {
  Submit("stubborn",
         "/bin/sh -c \"trap '' TERM; sleep 60 & echo $! > child.pid; echo $$ > leader.pid; "
         "wait; wait\"");
  ASSERT_TRUE(WaitUntil([&] { return !ProjectFile("leader.pid").empty(); }));
  ASSERT_TRUE(WaitUntil([&] { return !ProjectFile("child.pid").empty(); }));
  int leader = std::stoi(ProjectFile("leader.pid"));
  int child = std::stoi(ProjectFile("child.pid"));
  EXPECT_EQ(ktpm::detail::IsProcessAlive(child), 1);
  auto aborted = std::chrono::steady_clock::now();
  manager.AbortJob(manager.FindJob("stubborn"));
  EXPECT_TRUE(WaitUntil(
      [&] { return !ktpm::detail::IsProcessAlive(leader) && !ktpm::detail::IsProcessAlive(child); },
      500));
  EXPECT_LT(std::chrono::steady_clock::now() - aborted, std::chrono::milliseconds(500));
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(StatusOf("stubborn"), JOB_ABORTED);
  EXPECT_EQ(Ended(), (std::vector<std::pair<std::string, int>>{{"stubborn", 0}}));
  std::string log = LogOf("stubborn");
  EXPECT_NE(log.find("[ktpm] abort requested\n"), std::string::npos);
  EXPECT_NE(log.find("[ktpm] forced stop after the grace period\n"), std::string::npos);
  EXPECT_NE(log.find("[ktpm] aborted; ended by signal 9"), std::string::npos);
}

TEST_F(Jobs, PoliteStopIsEnoughForAWellBehavedProgram) {
  Submit("polite", "/bin/sh -c \"echo $$ > leader.pid; exec sleep 60\"");
  ASSERT_TRUE(WaitUntil([&] { return !ProjectFile("leader.pid").empty(); }));
  manager.AbortJob(manager.FindJob("polite"));
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(StatusOf("polite"), JOB_ABORTED);
  EXPECT_NE(LogOf("polite").find("[ktpm] aborted; ended by signal 15"), std::string::npos);
}

TEST_F(Jobs, RunningJobsAreLimited) {
  manager.SetMaxRunningJobs(1);
  EXPECT_EQ(manager.GetMaxRunningJobs(), 1);
  for (const char* name : {"one", "two", "three"})
    Submit(name, std::string("/bin/sh -c \"echo start >> runs.txt; sleep 0.1; echo end >> "
                             "runs.txt\""));
  EXPECT_TRUE(WaitUntil([&] { return StatusOf("one") == JOB_RUNNING; }));
  EXPECT_EQ(StatusOf("two"), JOB_QUEUED);
  EXPECT_EQ(StatusOf("three"), JOB_QUEUED);
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(ProjectFile("runs.txt"), "start\nend\nstart\nend\nstart\nend\n");
  manager.SetMaxRunningJobs(0);
  EXPECT_EQ(manager.GetMaxRunningJobs(), 1);
}

TEST_F(Jobs, BatchQueueHoldsJobsUntilReleased) {
  Submit("nightly", "/bin/sh -c \"echo ran > ran.txt\"", 1);
  Submit("elsewhere", "/bin/true", 1, nullptr, "nowhere-server");
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(StatusOf("nightly"), JOB_HELD);
  EXPECT_FALSE(std::filesystem::exists(project + "/ran.txt"));
  ASSERT_NE(manager.FindJob("nightly"), nullptr);
  manager.RunBatch(manager.GetDefaultServer().c_str());
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(StatusOf("nightly"), JOB_SUCCEEDED);
  EXPECT_EQ(ProjectFile("ran.txt"), "ran\n");
}

TEST_F(Jobs, BadCommandLinesEndAsClearFailures) {
  Submit("unbalanced", "/bin/echo \"never closed");
  Submit("empty", "   ");
  Submit("missing", "no-such-program-ktpm -input a.001");
  Submit("signalled", "/bin/sh -c \"kill -9 $$\"");
  Submit("refused", "/bin/true", 0, nullptr, "nowhere-server");
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(StatusOf("unbalanced"), JOB_NOT_STARTED);
  EXPECT_EQ(StatusOf("empty"), JOB_NOT_STARTED);
  EXPECT_EQ(StatusOf("missing"), JOB_NOT_STARTED);
  EXPECT_EQ(StatusOf("signalled"), JOB_FAILED);
  EXPECT_EQ(StatusOf("refused"), JOB_NOT_STARTED);
  EXPECT_NE(LogOf("unbalanced").find("[ktpm] unbalanced double quotes in the command line\n"),
            std::string::npos);
  EXPECT_NE(LogOf("empty").find("[ktpm] the command line names no program\n"), std::string::npos);
  EXPECT_NE(LogOf("missing").find(
                "[ktpm] program \"no-such-program-ktpm\" not found on KT_TOOLS_DIR or PATH\n"),
            std::string::npos);
  EXPECT_NE(LogOf("signalled").find("[ktpm] failed: ended by signal 9"), std::string::npos);
  EXPECT_NE(LogOf("refused").find("the server \"nowhere-server\" is not known here"),
            std::string::npos);
  // The reason is part of the job's record too, for a caller that shows it.
  for (const KJobRecord& record : manager.GetJobList()) {
    if (record.name == "missing") {
      EXPECT_EQ(record.endMessage,
                "program \"no-such-program-ktpm\" not found on KT_TOOLS_DIR or PATH");
    }
  }
  auto ended = Ended();
  ASSERT_EQ(ended.size(), 5u);
  for (const auto& [name, ok] : ended) EXPECT_EQ(ok, 0) << name;
}

TEST_F(Jobs, KeywordTextReachesTheProgramUnchanged) {
  Submit("inject", "/usr/bin/printf \"<%s>\\n\" \"x; rm -rf ~\" \"$(touch pwned)\" `touch also`");
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  EXPECT_EQ(StatusOf("inject"), JOB_SUCCEEDED);
  EXPECT_NE(LogOf("inject").find("<x; rm -rf ~>\n<$(touch pwned)>\n<`touch>\n<also`>\n"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(project + "/pwned"));
  EXPECT_FALSE(std::filesystem::exists(project + "/also"));
}

TEST_F(Jobs, ServersAreCheckedByName) {
  EXPECT_EQ(manager.ServerSupportsPath(nullptr, nullptr), 1);
  EXPECT_EQ(manager.ServerSupportsPath(manager.GetDefaultServer().c_str(), nullptr), 1);
  EXPECT_EQ(manager.ServerSupportsPath("nowhere-server", nullptr), 0);
  EXPECT_EQ(manager.IsDefaultServer(nullptr), 0);
  EXPECT_EQ(manager.IsDefaultServer(manager.GetDefaultServer().c_str()), 1);
  EXPECT_EQ(manager.IsDefaultServer((manager.GetDefaultServer() + " ").c_str()), 0);
  EXPECT_FALSE(manager.GetDefaultServer().empty());
}

TEST_F(Jobs, HandlerMayCallTheManager) {
  std::vector<std::string> seen;
  std::mutex seenMutex;
  manager.SetJobEndedHandler([&](const std::string& name, int) {
    void* again = manager.FindJob(name);
    std::lock_guard<std::mutex> lock(seenMutex);
    seen.push_back(name + (again ? " found" : " gone"));
  });
  Submit("reentrant", "/bin/true");
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  std::lock_guard<std::mutex> lock(seenMutex);
  EXPECT_EQ(seen, std::vector<std::string>{"reentrant gone"});
}

TEST_F(Jobs, RecordsDescribeJobsForOtherProcesses) {
  manager.SubmitJob("Flow (part)", "/bin/sh -c \"exit 2\"", "part.fsu", 27, 0, nullptr, nullptr);
  ASSERT_EQ(manager.WaitForIdle(kDeadline), 1);
  std::vector<KJobRecord> records = KJobsManager::ReadJobRecords(temp / "logs");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "part.fsu");
  EXPECT_EQ(records[0].description, "Flow (part)");
  EXPECT_EQ(records[0].commandLine, "/bin/sh -c \"exit 2\"");
  EXPECT_EQ(records[0].status, JOB_FAILED);
  EXPECT_EQ(records[0].exitCode, 2);
  EXPECT_EQ(records[0].endMessage, "failed: exit status 2");
  EXPECT_EQ(records[0].subtype, 27);
  EXPECT_EQ(records[0].ownerProcess, ktpm::detail::GetCurrentProcessId());
  EXPECT_GE(records[0].endTime, records[0].startTime);
  EXPECT_GT(records[0].startTime, 0);
}

TEST(JobStatus, TextOfEveryValue) {
  EXPECT_STREQ(GetJobStatusText(JOB_QUEUED), "queued");
  EXPECT_STREQ(GetJobStatusText(JOB_RUNNING), "running");
  EXPECT_STREQ(GetJobStatusText(JOB_NOT_RUN), "not run");
  EXPECT_STREQ(GetJobStatusText(JOB_NOT_STARTED), "not started");
  EXPECT_STREQ(GetJobStatusText(99), "unknown");
}

TEST(JobManager, ProcessManagerIsOneObject) {
  EXPECT_EQ(&KJobsManager::GetManager(), &KJobsManager::GetManager());
}

}  // namespace
