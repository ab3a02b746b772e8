#include "TreePrinter.h"

#include "Labels.h"
#include "Output.h"

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/KT_PM_Node.h>

namespace ktpm::tool {
namespace {

nlohmann::json ChainToJson(KT_PM_Node* first) {
  nlohmann::json nodes = nlohmann::json::array();
  for (KT_PM_Node* node = first; node != nullptr; node = node->GetNextSibling()) {
    nlohmann::json entry = NodeToJson(node);
    entry["children"] = ChainToJson(node->GetFirstChild());
    nodes.push_back(std::move(entry));
  }
  return nodes;
}

std::string ProgressBar(int done, int steps) {
  return "building the tree [" + std::string(static_cast<size_t>(done), '#') +
         std::string(static_cast<size_t>(steps - done), ' ') + "]";
}

}  // namespace

void BuildProgressSink::OnInitProgress(int steps) {
  m_steps = steps > 0 && steps <= 100 ? steps : 5;
  ShowStatusLine(ProgressBar(0, m_steps));
}

void BuildProgressSink::OnSetProgress(int step) {
  const int steps = m_steps;
  ShowStatusLine(ProgressBar(step < 0 ? 0 : (step > steps ? steps : step), steps));
}

void BuildProgressSink::OnEndProgress() { ClearStatusLine(); }

int NodeDepth(KT_PM_Node* node) {
  int depth = 0;
  // The root has no parent; a top-level node's parent is the root.
  for (KT_PM_Node* parent = node->GetParent(); parent != nullptr && parent->GetParent() != nullptr;
       parent = parent->GetParent()) {
    ++depth;
  }
  return depth;
}

nlohmann::json NodeToJson(KT_PM_Node* node) {
  nlohmann::json files = nlohmann::json::array();
  for (const KFileEntry& file : node->GetFiles()) files.push_back(file.GetPath());
  const std::string mainFile = node->GetMainFile();
  const bool result = node->GetType() == NT_RESULT;
  return {{"label", node->GetDisplayLabel()},
          {"kind", KindText(node->GetType(), node->GetSubType())},
          {"type", NodeTypeName(node->GetType())},
          {"subType", NodeSubTypeName(node->GetSubType())},
          {"state", NodeStateName(node->GetState())},
          {"stateText", StateText(node->GetState())},
          {"icon", TreeIconName(node->GetImageId())},
          {"resultLabel", JsonTextOrNull(result, result ? node->GetResultDisplayLabel() : "")},
          {"path", JsonTextOrNull(!mainFile.empty(), mainFile)},
          {"files", files}};
}

std::vector<std::string> NodeHeader() { return {"NODE", "KIND", "STATE", "FILE"}; }

std::vector<std::string> NodeCells(KT_PM_Node* node, int depth) {
  // A result's own label is often empty; the text names it as result lists do.
  std::string label =
      node->GetType() == NT_RESULT ? node->GetResultDisplayLabel() : node->GetDisplayLabel();
  if (label.empty()) label.assign(1, '-');
  const std::string mainFile = node->GetMainFile();
  return {std::string(static_cast<size_t>(depth) * 2, ' ') + label,
          KindText(node->GetType(), node->GetSubType()), StateText(node->GetState()),
          mainFile.empty() ? "-" : mainFile};
}

void PrintTree(KT_PM_Node* root, const std::string& directory, const TreePrintOptions& options) {
  if (options.json) {
    PrintJson({{"directory", directory}, {"nodes", ChainToJson(root->GetFirstChild())}});
    return;
  }
  TextTable table(NodeHeader());
  ForEachNode(root, [&](KT_PM_Node* node, int depth) {
    table.AddRow(NodeCells(node, depth));
    if (!options.withFiles) return;
    const std::string indent(static_cast<size_t>(depth) * 2 + 4, ' ');
    for (const KFileEntry& file : node->GetFiles())
      table.AddLine(indent + "file: " + file.GetPath());
  });
  table.Print();
}

}  // namespace ktpm::tool
