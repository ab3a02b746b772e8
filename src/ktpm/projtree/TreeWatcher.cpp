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
  if (!watcher->Start(m_projectPath)) return;
  m_watcher = std::move(watcher);
  m_watcherThread = std::thread([this] { _DirChangeThreadFunc(this); });
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
    if (watcher->Wait(m_stopEvent, -1) != DirectoryWatcher::WaitResult::kChanged) return;
    DirectoryWatcher::WaitResult quiet;
    while ((quiet = watcher->Wait(m_stopEvent, kQuietMilliseconds)) ==
           DirectoryWatcher::WaitResult::kChanged) {
    }
    if (quiet != DirectoryWatcher::WaitResult::kTimeout) return;
    DoResync();
  }
}
