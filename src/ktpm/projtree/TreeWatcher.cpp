// The directory watcher thread of an open project: after a file-name change below the project
// directory it waits for one quiet second, then resynchronises the tree.
#include <ktpm/platform/DirectoryWatcher.h>
#include <ktpm/platform/ThreadPriority.h>
#include <ktpm/projtree/KProjectTree.h>

namespace {

constexpr int kQuietMilliseconds = 1000;

}  // namespace

void KProjectTree::StartWatcher() {
  auto watcher = ktpm::detail::CreateDirectoryWatcher();
  // Without notifications the tree follows the disk only through Resync and the application.
  const bool started = watcher->Start(m_projectPath);
  ReportWatcherProblems(*watcher, started);
  if (!started) return;
  m_watcher = std::move(watcher);
  try {
    m_watcherThread = std::thread([this] { _DirChangeThreadFunc(this); });
  } catch (const std::exception& error) {
    m_watcher.reset();
    ReportDiagnostic(KDS_WARNING, "Cannot start the watcher of " + m_projectPath + ": " +
                                      error.what() +
                                      ". The tree does not follow the disk by itself.");
  }
}

// The tree stays usable without its watcher: it then follows the disk only through Resync and
// the application. A watcher that is not running says so in its last message.
void KProjectTree::ReportWatcherProblems(ktpm::detail::DirectoryWatcher& watcher, bool running) {
  const std::vector<std::string> problems = watcher.TakeProblems();
  for (size_t i = 0; i < problems.size(); ++i) {
    const bool last = i + 1 == problems.size();
    ReportDiagnostic(KDS_WARNING,
                     !running && last
                         ? problems[i] + " The tree does not follow the disk by itself."
                         : problems[i]);
  }
}

unsigned KProjectTree::_DirChangeThreadFunc(void* tree) {
  static_cast<KProjectTree*>(tree)->DirChangeThreadFunc();
  return 0;
}

void KProjectTree::DirChangeThreadFunc() {
  using ktpm::detail::DirectoryWatcher;
  ktpm::detail::SetCurrentThreadIdlePriority();
  DirectoryWatcher* watcher = m_watcher.get();
  for (;;) {
    DirectoryWatcher::WaitResult result = watcher->Wait(m_stopEvent, -1);
    while (result == DirectoryWatcher::WaitResult::kChanged) {
      ReportWatcherProblems(*watcher, true);
      result = watcher->Wait(m_stopEvent, kQuietMilliseconds);
    }
    if (result != DirectoryWatcher::WaitResult::kTimeout) {
      ReportWatcherProblems(*watcher, result != DirectoryWatcher::WaitResult::kFailed);
      return;
    }
    DoResync();
  }
}
