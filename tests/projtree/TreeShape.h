// Helpers for tests that open real project directories: a rebuild through the tree's private
// build, a structural check of the tree (a tree, parents right, nodes from the array only), and a
// compact dump of the tree for exact comparisons.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "ScratchProject.h"

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/projtree/NodeTypes.h>
#include <ktpm/report/KReportTemplate.h>

// Reaches the tree's private build (the tree declares it a friend). The one definition for every
// test of the tree.
struct KProjectTreeTestPeer {
  // Runs a build on the open project, with the tree lock held as a resync holds it.
  static void BuildTree(KProjectTree& tree) {
    auto guard = tree.LockTree();
    tree.BuildTree();
  }
  // A resynchronisation on this thread, as the watcher's.
  static void Resync(KProjectTree& tree) { tree.DoResync(); }
  // Asks a running build to give up, as a newer resync or Close does.
  static void RequestStop(KProjectTree& tree) { tree.RequestStop(); }
  // Matches the generated reports of a template node with its children, as a build does.
  static void CheckRPTChildren(KProjectTree& tree, KT_PM_Node* templateNode) {
    KReportTemplate reportTemplate;
    reportTemplate.ReadHeader(templateNode->GetMainFile());
    tree.CheckRPTChildren(templateNode, reportTemplate);
  }
};

namespace ktpm::test {

// A model file of a midplane mesh that states its type.
inline constexpr const char* kMidplaneMesh =
    "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\nUNITS MM\nEND\n";

// A midplane mesh with its node and element files.
inline void WriteMidplaneMesh(const ScratchProject& project, const std::string& base) {
  project.Write(base + ".ktl", kMidplaneMesh);
  project.Write(base + ".nda", "1 0 0 0\n");
  project.Write(base + ".ela", "1 1 2 3\n");
}

// Points the material database at a directory of the test for the life of the guard: the
// database is built there from the seed when a material is first made.
class ScopedMaterialData {
 public:
  explicit ScopedMaterialData(const std::filesystem::path& directory) {
    setenv("XDG_DATA_HOME", directory.c_str(), 1);
  }
  ScopedMaterialData(const ScopedMaterialData&) = delete;
  ScopedMaterialData& operator=(const ScopedMaterialData&) = delete;
  ~ScopedMaterialData() { unsetenv("XDG_DATA_HOME"); }
};

// What is wrong with the structure of the tree, one problem a line; empty when it is sound.
// The root and the nodes of the array form a forest: every child list ends, holds each node at
// most once and only nodes whose parent link names the list's owner; a node with a parent is in
// that parent's list; following parents always ends (no cycle); the root is not in the array and
// has no parent. Nodes not reached from the root hang in unlinked subtrees, which is allowed.
inline std::string CheckTree(KProjectTree& tree) {
  std::ostringstream problems;
  KT_PM_Node* root = tree.GetRootNode();
  std::vector<KT_PM_Node*> all{root};
  std::unordered_set<const KT_PM_Node*> owned{root};
  for (const auto& node : tree.GetNodes()) {
    all.push_back(node.get());
    if (!owned.insert(node.get()).second) problems << "in the array twice\n";
  }
  if (root->GetParent() != nullptr) problems << "root has a parent\n";
  std::unordered_set<const KT_PM_Node*> listed;
  for (KT_PM_Node* parent : all) {
    size_t steps = 0;
    for (KT_PM_Node* child = parent->GetFirstChild(); child != nullptr;
         child = child->GetNextSibling()) {
      const std::string name = child->GetMainFile();
      if (++steps > all.size() || !listed.insert(child).second) {
        problems << "in a child list twice: '" << name << "'\n";
        break;  // The chain loops or joins another: walking on would not end.
      }
      if (owned.count(child) == 0) problems << "not owned by the tree: '" << name << "'\n";
      if (child == root) problems << "root is a child\n";
      if (child->GetParent() != parent) {
        problems << "wrong parent link: '" << name << "' under '" << parent->GetMainFile() << "'\n";
      }
    }
  }
  for (KT_PM_Node* node : all) {
    if (node->GetParent() != nullptr && listed.count(node) == 0) {
      problems << "not in its parent's list: '" << node->GetMainFile() << "'\n";
    }
    size_t depth = 0;
    for (KT_PM_Node* up = node->GetParent(); up != nullptr; up = up->GetParent()) {
      if (++depth > all.size()) {
        problems << "parents loop: '" << node->GetMainFile() << "'\n";
        break;
      }
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

// One line per linked node, depth first: indentation, display label, kind, subtype, state, icon;
// then the node's files, one a line. The form of the sample project's expected tree.
inline void DumpLabelledNodes(KT_PM_Node* first, int depth, std::ostringstream& out) {
  for (KT_PM_Node* node = first; node != nullptr; node = node->GetNextSibling()) {
    const std::string indent(static_cast<size_t>(depth) * 2, ' ');
    out << indent << "'" << node->GetDisplayLabel() << "' " << NodeTypeName(node->GetType()) << " "
        << NodeSubTypeName(node->GetSubType()) << " " << NodeStateName(node->GetState()) << " "
        << TreeIconName(node->GetImageId()) << "\n";
    for (const KFileEntry& file : node->GetFiles())
      out << indent << "  | " << file.GetPath() << "\n";
    DumpLabelledNodes(node->GetFirstChild(), depth + 1, out);
  }
}

inline std::string DumpLabelledTree(KProjectTree& tree) {
  std::ostringstream out;
  DumpLabelledNodes(tree.GetRootNode()->GetFirstChild(), 0, out);
  return out.str();
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
