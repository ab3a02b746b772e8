#include "TreePrinter.h"

#include <vector>

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/KT_PM_Node.h>

namespace ktpm::tool {

std::string DescribeNode(KT_PM_Node* node) {
  const std::string label = node->GetDisplayLabel();
  std::string line = (label.empty() ? std::string("\"\"") : label) + "\t" +
                     NodeTypeName(node->GetType()) + "/" + NodeSubTypeName(node->GetSubType()) +
                     "\t" + NodeStateName(node->GetState()) + "\t" +
                     TreeIconName(node->GetImageId());
  // The tree shows results by their own (often empty) label; result lists name them fully.
  if (node->GetType() == NT_RESULT) line += "\tresult: " + node->GetResultDisplayLabel();
  return line;
}

nlohmann::json NodeToJson(KT_PM_Node* node, bool withFiles) {
  nlohmann::json entry = {{"label", node->GetDisplayLabel()},
                          {"type", NodeTypeName(node->GetType())},
                          {"subType", NodeSubTypeName(node->GetSubType())},
                          {"state", NodeStateName(node->GetState())},
                          {"icon", TreeIconName(node->GetImageId())}};
  if (node->GetType() == NT_RESULT) entry["resultLabel"] = node->GetResultDisplayLabel();
  if (withFiles) {
    nlohmann::json files = nlohmann::json::array();
    for (const KFileEntry& file : node->GetFiles()) files.push_back(file.GetPath());
    entry["files"] = files;
  }
  return entry;
}

namespace {

nlohmann::json ChainToJson(KT_PM_Node* first, bool withFiles) {
  nlohmann::json nodes = nlohmann::json::array();
  for (KT_PM_Node* node = first; node != nullptr; node = node->GetNextSibling()) {
    nlohmann::json entry = NodeToJson(node, withFiles);
    if (node->GetFirstChild() != nullptr) {
      entry["children"] = ChainToJson(node->GetFirstChild(), withFiles);
    }
    nodes.push_back(std::move(entry));
  }
  return nodes;
}

}  // namespace

void PrintTree(std::ostream& out, KT_PM_Node* root, const TreePrintOptions& options) {
  if (options.json) {
    out << ChainToJson(root->GetFirstChild(), options.withFiles).dump(2) << "\n";
    return;
  }
  struct Item {
    KT_PM_Node* node;
    int depth;
  };
  std::vector<Item> pending;
  if (root->GetFirstChild() != nullptr) pending.push_back({root->GetFirstChild(), 0});
  while (!pending.empty()) {
    const Item item = pending.back();
    pending.pop_back();
    const std::string indent(static_cast<size_t>(item.depth) * 2, ' ');
    out << indent << DescribeNode(item.node) << "\n";
    if (options.withFiles) {
      for (const KFileEntry& file : item.node->GetFiles()) {
        out << indent << "    file: " << file.GetPath() << "\n";
      }
    }
    if (item.node->GetNextSibling() != nullptr) {
      pending.push_back({item.node->GetNextSibling(), item.depth});
    }
    if (item.node->GetFirstChild() != nullptr) {
      pending.push_back({item.node->GetFirstChild(), item.depth + 1});
    }
  }
}

}  // namespace ktpm::tool
