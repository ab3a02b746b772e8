// Printing a project tree for people (indented lines) or scripts (JSON).
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

class KT_PM_Node;

namespace ktpm::tool {

struct TreePrintOptions {
  bool withFiles = false;
  bool json = false;
};

// One line of a node: display label, kind/subtype, state, icon.
std::string DescribeNode(KT_PM_Node* node);
// A node (without its children) as a JSON object.
nlohmann::json NodeToJson(KT_PM_Node* node, bool withFiles);
// The children of root, depth first, indented by two blanks a level; or one JSON document.
void PrintTree(std::ostream& out, KT_PM_Node* root, const TreePrintOptions& options);

}  // namespace ktpm::tool
