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
  std::string failure;
  {
    std::lock_guard<std::mutex> guard(m_resyncLock);
    // The waiting request lists the directory after this call: this one joins it.
    if (m_resyncRequested) return;
    m_resyncRequested = true;
    // The running resync takes the request when it ends.
    if (m_resyncThreadLive) return;
    // The previous thread found no request at its last look: it has ended or is ending without
    // touching the tree again.
    if (m_resyncThread.joinable()) m_resyncThread.join();
    try {
      m_resyncThread = std::thread([this] { ResyncThreadFunc(this); });
      m_resyncThreadLive = true;
    } catch (const std::exception& error) {
      m_resyncRequested = false;
      failure = error.what();
    }
  }
  if (!failure.empty()) {
    ReportDiagnostic(KDS_WARNING, "Cannot start a resync of " + m_projectPath + ": " + failure +
                                      ". The tree follows the disk by its watcher alone.");
  }
}

unsigned KProjectTree::ResyncThreadFunc(void* tree) {
  ktpm::detail::SetCurrentThreadIdlePriority();
  auto* self = static_cast<KProjectTree*>(tree);
  while (self->TakeResyncRequest()) self->DoResync();
  return 0;
}

bool KProjectTree::TakeResyncRequest() {
  std::lock_guard<std::mutex> guard(m_resyncLock);
  m_resyncThreadLive = m_resyncRequested;
  m_resyncRequested = false;
  return m_resyncThreadLive;
}

void KProjectTree::StopThreads() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> guard(m_resyncLock);
    if (m_resyncThread.joinable()) threads.push_back(std::move(m_resyncThread));
  }
  if (m_watcherThread.joinable()) threads.push_back(std::move(m_watcherThread));
  bool watcherDetached = false;
  for (std::thread& thread : threads) {
    // Close reached on the tree's own thread (from a diagnostic handler) cannot wait for itself.
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
      // A material file that inspection mode only named counts as there. A node's file is
      // there only as a file; a generated report's main file is its directory.
      const std::string main = node->GetMainFile();
      const bool present = ProjectFileExists(main) &&
                           (node->GetType() == NT_REPORT || !KFileEntry(main).IsDirectory());
      if (present) {
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
