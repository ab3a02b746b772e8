// Resync requests: however many come, one resync runs and one waits; a thread the system will not
// start is reported, never a crash.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "ScratchProject.h"
#include "TreeTestSupport.h"

#include <ktpm/analysis/KJobsManager.h>

namespace {

using ktpm::test::RecordingSink;
using ktpm::test::ScratchProject;

int ThreadCount() {
  int count = 0;
  if (DIR* stream = opendir("/proc/self/task")) {
    while (readdir(stream) != nullptr) ++count;
    closedir(stream);
  }
  return count;
}

// Opens a project and asks for resyncs in a process that may start no thread at all, then ends
// the process: status 0 when the tree was built and both failures were reported.
[[noreturn]] void OpenAndResyncWithoutNewThreads() {
  KJobsManager::GetManager();  // its thread is there before the limit
  // The process limit does not hold for root.
  if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
    std::fputs("cannot leave root\n", stderr);
    _exit(2);
  }
  const rlimit none{1, 1};
  if (setrlimit(RLIMIT_NPROC, &none) != 0) _exit(3);
  bool reported = false;
  {
    std::mutex lock;
    std::vector<std::string> messages;
    ScratchProject project;
    project.Write("a.stl", "solid\n");
    project.tree.SetDiagnosticHandler([&](KDiagnosticSeverity, const std::string& text) {
      std::lock_guard<std::mutex> guard(lock);
      messages.push_back(text);
    });
    project.tree.Open(project.Path().string());
    project.tree.Resync();
    project.tree.Resync();
    const bool built = project.tree.FindFileInTree("a.stl") != nullptr;
    project.tree.Close();
    std::lock_guard<std::mutex> guard(lock);
    const auto starting = [&](const std::string& what) {
      return std::count_if(messages.begin(), messages.end(), [&](const std::string& message) {
        return message.rfind("Cannot start " + what, 0) == 0;
      });
    };
    reported = built && starting("the watcher") == 1 && starting("a resync") == 2;
    for (const std::string& message : messages) std::fprintf(stderr, "%s\n", message.c_str());
  }
  _exit(reported ? 0 : 1);
}

}  // namespace

TEST(TreeResync, TwoThousandRequestsUseOneThread) {
  KJobsManager::GetManager();
  ScratchProject project;
  for (int i = 0; i < 50; ++i) project.Write("p" + std::to_string(i) + ".stl", "solid\n");
  RecordingSink sink;
  project.tree.RegisterNotifySink(&sink);
  project.tree.Open(project.Path().string());
  const int watched = ThreadCount();
  int most = watched;
  for (int i = 0; i < 2000; ++i) {
    project.tree.Resync();
    if (i % 20 == 0) most = std::max(most, ThreadCount());
  }
  EXPECT_LE(most, watched + 1);
  project.tree.Close();
  project.tree.UnregisterNotifySink(&sink);
}

TEST(TreeResyncDeathTest, ThreadsThatCannotStartAreReported) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(OpenAndResyncWithoutNewThreads(), ::testing::ExitedWithCode(0), "");
}
