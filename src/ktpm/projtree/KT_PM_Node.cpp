// KT_PM_Node: links, files, states and the analysis relations of one node.
#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/mesh/KModelFile.h>
#include <ktpm/platform/DirectoryListing.h>
#include <ktpm/platform/MappedFile.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/projtree/FileNameRules.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/projtree/NodeFileAccess.h>

using ktpm::detail::EndsWithNoCase;
using ktpm::detail::ExtensionOf;
using ktpm::detail::WithExtension;

namespace {

bool SameName(const std::string& a, const std::string& b) {
  return ktpm::detail::EqualsNoCase(a, b);
}

bool IsMoldSubType(Node_SubType subType) {
  return subType == NST_MESH_MOLD_MIDPLANE || subType == NST_MESH_MOLD_FUSION;
}

}  // namespace

std::string KT_PM_Node::GetMainFile() const {
  return m_files.empty() ? std::string() : m_files.front().GetPath();
}

void KT_PM_Node::SetState(Node_State state) {
  m_state = state;
  if (state != NS_DELETED) m_imageId = GetKindIcon(m_type, m_subType, m_state);
}

void KT_PM_Node::SetType(Node_Type type, Node_SubType subType) {
  m_type = type;
  SetSubType(subType);
}

int KT_PM_Node::CanSetSubType(Node_SubType subType) const {
  if (m_type != NT_MESH || IsMoldSubType(m_subType) || m_subType == NST_MESH_3D) return 0;
  // Every result below the mesh must still be pending.
  std::vector<const KT_PM_Node*> pending;
  if (m_firstChild != nullptr) pending.push_back(m_firstChild);
  while (!pending.empty()) {
    const KT_PM_Node* node = pending.back();
    pending.pop_back();
    if (node->m_type == NT_RESULT && node->m_state != NS_PENDING) return 0;
    if (node->m_nextSibling != nullptr) pending.push_back(node->m_nextSibling);
    if (node->m_firstChild != nullptr) pending.push_back(node->m_firstChild);
  }
  if (subType == NST_MESH_FUSION) return 1;
  if (subType == NST_MESH_MIDPLANE) return m_state == NS_OK ? 1 : 0;
  return 0;
}

void KT_PM_Node::SetSubType(Node_SubType subType) {
  const bool midplaneFusionChange =
      (m_subType == NST_MESH_MIDPLANE && subType == NST_MESH_FUSION) ||
      (m_subType == NST_MESH_FUSION && subType == NST_MESH_MIDPLANE);
  // The model file states the mesh's type; a tree in inspection mode leaves it as it is.
  if (midplaneFusionChange && !m_files.empty() &&
      (m_tree == nullptr || !m_tree->IsInspectionMode())) {
    KModelFile model(GetMainFile());
    if (!model.SetMeshModelType(subType == NST_MESH_FUSION ? MMT_FUSION : MMT_MIDPLANE) &&
        m_tree != nullptr) {
      m_tree->ReportDiagnostic(KDS_WARNING,
                               "Cannot write " + GetMainFile() + " to record its mesh type.");
    }
  }
  m_subType = subType;
  m_imageId = GetKindIcon(m_type, m_subType, m_state);
}

int KT_PM_Node::AddNodeFile(const std::string& name) {
  if (FindFileInNodeFiles(name)) return 0;
  m_files.emplace_back(name);
  if (m_tree != nullptr) m_tree->OnNodeFileAdded(this, name);
  return 1;
}

int KT_PM_Node::FindFileInNodeFiles(const std::string& name) const {
  for (const KFileEntry& file : m_files) {
    if (SameName(file.GetPath(), name)) return 1;
  }
  return 0;
}

int KT_PM_Node::FindFileWithSuffixInNodeFiles(std::string& found, const std::string& suffix) const {
  for (const KFileEntry& file : m_files) {
    if (file.HasSuffix(suffix)) {
      found = file.GetPath();
      return 1;
    }
  }
  return 0;
}

void KT_PM_Node::LockNodeFiles(int lock) {
  if (m_type == NT_REPORT_TEMPLATE) return;
  if (m_tree != nullptr && m_tree->IsInspectionMode()) return;
  for (KFileEntry& file : m_files) {
    if (file.IsWriteProtected() == lock) continue;
    // A file that is not there has no protection to change.
    if (!file.SetReadOnly(lock) && m_tree != nullptr && file.Exists()) {
      m_tree->ReportProtectionFailure(file.GetPath(), lock);
    }
  }
}

void KT_PM_Node::RemoveFileAt(size_t index) {
  if (index == 0 || index >= m_files.size()) return;
  const std::string name = m_files[index].GetPath();
  m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(index));
  if (m_tree != nullptr) m_tree->OnNodeFileRemoved(this, name);
}

void KT_PM_Node::SetMainFileName(const std::string& name) {
  if (m_files.empty()) {
    AddNodeFile(name);
  } else {
    const std::string old = m_files.front().GetPath();
    m_files.front().SetPath(name);
    if (m_tree != nullptr) {
      m_tree->OnNodeFileRemoved(this, old);
      m_tree->OnNodeFileAdded(this, name);
    }
  }
  const size_t dot = name.rfind('.');
  m_basePath = dot == std::string::npos ? name : name.substr(0, dot);
}

void KT_PM_Node::TruncateFilesToMain() {
  while (m_files.size() > 1) RemoveFileAt(m_files.size() - 1);
}

void KT_PM_Node::DetachFromParent() {
  if (m_parent == nullptr) return;
  KT_PM_Node** link = &m_parent->m_firstChild;
  while (*link != nullptr && *link != this) link = &(*link)->m_nextSibling;
  if (*link == this) *link = m_nextSibling;
  m_parent = nullptr;
  m_nextSibling = nullptr;
}

// --- Flow aim --------------------------------------------------------------------------------

FlowAim KT_PM_Node::GetFlowAim() const {
  const KT_PM_Node* node = this;
  while (node->m_type == NT_RESULT) {
    // A fill result that holds the result of its continuation.
    if (node->m_firstChild != nullptr && node->m_firstChild->m_type == NT_RESULT) return FA_FILL;
    const KT_PM_Node* parent = node->m_parent;
    if (parent == nullptr) return FA_NONE;
    if (parent->m_type != NT_RESULT) {
      node = parent;
      break;
    }
    const KT_PM_Node* grandparent = parent->m_parent;
    if (grandparent == nullptr) return FA_NONE;
    node = grandparent;
  }
  return node->m_files.empty() ? FA_NONE : node->m_flowAim;
}

void KT_PM_Node::UpdateFlowAim() {
  if (m_subType != NST_FLOW) return;
  const std::string aim =
      ktpm::detail::ReadNodeKeywords(*this, GetMainFile())->GetValue("3DFLOW_ANALYSIS_AIM");
  static const std::pair<const char*, FlowAim> kAims[] = {{"FILL", FA_FILL},
                                                          {"PACK", FA_PACK},
                                                          {"BALANCE", FA_BALANCE},
                                                          {"CURING", FA_CURE},
                                                          {"MOLD_WINDOW", FA_MOLD_WINDOW},
                                                          {"GATE_LOCATION", FA_GATE_LOCATION}};
  m_flowAim = FA_NONE;
  for (const auto& [text, value] : kAims) {
    if (aim.find(text) != std::string::npos) {
      m_flowAim = value;
      break;
    }
  }
}

// --- Relations of analyses ---------------------------------------------------------------------

KT_PM_Node* KT_PM_Node::GetModelMeshNode() {
  if (m_type == NT_MESH && !IsMoldSubType(m_subType)) return this;
  for (KT_PM_Node* node = m_parent; node != nullptr; node = node->m_parent) {
    if ((node->m_type == NT_MESH || node->m_type == NT_MODEL) && !IsMoldSubType(node->m_subType)) {
      return node;
    }
  }
  return nullptr;
}

KT_PM_Node* KT_PM_Node::GetInputOfResult() const {
  KT_PM_Node* input = m_parent;
  if (input != nullptr && input->m_type == NT_RESULT) input = input->m_parent;
  return input;
}

KT_PM_Node* KT_PM_Node::GetMoldMeshNode() {
  auto isMold = [](const KT_PM_Node* node) {
    return node->m_type == NT_MESH &&
           (IsMoldSubType(node->m_subType) || node->m_subType == NST_MESH_19);
  };
  if (isMold(this)) return this;
  if (m_type == NT_BOUNDARY_CONDITION && m_subType == NST_COOL) {
    return m_parent != nullptr && isMold(m_parent) ? m_parent : nullptr;
  }
  if (m_type == NT_RESULT && m_subType == NST_COOL) {
    if (m_parent != nullptr && m_parent->m_type == NT_ANALYSIS_INPUT &&
        m_parent->m_subType == NST_COOL) {
      return m_parent->GetMoldMeshNode();
    }
    return nullptr;
  }
  if (m_type != NT_ANALYSIS_INPUT || m_subType != NST_COOL) return nullptr;
  std::string moldFile =
      ktpm::detail::ReadNodeKeywords(*this, GetMainFile())->GetValue("3DCOOL_MOLD_MODEL_FILE");
  if (moldFile.find('.') == std::string::npos) {
    moldFile += GetRegistryExtension(NT_MESH, NST_DEFAULT, RC_MAIN);
  }
  KT_PM_Node* mesh = GetModelMeshNode();
  if (mesh == nullptr) return nullptr;
  for (KT_PM_Node* child = mesh->m_firstChild; child != nullptr; child = child->m_nextSibling) {
    if (child->m_subType != NST_MOLD_BIN) continue;
    for (KT_PM_Node* mold = child->m_firstChild; mold != nullptr; mold = mold->m_nextSibling) {
      if (SameName(mold->GetMainFile(), moldFile)) return mold;
    }
    return nullptr;
  }
  return nullptr;
}

namespace {

// The keyword that names the boundary condition of an input of a subtype on a mesh subtype.
const char* BoundaryConditionKeyword(Node_SubType analysis, Node_SubType mesh) {
  switch (analysis) {
    case NST_FLOW:
      return mesh == NST_MESH_3D ? "MOLD3D_BOUNDARY_CONDITION" : "3DFLOW_BOUNDARY_CONDITION";
    case NST_COOL:
      return mesh == NST_MESH_XSECTION ? "2DCOOL_BOUNDARY_CONDITION" : "3DCOOL_BOUNDARY_CONDITION";
    case NST_WARP:
    case NST_STRESS:
      return "3DSTRUCT_BOUNDARY_CONDITION";
    default:
      return nullptr;
  }
}

// The external load file a structural solver names in its result: the text after the last blank
// of the first line that mentions it.
std::string ExternalLoadFileOfResult(const std::string& resultFile) {
  KMappedStdioFile file;
  if (!file.Open(resultFile, KMappedStdioFile::modeRead | KMappedStdioFile::typeText)) return {};
  std::string line;
  while (file.ReadString(line)) {
    if (line.find("External load/constraint file") == std::string::npos) continue;
    const size_t blank = line.rfind(' ');
    return blank == std::string::npos ? line : line.substr(blank + 1);
  }
  return {};
}

}  // namespace

KT_PM_Node* KT_PM_Node::GetBoundaryConditionNode() {
  KT_PM_Node* mesh = GetModelMeshNode();
  if (mesh == nullptr) return nullptr;
  KT_PM_Node* input = this;
  while (input != nullptr && input->m_type == NT_RESULT) input = input->m_parent;
  if (input == nullptr || input->m_type != NT_ANALYSIS_INPUT) return nullptr;
  const char* keyword = BoundaryConditionKeyword(input->m_subType, mesh->m_subType);
  if (keyword == nullptr) return nullptr;
  std::string name =
      ktpm::detail::ReadNodeKeywords(*input, input->GetMainFile())->GetValue(keyword);
  const bool structural = input->m_subType == NST_WARP || input->m_subType == NST_STRESS;
  KT_PM_Node* result = input->m_firstChild;
  if (structural && name.empty() && result != nullptr && result->m_type == NT_RESULT &&
      result->m_state == NS_OK) {
    name = ExternalLoadFileOfResult(result->GetMainFile());
  }
  if (name.find('.') == std::string::npos) {
    const char* extension = GetRegistryExtension(NT_BOUNDARY_CONDITION, input->m_subType, RC_MAIN);
    if (extension != nullptr) name += extension;
  }
  return FindNodeWithFile(mesh->m_firstChild, name);
}

// --- Side files from disk ------------------------------------------------------------------------

void KT_PM_Node::UpdateNodeFiles() {
  if (m_type != NT_MESH && m_type != NT_RESULT) return;
  const KFileEntry base(m_basePath);
  const std::string directory = base.GetDirectory();
  const std::string prefix = m_basePath.substr(directory.empty() ? 0 : directory.size() + 1) + ".";
  for (const ktpm::detail::DirectoryItem& item : ktpm::detail::ListDirectory(directory)) {
    if (item.isDirectory) continue;
    if (item.name.size() < prefix.size() ||
        !ktpm::detail::EqualsNoCase(std::string_view(item.name).substr(0, prefix.size()), prefix)) {
      continue;
    }
    const std::string name = directory.empty() ? item.name : directory + "/" + item.name;
    if (FindFileInNodeFiles(name)) continue;
    if (m_type == NT_MESH) {
      UpdateMeshFiles(name);
    } else {
      UpdateResultFiles(name);
    }
  }
}

void KT_PM_Node::UpdateMeshFiles(const std::string& name) {
  if (name.size() < 4) return;
  const std::string ending = ktpm::detail::ToLowerAscii(name.substr(name.size() - 4));
  if (ending == ".581" || ending == ".isu" || ending == ".txt" || ending == ".lab" ||
      ending == ".tet") {
    AddNodeFile(name);
  } else if (ending == ".ela" || ending == ".nda" || ending == ".ain" || ending == ".ata") {
    if (m_subType != NST_MESH_3D && m_subType != NST_MESH_19) AddNodeFile(name);
  }
}

void KT_PM_Node::UpdateResultFiles(const std::string& name) {
  const bool parentIsResult = m_parent != nullptr && m_parent->m_type == NT_RESULT;
  // The time series belongs to the outer fill result.
  if (EndsWithNoCase(name, ".fts") && parentIsResult) return;
  const std::string extension = ExtensionOf(name);
  const auto& selectors = GetResultSelectorTable();
  for (size_t row = 0; row < selectors.size(); ++row) {
    if (selectors[row].analysis != m_subType) continue;
    if (MatchResultList(static_cast<int>(row), extension) == RT_NONE) continue;
    if (selectors[row].aim == FA_FILL && parentIsResult) {
      m_parent->AddNodeFile(name);
    } else {
      AddNodeFile(name);
    }
    return;
  }
  KT_PM_Node* input = GetInputOfResult();
  if (input != nullptr) AttachRunOutputs(this, input);
}

// --- Operations the tree uses ------------------------------------------------------------------

KT_PM_Node* KT_PM_Node::AppendChild(KT_PM_Node* parent, KT_PM_Node* child) {
  if (child->m_parent != nullptr) return child->m_parent;
  // A deleted node is out of the tree: nothing hangs under it, and it hangs nowhere (a build may
  // still find it by a file name until its file comes back and it is found again).
  if (parent->m_state == NS_DELETED) return parent;
  if (child->m_state == NS_DELETED) return child;
  for (KT_PM_Node* node = parent; node != nullptr; node = node->m_parent) {
    if (node == child) return child;
  }
  child->m_parent = parent;
  KT_PM_Node** link = &parent->m_firstChild;
  while (*link != nullptr) link = &(*link)->m_nextSibling;
  *link = child;
  return nullptr;
}

KT_PM_Node* KT_PM_Node::FindNodeWithFile(KT_PM_Node* start, const std::string& name) {
  // Depth first, the same order as the recursion "node, children, next siblings", without
  // recursion so that a long sibling chain cannot exhaust the stack.
  std::vector<KT_PM_Node*> pending;
  if (start != nullptr) pending.push_back(start);
  while (!pending.empty()) {
    KT_PM_Node* node = pending.back();
    pending.pop_back();
    if (node->FindFileInNodeFiles(name)) return node;
    if (node->m_nextSibling != nullptr) pending.push_back(node->m_nextSibling);
    if (node->m_firstChild != nullptr) pending.push_back(node->m_firstChild);
  }
  return nullptr;
}

int KT_PM_Node::AttachErrorOutput(KT_PM_Node* node) {
  const std::string main = node->GetMainFile();
  auto attachIfNotEmpty = [&](const std::string& candidate) {
    if (!ktpm::detail::NodeFileExists(*node, candidate)) return false;
    KFileEntry file(candidate);
    if (!file.Exists() || file.GetSize() == 0) return false;
    node->AddNodeFile(candidate);
    return true;
  };
  if (attachIfNotEmpty(WithExtension(main, ".mse"))) return 1;
  for (const KNodeFileType& row : GetNodeFileTypeTable()) {
    if (row.type != node->m_type || row.subType != node->m_subType) continue;
    if (row.ext[RC_ERROR_OUTPUT] == nullptr) continue;
    if (attachIfNotEmpty(WithExtension(main, row.ext[RC_ERROR_OUTPUT]))) return 1;
  }
  return 0;
}

int KT_PM_Node::RefreshNodeState(KT_PM_Node* node) {
  AttachErrorOutput(node);
  const std::string main = node->GetMainFile();
  if (!ktpm::detail::NodeFileExists(*node, main)) return 0;
  if (EndsWithNoCase(main, ".m3r")) {
    const std::string summary =
        WithExtension(main, GetResultExtension(NST_FLOW, NST_MESH_3D, FA_NONE, RT_SUMMARY));
    if (ktpm::detail::NodeFileExists(*node, summary)) node->AddNodeFile(summary);
    bool completed = false;
    KMappedStdioFile file;
    if (file.Open(summary, KMappedStdioFile::modeRead | KMappedStdioFile::typeText)) {
      std::string line;
      while (!completed && file.ReadString(line)) {
        completed = line.find("Completed analysis") != std::string::npos;
      }
    }
    if (!completed) {
      node->SetState(NS_PENDING);
      return 0;
    }
  }
  return 1;
}

void KT_PM_Node::AttachRunOutputs(KT_PM_Node* result, KT_PM_Node* input) {
  const std::string inputFile = input->GetMainFile();
  const std::string extension = ExtensionOf(inputFile);
  if (extension.size() < 2) return;
  for (char digit : {'5', '9'}) {
    std::string output = extension;
    output[1] = digit;
    const std::string name = WithExtension(inputFile, output);
    if (ktpm::detail::NodeFileExists(*result, name)) result->AddNodeFile(name);
  }
}
