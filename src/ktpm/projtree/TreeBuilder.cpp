// KProjectTree::BuildTree: makes the tree agree with the project directory.
//
// The directory listing is the name list; each pass gives names to nodes and removes them from
// the list, so a later pass only sees what earlier ones left. Every pass asks IsClosing() so that
// a newer resync or Close makes a running build give up at once.
#include <cerrno>
#include <memory>
#include <system_error>
#include <unordered_map>

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/mesh/KBCFile.h>
#include <ktpm/mesh/KModelFile.h>
#include <ktpm/platform/DirectoryListing.h>
#include <ktpm/platform/FileOperations.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/projtree/BuildCache.h>
#include <ktpm/projtree/FileNameRules.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/report/KReportTemplate.h>

using ktpm::detail::CutExtension;
using ktpm::detail::EndsWithNoCase;
using ktpm::detail::EnsureExtension;
using ktpm::detail::ExtensionOf;
using ktpm::detail::Mesh3DExtension;
using ktpm::detail::MeshExtension;
using ktpm::detail::MeshFileName;
using ktpm::detail::ToLowerAscii;
using ktpm::detail::WithExtension;

namespace {

// The names of the current directory's files (not directories), in listing order; each is added
// to the build's cache, which answers the existence tests of the build. false when the directory
// cannot be read.
bool ListProjectFiles(ktpm::detail::BuildCache& cache, std::vector<std::string>& names) {
  std::vector<ktpm::detail::DirectoryItem> items;
  if (!ktpm::detail::ListDirectory("", items)) return false;
  for (const auto& item : items) {
    if (item.isDirectory) continue;
    cache.AddListed(item.name);
    names.push_back(item.name);
  }
  return true;
}

// errno as words, for a diagnostic.
std::string ErrorText(int error) { return std::generic_category().message(error); }

// Rules that keep a main file from making its own node. Returns false when the name must not
// match any row; *drop is set when the name leaves the list for good.
bool MayMakeNode(const std::string& name, const ktpm::detail::BuildCache& list, bool* drop) {
  *drop = false;
  if (EndsWithNoCase(name, ".inp")) {
    // The stress solver's own input, and the files of a warp or stress analysis.
    if (ktpm::detail::EqualsNoCase(name, "ktstress.inp")) return false;
    return !list.IsListed(WithExtension(name, ".060")) &&
           !list.IsListed(WithExtension(name, ".061"));
  }
  if (EndsWithNoCase(name, ".001")) {
    // The pack or cure input of the same base name stands for the analysis.
    *drop =
        list.IsListed(WithExtension(name, ".002")) || list.IsListed(WithExtension(name, ".004"));
    return !*drop;
  }
  if (EndsWithNoCase(name, ".005")) {
    *drop = list.IsListed(WithExtension(name, ".006"));
    return !*drop;
  }
  return true;
}

// The rows of the node file-type table whose notes or label extension is the extension.
const std::vector<const KNodeFileType*>& RowsBySideExtension(const std::string& extension) {
  static const auto index = [] {
    std::unordered_map<std::string, std::vector<const KNodeFileType*>> map;
    for (const KNodeFileType& row : GetNodeFileTypeTable()) {
      for (int column : {RC_NOTES, RC_LABEL}) {
        if (row.ext[column] == nullptr) continue;
        auto& rows = map[row.ext[column]];
        if (rows.empty() || rows.back() != &row) rows.push_back(&row);
      }
    }
    return map;
  }();
  static const std::vector<const KNodeFileType*> none;
  const auto it = index.find(ToLowerAscii(extension));
  return it == index.end() ? none : it->second;
}

// The keyword naming a flow, cool or structural input's boundary condition while building.
std::string BoundaryConditionName(const KKeywordFile& keywords, Node_SubType analysis) {
  switch (analysis) {
    case NST_FLOW: {
      std::string name = keywords.GetValue("3DFLOW_BOUNDARY_CONDITION");
      return name.empty() ? keywords.GetValue("MOLD3D_BOUNDARY_CONDITION") : name;
    }
    case NST_COOL: {
      std::string name = keywords.GetValue("3DCOOL_BOUNDARY_CONDITION");
      return name.empty() ? keywords.GetValue("2DCOOL_BOUNDARY_CONDITION") : name;
    }
    case NST_WARP:
    case NST_STRESS:
      return keywords.GetValue("3DSTRUCT_BOUNDARY_CONDITION");
    default:
      return {};
  }
}

// A node found by a file name, as an attach may use it: a deleted node stays out of the tree
// until its file comes back (the name step then finds it again).
KT_PM_Node* Live(KT_PM_Node* node) {
  return node != nullptr && node->GetState() == NS_DELETED ? nullptr : node;
}

struct InputKeywords {
  KT_PM_Node* input;
  std::shared_ptr<KKeywordFile> keywords;
};

// Holds the build's cache for one BuildTree, however the build ends.
class BuildScope {
 public:
  explicit BuildScope(std::unique_ptr<ktpm::detail::BuildCache>& slot) : m_slot(slot) {
    m_slot = std::make_unique<ktpm::detail::BuildCache>();
  }
  BuildScope(const BuildScope&) = delete;
  BuildScope& operator=(const BuildScope&) = delete;
  ~BuildScope() { m_slot.reset(); }
  ktpm::detail::BuildCache& Cache() { return *m_slot; }

 private:
  std::unique_ptr<ktpm::detail::BuildCache>& m_slot;
};

}  // namespace

void KProjectTree::BuildTree() {
  const bool rebuild = !m_nodes.empty();
  InitProgress(5);

  // Step 2: the name list. A project directory that cannot be entered or read lists nothing:
  // the names of whatever directory is current would make a tree of another project.
  BuildScope scope(m_buildCache);
  ktpm::detail::BuildCache& list = scope.Cache();
  std::vector<std::string> names;
  if (!ktpm::detail::ChangeCurrentDirectory(m_projectPath) || !ListProjectFiles(list, names)) {
    ReportDiagnostic(KDS_ERROR, "Cannot list the project directory " + m_projectPath + ": " +
                                    ErrorText(errno) + ".");
  }
  AddUnwrittenFilesToBuild();
  if (IsClosing()) return;
  SetProgress(1);

  // Step 3: main files make nodes.
  for (std::string& name : names) {
    if (IsClosing()) return;
    bool drop = false;
    const bool eligible = MayMakeNode(name, list, &drop);
    if (drop) name.clear();
    if (!eligible) continue;
    const KNodeFileType* row = FindRowByMainExtension(ExtensionOf(name));
    if (row == nullptr) continue;
    KT_PM_Node* existing = rebuild ? FindInternalNode(name) : nullptr;
    if (existing != nullptr) {
      if (existing->GetState() == NS_DELETED) existing->SetClientData(0);
      if (KT_PM_Node::RefreshNodeState(existing)) {
        existing->SetState(NS_OK);
        // Deleting cut every link: a model found again stands under the root, as a new one.
        const Node_Type type = existing->GetType();
        if ((type == NT_CAD_MODEL || type == NT_MODEL) && existing->GetParent() == nullptr) {
          KT_PM_Node::AppendChild(&m_root, existing);
        }
        if (existing->GetClientData() != 0) DoCallback(existing);
      }
    } else {
      KT_PM_Node* node = CreateNode(name, row->type, row->subType);
      if (node->GetType() == NT_MESH && EndsWithNoCase(name, MeshExtension())) {
        DoMeshCheck(node);
        if (node->GetType() == NT_MODEL) KT_PM_Node::AppendChild(&m_root, node);
      } else if (node->GetType() == NT_CAD_MODEL) {
        KT_PM_Node::AppendChild(&m_root, node);
      }
    }
    name.clear();
  }

  // Step 4: results of the analysis inputs.
  if (IsClosing()) return;
  SetProgress(2);
  std::vector<InputKeywords> inputs;
  const size_t nodeCount = m_nodes.size();
  for (size_t i = 0; i < nodeCount; ++i) {
    if (IsClosing()) return;
    KT_PM_Node* node = m_nodes[i].get();
    if (node->GetType() != NT_ANALYSIS_INPUT || node->GetState() == NS_DELETED) continue;
    std::shared_ptr<KKeywordFile> keywords = LoadKeywords(node->GetMainFile());
    AttachResultNode(node, *keywords);
    inputs.push_back({node, std::move(keywords)});
  }

  // Step 5: left-over result files join their results; report requests are added as a new
  // file is, which announces the report.
  if (IsClosing()) return;
  const auto& selectors = GetResultSelectorTable();
  for (std::string& name : names) {
    if (name.empty()) continue;
    if (EndsWithNoCase(name, ".rpi")) {
      AddFile(name.c_str());
      name.clear();
      continue;
    }
    const std::string extension = ExtensionOf(name);
    const std::string base = CutExtension(name);
    for (size_t row = 0; row < selectors.size(); ++row) {
      if (MatchResultList(static_cast<int>(row), extension) == RT_NONE) continue;
      KT_PM_Node* result = FindNodeByBase(base.c_str(), NT_RESULT, selectors[row].analysis);
      if (result == nullptr) continue;
      const FlowAim aim = selectors[row].aim;
      KT_PM_Node* owner = result;
      if (aim == FA_PACK || aim == FA_CURE) {
        KT_PM_Node* child = result->GetFirstChild();
        if (child != nullptr && child->GetType() == NT_RESULT) owner = child;
      } else if (result->GetParent() != nullptr && result->GetParent()->GetType() == NT_RESULT) {
        owner = result->GetParent();
      }
      owner->AddNodeFile(name);
      name.clear();
      break;
    }
  }
  if (IsClosing()) return;

  // Step 6: materials and report templates.
  for (size_t i = 0; i < m_nodes.size(); ++i) {
    KT_PM_Node* node = m_nodes[i].get();
    if (node->GetState() == NS_DELETED || node->GetFiles().empty()) continue;
    if (node->GetType() == NT_MATERIAL) {
      const std::string mesh =
          MeshFileName(LoadKeywords(node->GetMainFile())->GetValue("PLASTIC_MODEL"));
      if (KT_PM_Node* meshNode = Live(FindInternalNode(mesh))) AddMaterialNode(meshNode, node);
      const std::string shrinkage = WithExtension(node->GetMainFile(), ".dss");
      if (list.IsListed(shrinkage)) node->AddNodeFile(shrinkage);
    } else if (node->GetType() == NT_REPORT_TEMPLATE) {
      KReportTemplate reportTemplate;
      reportTemplate.ReadHeader(node->GetMainFile());
      if (KT_PM_Node* parent = FindInternalNode(reportTemplate.GetProjectParentNode())) {
        KT_PM_Node::AppendChild(parent, node);
      }
      CheckRPTChildren(node, reportTemplate);
    }
  }
  if (IsClosing()) return;

  // Step 7: inputs hang under what they start from.
  for (InputKeywords& pair : inputs) AttachPCNode(pair.input, *pair.keywords);
  if (IsClosing()) return;

  // Step 8: boundary conditions and mold models of the inputs.
  for (InputKeywords& pair : inputs) {
    KT_PM_Node* input = pair.input;
    const Node_SubType analysis = input->GetSubType();
    std::string bcName = BoundaryConditionName(*pair.keywords, analysis);
    std::string moldName =
        analysis == NST_COOL ? pair.keywords->GetValue("3DCOOL_MOLD_MODEL_FILE") : std::string();
    KT_PM_Node* mesh = input->GetParent();
    while (mesh != nullptr && mesh->GetType() != NT_MESH) mesh = mesh->GetParent();
    if (mesh == nullptr) continue;
    KT_PM_Node* mold = nullptr;
    if (!moldName.empty()) {
      mold = Live(FindInternalNode(EnsureExtension(moldName, MeshExtension())));
      if (mold != nullptr) {
        if (mold->GetSubType() == NST_MESH_FUSION) mold->SetSubType(NST_MESH_MOLD_FUSION);
        if (mold->GetSubType() == NST_MESH_MIDPLANE) mold->SetSubType(NST_MESH_MOLD_MIDPLANE);
        AddMoldNode(mesh, mold);
      }
    }
    const char* bcExtension = GetRegistryExtension(NT_BOUNDARY_CONDITION, analysis, RC_MAIN);
    if (bcName.empty() || bcExtension == nullptr) continue;
    KT_PM_Node* bc = Live(FindInternalNode(EnsureExtension(bcName, bcExtension)));
    if (bc == nullptr) continue;
    bc->SetSubType(analysis);
    if (analysis == NST_COOL && mold != nullptr) {
      if (mold->GetType() != NT_MODEL) AddBCNode(mold, bc);
    } else {
      AddBCNode(mesh, bc);
    }
  }
  inputs.clear();
  if (IsClosing()) return;

  // Step 9: mold meshes hang under their cavity models.
  for (size_t i = 0; i < m_nodes.size(); ++i) {
    KT_PM_Node* node = m_nodes[i].get();
    if (node->GetState() == NS_DELETED || node->GetParent() != nullptr) continue;
    if (node->GetSubType() != NST_MESH_MOLD_MIDPLANE &&
        node->GetSubType() != NST_MESH_MOLD_FUSION) {
      continue;
    }
    KModelFile model(node->GetMainFile());
    std::string cavity;
    if (model.GetCavityModel(cavity) && !cavity.empty()) {
      if (KT_PM_Node* parent = Live(FindInternalNode(cavity))) AddMoldNode(parent, node);
    }
  }
  if (IsClosing()) return;

  // Step 10: translator inputs, and meshes under the CAD models they were translated from.
  for (std::string& name : names) {
    if (name.empty()) continue;
    if (AddTranslatorInput(name.c_str()) != nullptr) name.clear();
  }
  for (size_t i = 0; i < m_nodes.size(); ++i) {
    KT_PM_Node* node = m_nodes[i].get();
    if (node->GetState() == NS_DELETED) continue;
    const bool placeholder = IsUnderPlaceholder(node);
    if (node->GetParent() != nullptr && !placeholder) continue;
    if (node->GetSubType() != NST_MESH_MIDPLANE && node->GetSubType() != NST_MESH_FUSION) {
      continue;
    }
    KModelFile model(node->GetMainFile());
    std::string source;
    if (model.GetUnvSource(source) && !source.empty()) {
      KT_PM_Node* parent = FindInternalNode(source);
      if (parent == nullptr) continue;
      if (placeholder) {
        MoveFromPlaceholder(node, parent);
      } else {
        KT_PM_Node::AppendChild(parent, node);
      }
    }
  }

  // Step 11: side files.
  if (IsClosing()) return;
  SetProgress(3);
  for (std::string& name : names) {
    if (name.empty()) continue;
    const std::string extension = ExtensionOf(name);
    bool taken = false;
    for (const KNodeFileType* row : RowsBySideExtension(extension)) {
      const std::string main =
          CutExtension(name) + (row->ext[RC_MAIN] != nullptr ? row->ext[RC_MAIN] : "");
      if (KT_PM_Node* owner = FindInternalNode(main)) {
        owner->AddNodeFile(name);
        taken = true;
        break;
      }
    }
    if (!taken && IsMeshSideFileExtension(extension)) {
      KT_PM_Node* mesh = FindInternalNode(WithExtension(name, MeshExtension()));
      if (mesh == nullptr) mesh = FindInternalNode(WithExtension(name, Mesh3DExtension()));
      if (mesh != nullptr) mesh->AddNodeFile(name);
      taken = true;
    }
    if (taken) name.clear();
  }

  // Step 12: meshes without a model get a placeholder CAD model.
  if (IsClosing()) return;
  SetProgress(4);
  const size_t countBeforePlaceholders = m_nodes.size();
  for (size_t i = 0; i < countBeforePlaceholders; ++i) {
    KT_PM_Node* node = m_nodes[i].get();
    if (node->GetType() != NT_MESH || node->GetState() == NS_DELETED ||
        node->GetParent() != nullptr) {
      continue;
    }
    KT_PM_Node* placeholder = CreateNode(NT_CAD_MODEL, NST_NONE);
    KT_PM_Node::AppendChild(placeholder, node);
    KT_PM_Node::AppendChild(&m_root, placeholder);
  }

  // Step 13: boundary conditions without a parent.
  if (IsClosing()) return;
  SetProgress(5);
  for (size_t i = 0; i < countBeforePlaceholders; ++i) {
    KT_PM_Node* node = m_nodes[i].get();
    if (node->GetType() != NT_BOUNDARY_CONDITION || node->GetState() == NS_DELETED ||
        node->GetParent() != nullptr) {
      continue;
    }
    AttachUnplacedBoundaryCondition(
        node, list.IsListed(WithExtension(node->GetMainFile(), MeshExtension())));
  }

  // Step 14: a build given up protects nothing.
  if (IsClosing()) return;
  if (!m_inspectionMode) ProtectFilesInUse();
  if (list.untoldProtectionFailures > 0) {
    ReportDiagnostic(KDS_WARNING, "The write protection of " +
                                      std::to_string(list.untoldProtectionFailures) +
                                      " more files could not be changed.");
  }
  EndProgress();
}

bool KProjectTree::IsUnderPlaceholder(const KT_PM_Node* node) {
  const KT_PM_Node* parent = node->GetParent();
  return parent != nullptr && parent->GetType() == NT_CAD_MODEL && parent->GetSubType() == NST_NONE;
}

// A mesh hung under a placeholder because its model was missing moves under the model once the
// model is there, where a freshly opened project would show it; an emptied placeholder goes.
void KProjectTree::MoveFromPlaceholder(KT_PM_Node* mesh, KT_PM_Node* parent) {
  KT_PM_Node* placeholder = mesh->GetParent();
  if (parent == placeholder || parent->GetState() == NS_DELETED) return;
  mesh->DetachFromParent();
  if (KT_PM_Node::AppendChild(parent, mesh) != nullptr) {
    KT_PM_Node::AppendChild(placeholder, mesh);
    return;
  }
  if (placeholder->GetFirstChild() == nullptr) InternalDeleteNode(placeholder, 0);
  if (mesh->GetClientData() != 0) DoCallback(mesh);
}

void KProjectTree::AttachUnplacedBoundaryCondition(KT_PM_Node* node, bool meshFileExists) {
  const std::string file = node->GetMainFile();
  KBCFile bcFile(file);
  const std::string model = bcFile.GetModel();
  KT_PM_Node* parent = nullptr;
  if (!model.empty()) {
    parent = Live(FindInternalNode(MeshFileName(model)));
  } else {
    const std::string mesh =
        WithExtension(file, meshFileExists ? MeshExtension() : Mesh3DExtension());
    parent = Live(FindInternalNode(mesh));
    if (parent != nullptr) {
      // Record the mesh in the file, which may be write-protected while in use.
      bcFile.SetModel(mesh);
      WriteProjectFile(file, "record its mesh " + mesh, [&] { return bcFile.Save(file) != 0; });
    }
  }
  if (parent == nullptr) parent = &m_root;
  if (node->GetSubType() == NST_WARP && bcFile.HasStructuralLoads()) node->SetSubType(NST_STRESS);
  if (parent->GetType() != NT_MODEL) AddBCNode(parent, node);
}
