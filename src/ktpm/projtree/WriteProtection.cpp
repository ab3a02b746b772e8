// The last step of tree building: the files of inputs that have results or running jobs, and of
// the mesh, boundary condition and mold mesh they use, are write-protected; all others are made
// writable again.
#include <algorithm>

#include <ktpm/analysis/KJobsManager.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/projtree/NodeFileAccess.h>

namespace {

// Whether the job manager runs a job whose key file is the summary file.
bool JobIsRunning(const std::string& summaryFile) {
  if (summaryFile.empty()) return false;
  KJobsManager& manager = KJobsManager::GetManager();
  void* job = manager.FindJob(summaryFile);
  if (job == nullptr) return false;
  const JOBINFO* info = manager.GetJobInfo(job);
  return info != nullptr && info->status == 3;
}

struct Visit {
  KT_PM_Node* node;
  bool childrenDone;
};

// Pushes a sibling chain so that its first node is visited first.
void PushChain(std::vector<Visit>& stack, KT_PM_Node* first) {
  const size_t bottom = stack.size();
  for (KT_PM_Node* n = first; n != nullptr; n = n->GetNextSibling()) stack.push_back({n, false});
  std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(bottom), stack.end());
}

bool AnyFileExists(const KT_PM_Node* node) {
  for (const KFileEntry& file : node->GetFiles()) {
    if (ktpm::detail::NodeFileExists(*node, file.GetPath())) return true;
  }
  return false;
}

}  // namespace

void KProjectTree::ProtectFilesInUse() {
  MarkFilesInUse(m_root.GetFirstChild());
  LockMarkedFiles(m_root.GetFirstChild());
}

// Depth first, in sibling order; each child decides its parent's mark anew, and bins, boundary
// conditions in bins and inputs in use raise marks again. An explicit stack keeps deep trees
// (long chains of restarted analyses) off the call stack.
void KProjectTree::MarkFilesInUse(KT_PM_Node* first) {
  std::vector<Visit> stack;
  PushChain(stack, first);
  while (!stack.empty()) {
    Visit& visit = stack.back();
    KT_PM_Node* n = visit.node;
    if (visit.childrenDone) {
      stack.pop_back();
      if (n->GetType() == NT_ANALYSIS_INPUT && n->GetLockMark() == 1) {
        if (KT_PM_Node* mesh = n->GetModelMeshNode()) mesh->SetLockMark(1);
        if (KT_PM_Node* bc = n->GetBoundaryConditionNode()) bc->SetLockMark(1);
        if (KT_PM_Node* mold = n->GetMoldMeshNode()) mold->SetLockMark(1);
      }
      continue;
    }
    visit.childrenDone = true;
    KT_PM_Node* parent = n->GetParent();
    if (n->GetType() == NT_BIN || n->GetType() == NT_MATERIAL_GROUP) {
      // Folder nodes change no mark.
    } else if (n->GetType() == NT_BOUNDARY_CONDITION && parent != nullptr &&
               parent->GetType() == NT_BIN) {
      if (parent->GetParent() != nullptr) parent->GetParent()->SetLockMark(1);
    } else if (parent != nullptr) {
      parent->SetLockMark(0);
      if (parent->GetType() != NT_RESULT && AnyFileExists(n)) parent->SetLockMark(1);
      if (n->GetType() == NT_RESULT && parent->GetType() == NT_ANALYSIS_INPUT &&
          parent->GetLockMark() == 0) {
        KT_PM_Node* keyNode = n;
        KT_PM_Node* child = n->GetFirstChild();
        if (child != nullptr && child->GetType() == NT_RESULT) keyNode = child;
        if (JobIsRunning(keyNode->GetSummaryFile())) parent->SetLockMark(1);
      }
    }
    PushChain(stack, n->GetFirstChild());
  }
}

void KProjectTree::LockMarkedFiles(KT_PM_Node* first) {
  std::vector<KT_PM_Node*> pending;
  if (first != nullptr) pending.push_back(first);
  while (!pending.empty()) {
    KT_PM_Node* node = pending.back();
    pending.pop_back();
    const int mark = node->GetLockMark();
    if (node != m_editNode || mark == 0) node->LockNodeFiles(mark);
    node->SetLockMark(0);
    if (node->GetNextSibling() != nullptr) pending.push_back(node->GetNextSibling());
    if (node->GetFirstChild() != nullptr) pending.push_back(node->GetFirstChild());
  }
}
