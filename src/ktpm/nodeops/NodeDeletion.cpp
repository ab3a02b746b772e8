// Deleting nodes inside the tree: dependants, file deletion, and the internal deletes that
// resynchronisation and the node operations use.
#include <algorithm>

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/report/KReportTemplate.h>

namespace {

bool IsMoldMesh(const KT_PM_Node* node) {
  return node->GetSubType() == NST_MESH_MOLD_MIDPLANE || node->GetSubType() == NST_MESH_MOLD_FUSION;
}

// Marks a node deleted and cuts every link it has: a node that comes back (its main file
// reappears) is placed afresh by the next build, as in a newly opened project.
void UnlinkDeleted(KT_PM_Node* node) {
  node->SetFirstChild(nullptr);
  node->SetNextSibling(nullptr);
  node->SetParent(nullptr);
  node->SetState(NS_DELETED);
}

}  // namespace

void KT_PM_Node::GetDependentNodes(std::vector<KT_PM_Node*>& out, int resultsOnly) {
  // Depth first, each node before what depends on it: its children (a restart or report
  // template takes everything below it), then, for a boundary condition or mold mesh, the
  // inputs that use it. A chain of restarted analyses is as deep as it is long, so the walk
  // keeps its own stack.
  struct Visit {
    KT_PM_Node* node;
    bool listed;      // the node itself goes to out when visited
    int resultsOnly;  // what the walk below the node keeps
  };
  std::vector<Visit> stack{{this, false, resultsOnly}};
  std::vector<Visit> next;
  while (!stack.empty()) {
    const Visit visit = stack.back();
    stack.pop_back();
    KT_PM_Node* const current = visit.node;
    if (visit.listed) out.push_back(current);
    next.clear();
    for (KT_PM_Node* child = current->m_firstChild; child != nullptr;
         child = child->m_nextSibling) {
      if (child->m_type == NT_RESTART || child->m_type == NT_REPORT_TEMPLATE) {
        next.push_back({child, true, 0});
      } else {
        next.push_back(
            {child, !visit.resultsOnly || child->m_type == NT_RESULT, visit.resultsOnly});
      }
    }
    const bool boundaryCondition = current->m_type == NT_BOUNDARY_CONDITION;
    KT_PM_Node* mesh =
        boundaryCondition || IsMoldMesh(current) ? current->GetModelMeshNode() : nullptr;
    // The inputs below the model mesh (and after it) that use this node.
    std::vector<KT_PM_Node*> pending;
    if (mesh != nullptr) pending.push_back(mesh);
    while (!pending.empty()) {
      KT_PM_Node* node = pending.back();
      pending.pop_back();
      if (node->m_nextSibling != nullptr) pending.push_back(node->m_nextSibling);
      if (node->m_type == NT_ANALYSIS_INPUT) {
        KT_PM_Node* used =
            boundaryCondition ? node->GetBoundaryConditionNode() : node->GetMoldMeshNode();
        if (used == current) {
          next.push_back({node, !visit.resultsOnly, visit.resultsOnly});
          continue;
        }
      }
      if (node->m_firstChild != nullptr) pending.push_back(node->m_firstChild);
    }
    stack.insert(stack.end(), next.rbegin(), next.rend());
  }
}

int KT_PM_Node::CanDeleteFiles() const {
  for (const KFileEntry& file : m_files) {
    if (file.Exists()) return 1;
  }
  return 0;
}

int KT_PM_Node::CanDelete() const {
  for (const KT_PM_Node* node = this; node != nullptr; node = node->m_firstChild) {
    if (node->CanDeleteFiles()) return 1;
  }
  return 0;
}

void KT_PM_Node::DeleteFiles() {
  if (m_type == NT_REPORT_TEMPLATE && !m_files.empty()) {
    KReportTemplate reportTemplate(GetMainFile());
    reportTemplate.DeleteReportDataDir();
    KFileEntry(GetMainFile()).Delete(1);
  } else if (m_type == NT_REPORT && m_parent != nullptr && m_parent->m_state != NS_DELETED &&
             !m_parent->m_files.empty()) {
    // A template deleted first took its reports' directories with its data.
    KReportTemplate reportTemplate(m_parent->GetMainFile());
    if (m_state == NS_PENDING || m_state == NS_FAILED) {
      for (KFileEntry& file : m_files) file.Delete(1);
    } else {
      reportTemplate.RemoveHtmlReportDir(GetMainFile());
    }
    reportTemplate.Save(m_parent->GetMainFile());
  } else {
    for (KFileEntry& file : m_files) file.Delete(1);
  }
  TruncateFilesToMain();
}

void KProjectTree::InternalDeleteNode(KT_PM_Node* node, int withFiles) {
  if (node == nullptr || node->GetState() == NS_DELETED) return;
  KT_PM_Node* parent = node->GetParent();
  if (withFiles) {
    std::vector<KT_PM_Node*> dependants;
    node->GetDependentNodes(dependants, 0);
    node->SetFirstChild(nullptr);
    for (KT_PM_Node* dependant : dependants) {
      if (dependant->GetState() == NS_DELETED) continue;
      dependant->SetFirstChild(nullptr);
      // A report's directory and its template's list entry are found through its parent: the
      // files go before the link.
      dependant->DeleteFiles();
      dependant->DetachFromParent();
      UnlinkDeleted(dependant);
      DoCallback(dependant);
    }
    node->DeleteFiles();
    node->DetachFromParent();
  } else {
    node->DetachFromParent();
    DeleteNodeHelper(node->GetFirstChild(), 0);
    node->SetFirstChild(nullptr);
  }
  if (parent != nullptr && parent->GetType() == NT_BIN && parent->GetFirstChild() == nullptr) {
    // An empty bin goes with its last node; its (absent) files are not touched.
    parent->DetachFromParent();
    UnlinkDeleted(parent);
    DoCallback(parent);
  }
  UnlinkDeleted(node);
  DoCallback(node);
}

void KProjectTree::DeleteNodeHelper(KT_PM_Node* first, int withFiles) {
  // Children first, then the following siblings, then the node itself. Collected before any
  // link is cut.
  std::vector<KT_PM_Node*> order;
  std::vector<KT_PM_Node*> pending;
  if (first != nullptr) pending.push_back(first);
  while (!pending.empty()) {
    KT_PM_Node* node = pending.back();
    pending.pop_back();
    order.push_back(node);
    if (node->GetFirstChild() != nullptr) pending.push_back(node->GetFirstChild());
    if (node->GetNextSibling() != nullptr) pending.push_back(node->GetNextSibling());
  }
  std::reverse(order.begin(), order.end());
  for (KT_PM_Node* node : order) {
    if (node->GetState() == NS_DELETED) continue;
    if (withFiles) node->DeleteFiles();
    UnlinkDeleted(node);
    if (node->GetClientData() != 0) DoCallback(node);
  }
}
