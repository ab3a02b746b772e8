// Resynchronisation: vanished main files drop their nodes, new files make nodes, and the sinks
// hear of every node the application has not seen yet.
#include <ktpm/platform/DirectoryWatcher.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/ThreadPriority.h>
#include <ktpm/projtree/FileNameRules.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/report/KReportTemplate.h>

using ktpm::detail::EndsWithNoCase;
using ktpm::detail::WithExtension;

void KProjectTree::Resync() {
  ReapFinishedResyncs();
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([this, done] {
    ResyncThreadFunc(this);
    done->store(true);
  });
  std::lock_guard<std::mutex> guard(m_resyncThreadsLock);
  m_resyncThreads.push_back({std::move(thread), done});
}

unsigned KProjectTree::ResyncThreadFunc(void* tree) {
  ktpm::detail::SetCurrentThreadIdlePriority();
  static_cast<KProjectTree*>(tree)->DoResync();
  return 0;
}

void KProjectTree::ReapFinishedResyncs() {
  std::lock_guard<std::mutex> guard(m_resyncThreadsLock);
  for (auto it = m_resyncThreads.begin(); it != m_resyncThreads.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = m_resyncThreads.erase(it);
    } else {
      ++it;
    }
  }
}

void KProjectTree::StopThreads() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> guard(m_resyncThreadsLock);
    for (ResyncThread& resync : m_resyncThreads) threads.push_back(std::move(resync.thread));
    m_resyncThreads.clear();
  }
  if (m_watcherThread.joinable()) threads.push_back(std::move(m_watcherThread));
  bool watcherDetached = false;
  for (std::thread& thread : threads) {
    // A sink that closes the project from a resync runs on the thread being stopped.
    if (thread.get_id() == std::this_thread::get_id()) {
      thread.detach();
      watcherDetached = true;
    } else {
      thread.join();
    }
  }
  if (!watcherDetached) m_watcher.reset();
}

void KProjectTree::DoResync() {
  const unsigned generation = m_generation.load();
  RequestStop();
  TreeLockScope guard(*this);
  // The stop request has done its work once the lock is ours: no build runs now.
  {
    std::lock_guard<std::mutex> stopGuard(m_stopLock);
    m_stopFlag = 0;
  }
  // A Close came between the request and the lock: the project it was for is gone.
  if (generation != m_generation.load() || !m_projectOpen) return;
  CheckDeletedNodes(m_root.GetFirstChild());
  if (!IsClosing()) BuildTree();
  if (!IsClosing()) NotifyNewNodes(m_root.GetFirstChild());
}

void KProjectTree::CheckDeletedNodes(KT_PM_Node* first) {
  std::vector<KT_PM_Node*> chains;
  if (first != nullptr) chains.push_back(first);
  while (!chains.empty()) {
    KT_PM_Node* node = chains.back();
    chains.pop_back();
    // The next sibling is taken before the node is handled: handling may unlink it.
    if (KT_PM_Node* next = node->GetNextSibling()) chains.push_back(next);
    // A node without a main file name (an unresolved material) has no file that could vanish.
    if (node->GetState() == NS_OK && !node->GetMainFile().empty()) {
      // A material file that inspection mode only named counts as there.
      if (ProjectFileExists(node->GetMainFile())) {
        for (size_t i = node->GetFiles().size(); i-- > 1;) {
          if (!node->GetFiles()[i].Exists()) node->RemoveFileAt(i);
        }
      } else if (node->GetType() == NT_RESULT) {
        // A result whose output vanished waits for new output.
        node->SetState(NS_PENDING);
        DoCallback(node);
      } else {
        InternalDeleteNode(node, 0);  // reports the node
        continue;
      }
    }
    if (KT_PM_Node* child = node->GetFirstChild()) chains.push_back(child);
  }
}

void KProjectTree::UpdateNodeStatus(const char* name, int ok) {
  if (name == nullptr) return;
  DoResync();
  // The watcher may rebuild the same nodes: change them under the tree lock.
  TreeLockScope guard(*this);
  std::string file = name;
  const bool reportJob = EndsWithNoCase(file, ".rsu");
  if (reportJob) file = WithExtension(file, ".rpi");
  if (EndsWithNoCase(file, ".m3s")) file = WithExtension(file, ".m3r");
  KT_PM_Node* node = KT_PM_Node::FindNodeWithFile(m_root.GetFirstChild(), file);
  if (node == nullptr) return;
  if (reportJob) {
    KT_PM_Node* templateNode = node->GetParent();
    if (templateNode != nullptr && templateNode->GetType() == NT_REPORT_TEMPLATE) {
      KReportTemplate reportTemplate;
      reportTemplate.ReadHeader(templateNode->GetMainFile());
      CheckRPTChildren(templateNode, reportTemplate);
    }
  } else if (ok) {
    node->SetState(NS_OK);
    if (node->GetType() == NT_MESH) DoMeshCheck(node);
  } else {
    node->SetState(NS_FAILED);
    KT_PM_Node::AttachErrorOutput(node);
  }
  if (!reportJob) node->UpdateNodeFiles();
  DoCallback(node);
}
