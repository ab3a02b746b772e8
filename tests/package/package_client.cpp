// A program that embeds ktpm as an application would: open a project, hold the tree lock while
// it walks the tree, close. Prints the version and the number of nodes, and exits 1 when the
// project shows no node.
#include <cstdio>

#include <ktpm/ktpm.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: package_client PROJECT_DIR\n");
    return 2;
  }
  KProjectTree tree;
  tree.SetInspectionMode(1);
  tree.Open(argv[1]);
  int nodes = 0;
  {
    auto lock = tree.LockTree();
    // Depth first, without recursion: first child, else next sibling, else up.
    for (KT_PM_Node* node = tree.GetRootNode()->GetFirstChild(); node != nullptr;) {
      ++nodes;
      if (node->GetFirstChild() != nullptr) {
        node = node->GetFirstChild();
        continue;
      }
      while (node != nullptr && node->GetNextSibling() == nullptr) node = node->GetParent();
      if (node != nullptr) node = node->GetNextSibling();
    }
  }
  tree.Close();
  std::printf("ktpm %s: %d nodes\n", KTPM_VERSION_STRING, nodes);
  return nodes > 0 ? 0 : 1;
}
