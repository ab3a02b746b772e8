// The side files of a node: notes, label, summary, solver screen and keyword output, error
// messages. Most are named by the registry's extension columns; the solver's outputs and error
// messages are recognised by the pattern of their extensions.
#include <string>

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/projtree/NodeTypes.h>

namespace {

// The base path plus the node kind's extension in a registry column; empty when the kind has none.
std::string RegistrySideFile(const KT_PM_Node& node, RegistryColumn column) {
  const char* extension = GetRegistryExtension(node.GetType(), node.GetSubType(), column);
  if (extension == nullptr || extension[0] == '\0') return std::string();
  return node.GetBasePath() + extension;
}

// The first of the node's files whose extension (from the last ".") has the character at
// position 1, just after the dot.
const KFileEntry* FindFileByExtensionDigit(const KT_PM_Node& node, char digit) {
  for (const KFileEntry& file : node.GetFiles()) {
    const std::string extension = file.GetExtension();
    if (extension.size() >= 2 && extension[1] == digit) return &file;
  }
  return nullptr;
}

}  // namespace

std::string KT_PM_Node::GetLabelFile() { return RegistrySideFile(*this, RC_LABEL); }

std::string KT_PM_Node::GetNotesFile() { return RegistrySideFile(*this, RC_NOTES); }

std::string KT_PM_Node::GetScreenOutputFile() {
  if (const KFileEntry* file = FindFileByExtensionDigit(*this, '5')) return file->GetPath();
  if (GetType() != NT_RESULT) return std::string();
  // The solver writes its screen output beside the input, with the first digit of the input's
  // extension raised by 5 (".001" gives ".501", ".040" gives ".540").
  const KT_PM_Node* input = GetInputOfResult();
  if (input == nullptr) return std::string();
  std::string name = input->GetMainFile();
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 >= name.size()) return std::string();
  name[dot + 1] = static_cast<char>(static_cast<unsigned char>(name[dot + 1]) + 5);
  return KFileEntry(name).Exists() ? name : std::string();
}

std::string KT_PM_Node::GetKeywordOutputFile() {
  const KFileEntry* file = FindFileByExtensionDigit(*this, '9');
  return file != nullptr ? file->GetPath() : std::string();
}

std::string KT_PM_Node::GetSummaryFile() {
  std::string extension;
  if (GetType() == NT_RESULT) {
    // A result's summary depends on the mesh it ran on and the aim of its run.
    const KT_PM_Node* mesh = GetModelMeshNode();
    if (mesh != nullptr) {
      extension = GetResultExtension(GetSubType(), mesh->GetSubType(), GetFlowAim(), RT_SUMMARY);
    }
  } else {
    const char* registry = GetRegistryExtension(GetType(), GetSubType(), RC_SUMMARY);
    if (registry != nullptr) extension = registry;
  }
  if (extension.empty()) return std::string();
  return GetBasePath() + extension;
}

int KT_PM_Node::HasSummaryFile() {
  const std::string name = GetSummaryFile();
  if (name.empty()) return 0;
  return KFileEntry(name).Exists() ? 1 : 0;
}

int KT_PM_Node::GetKeywordFile(std::string& out) {
  // Input keyword files have a "0" right after the dot: ".001", ".040", ".090".
  if (const KFileEntry* file = FindFileByExtensionDigit(*this, '0')) {
    out = file->GetPath();
    return 1;
  }
  out.clear();
  return 0;
}

int KT_PM_Node::GetErrorMsgFile(std::string& out) {
  // Error output ends in "3e" (".m3e") or "se" (".fse", ".ise", ".pse"...).
  for (const KFileEntry& file : m_files) {
    if (file.HasSuffix("3e") || file.HasSuffix("se")) {
      out = file.GetPath();
      return 1;
    }
  }
  out.clear();
  return 0;
}
