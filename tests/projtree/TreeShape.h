// Helpers for tests that open real project directories: a rebuild through the tree's private
// build, a structural check of the tree (a tree, parents right, nodes from the array only), and a
// compact dump of the tree for exact comparisons.
#pragma once

#include <mutex>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/KFileEntry.h"
#include "projtree/KProjectTree.h"
#include "projtree/KT_PM_Node.h"
#include "projtree/NodeTypes.h"

// Reaches the tree's private build (the tree declares it a friend). The one definition for every
// test of the tree.
struct KProjectTreeTestPeer {
  // Runs a build on the open project, with the tree lock held as a resync holds it.
  static void BuildTree(KProjectTree& tree) {
    auto guard = tree.LockTree();
    tree.BuildTree();
  }
};

namespace ktpm::test {

// What is wrong with the structure of the tree, one problem a line; empty when it is sound.
// Walks from the root with a visited set: no node is reached twice (no cycle, no node in two
// child lists), every child's parent link names the node whose list holds it, every linked node
// is one of the tree's own, and the root itself has no parent and is not in the node array.
inline std::string CheckTree(KProjectTree& tree) {
  std::ostringstream problems;
  KT_PM_Node* root = tree.GetRootNode();
  std::unordered_set<const KT_PM_Node*> owned;
  for (const auto& node : tree.GetNodes()) owned.insert(node.get());
  if (owned.count(root) != 0) problems << "root is in the node array\n";
  if (root->GetParent() != nullptr) problems << "root has a parent\n";
  std::unordered_set<const KT_PM_Node*> visited{root};
  std::vector<KT_PM_Node*> pending{root};
  while (!pending.empty()) {
    KT_PM_Node* parent = pending.back();
    pending.pop_back();
    for (KT_PM_Node* child = parent->GetFirstChild(); child != nullptr;
         child = child->GetNextSibling()) {
      const std::string name = child->GetMainFile();
      if (!visited.insert(child).second) {
        problems << "reached twice: '" << name << "'\n";
        break;  // The chain loops or joins another: walking on would not end.
      }
      if (owned.count(child) == 0) problems << "not owned by the tree: '" << name << "'\n";
      if (child->GetParent() != parent) {
        problems << "wrong parent link: '" << name << "' under '" << parent->GetMainFile() << "'\n";
      }
      pending.push_back(child);
    }
  }
  // A node that names a parent must be in that parent's list.
  for (const auto& node : tree.GetNodes()) {
    if (node->GetParent() != nullptr && visited.count(node.get()) == 0) {
      problems << "parent link without being linked: '" << node->GetMainFile() << "'\n";
    }
  }
  return problems.str();
}

// One line per linked node, depth first: indentation, kind, subtype, state, then the node's
// files separated by blanks (a folder node shows its type label instead).
inline void DumpNodes(KT_PM_Node* first, int depth, std::ostringstream& out) {
  for (KT_PM_Node* node = first; node != nullptr; node = node->GetNextSibling()) {
    out << std::string(static_cast<size_t>(depth) * 2, ' ') << NodeTypeName(node->GetType()) << " "
        << NodeSubTypeName(node->GetSubType()) << " " << NodeStateName(node->GetState());
    if (node->GetFiles().empty() && !node->GetTypeLabel().empty()) {
      out << " " << node->GetTypeLabel();
    }
    for (const KFileEntry& file : node->GetFiles()) out << " " << file.GetPath();
    out << "\n";
    DumpNodes(node->GetFirstChild(), depth + 1, out);
  }
}

inline std::string DumpTree(KProjectTree& tree) {
  std::ostringstream out;
  DumpNodes(tree.GetRootNode()->GetFirstChild(), 0, out);
  return out.str();
}

// The node of the array whose main file is the name (exact spelling); nullptr when none.
inline KT_PM_Node* NodeOf(KProjectTree& tree, const std::string& mainFile) {
  for (const auto& node : tree.GetNodes()) {
    if (node->GetMainFile() == mainFile) return node.get();
  }
  return nullptr;
}

// The main file of the node's parent: "<root>" for the root, the kind of a folder node,
// "<none>" when unlinked, "<missing>" when no node has that main file.
inline std::string ParentOf(KProjectTree& tree, const std::string& mainFile) {
  KT_PM_Node* node = NodeOf(tree, mainFile);
  if (node == nullptr) return "<missing>";
  KT_PM_Node* parent = node->GetParent();
  if (parent == nullptr) return "<none>";
  if (parent == tree.GetRootNode()) return "<root>";
  if (parent->GetFiles().empty()) return NodeTypeName(parent->GetType());
  return parent->GetMainFile();
}

// A node's files, separated by blanks.
inline std::string FilesOf(const KT_PM_Node* node) {
  std::string files;
  for (const KFileEntry& file : node->GetFiles()) {
    if (!files.empty()) files += " ";
    files += file.GetPath();
  }
  return files;
}

}  // namespace ktpm::test
