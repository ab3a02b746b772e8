// A project tree for people (a table of indented nodes) or for programs (JSON); see
// docs/ktpm-output.md for both shapes. Every function reads nodes: the caller holds the tree
// lock (or is inside a notification sink call, which holds it).
#pragma once

#include <atomic>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include <ktpm/projtree/IProjectNotifySink.h>

class KT_PM_Node;

namespace ktpm::tool {

struct TreePrintOptions {
  bool withFiles = false;
  bool json = false;
};

// Levels between the node and the root's children (0 for a top-level node).
int NodeDepth(KT_PM_Node* node);
// A node without its children as JSON: label, kind, type, subType, state, stateText, icon,
// resultLabel, path, files.
nlohmann::json NodeToJson(KT_PM_Node* node);
// The text columns of a node (NODE, KIND, STATE, FILE), NODE indented two blanks a level.
std::vector<std::string> NodeCells(KT_PM_Node* node, int depth);
// The text column headers matching NodeCells.
std::vector<std::string> NodeHeader();
// Prints the children of root to std::cout, depth first: one row a node under a header row (and
// with withFiles each node's files on lines of their own), or one JSON object.
void PrintTree(KT_PM_Node* root, const std::string& directory, const TreePrintOptions& options);
// Shows a tree build's progress on the stderr status line, which appears only when stderr is a
// terminal. Calls may come from the caller of Open and from the watcher's resync threads.
class BuildProgressSink : public IProjectNotifySink {
 public:
  void OnNodeChanged(KT_PM_Node*) override {}
  void OnInitProgress(int steps) override;
  void OnSetProgress(int step) override;
  void OnEndProgress() override;

 private:
  std::atomic<int> m_steps{5};
};

// Calls visit(node, depth) for the children of root, depth first.
template <typename Visit>
void ForEachNode(KT_PM_Node* root, Visit&& visit);

}  // namespace ktpm::tool

#include <ktpm/projtree/KT_PM_Node.h>

template <typename Visit>
void ktpm::tool::ForEachNode(KT_PM_Node* root, Visit&& visit) {
  struct Item {
    KT_PM_Node* node;
    int depth;
  };
  std::vector<Item> pending;
  if (root->GetFirstChild() != nullptr) pending.push_back({root->GetFirstChild(), 0});
  while (!pending.empty()) {
    const Item item = pending.back();
    pending.pop_back();
    visit(item.node, item.depth);
    if (item.node->GetNextSibling() != nullptr) {
      pending.push_back({item.node->GetNextSibling(), item.depth});
    }
    if (item.node->GetFirstChild() != nullptr) {
      pending.push_back({item.node->GetFirstChild(), item.depth + 1});
    }
  }
}
