// The attach operations of tree building: results to their inputs, inputs to what they start
// from, materials made from the material database, translated meshes and generated reports.
#include <algorithm>
#include <map>

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/matlib/MaterialFile.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/projtree/BuildCache.h>
#include <ktpm/projtree/FileNameRules.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/projtree/NodeFileAccess.h>
#include <ktpm/report/KReportInfo.h>
#include <ktpm/report/KReportTemplate.h>
#include <ktpm/report/ReportPaths.h>

using ktpm::detail::CutExtension;
using ktpm::detail::EndsWithNoCase;
using ktpm::detail::IsProjectFileName;
using ktpm::detail::Mesh3DExtension;
using ktpm::detail::MeshExtension;
using ktpm::detail::MeshFileName;
using ktpm::detail::WithExtension;

namespace {

// The keyword naming an input's results on a mesh kind; nullptr when the kind has none.
const char* ResultNameKeyword(Node_SubType analysis, Node_SubType meshKind) {
  switch (analysis) {
    case NST_FLOW:
      return meshKind == NST_MESH_3D ? "MOLD3D_RESULT_NAME" : "3DFLOW_RESULT_NAME";
    case NST_COOL:
      return meshKind == NST_MESH_XSECTION ? "2DCOOL_RESULT_NAME" : "3DCOOL_RESULT_NAME";
    case NST_WARP:
    case NST_STRESS:
      return "3DSTRUCT_FENAS_INPUT_FILE";
    default:
      return nullptr;
  }
}

// The grade a material file is written from: the one WriteMatKeywordFile would write (the lowest
// database number, then the lowest id, when the database is not named). false when no database
// holds it, or when the database cannot be searched (*error then says why).
bool FindMaterialGrade(const KMatSearch& settings, KMaterialRecord& grade, std::string* error) {
  KMatSearch search;
  search.AddRule({"SUPPLIER", "EQUALS", settings.GetSupplier()});
  search.AddRule({"GRADE", "EQUALS", settings.GetGrade()});
  if (settings.GetDatabase() != 0) search.SetSearchDatabases({settings.GetDatabase()});
  const std::vector<KMaterialRecord> found = search.Find(0);
  *error = search.GetLastError();
  if (found.empty()) return false;
  grade = *std::min_element(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return a.database != b.database ? a.database < b.database : a.id < b.id;
  });
  return true;
}

// The material as an input names it, for a message: supplier and grade, and the database type.
std::string DescribeMaterial(const std::string& supplier, const std::string& grade,
                             const std::string& databaseType) {
  std::string text = "\"" + supplier + "\" \"" + grade + "\"";
  if (!databaseType.empty()) text += " of the " + databaseType + " database";
  return text;
}

// A deleted node that an attach finds is a node found again: it starts afresh, as a node made
// now would, with its main file only, its state from the disk and no client data (so the sinks
// hear of it as of a new node). Nothing changes for a node that is not deleted.
void FindAgain(KT_PM_Node* node) {
  if (node == nullptr || node->GetState() != NS_DELETED) return;
  node->SetClientData(0);
  node->TruncateFilesToMain();
  if (ktpm::detail::NodeFileExists(*node, node->GetMainFile())) {
    node->SetState(NS_OK);
    KT_PM_Node::RefreshNodeState(node);
  } else {
    node->SetState(KT_PM_Node::AttachErrorOutput(node) ? NS_FAILED : NS_PENDING);
  }
}

}  // namespace

KT_PM_Node* KProjectTree::CreateResultNode(const std::string& mainFile, Node_SubType subType) {
  KT_PM_Node* result = CreateNode(mainFile, NT_RESULT, subType);
  result->SetState(KT_PM_Node::AttachErrorOutput(result) ? NS_FAILED : NS_PENDING);
  return result;
}

void KProjectTree::AttachResultNode(KT_PM_Node* input, const KKeywordFile& keywords) {
  const Node_SubType analysis = input->GetSubType();
  std::string value;
  Node_SubType meshKind = NST_MESH_MIDPLANE;
  for (Node_SubType kind : {NST_MESH_MIDPLANE, NST_MESH_3D, NST_MESH_XSECTION}) {
    const char* keyword = ResultNameKeyword(analysis, kind);
    if (keyword == nullptr) return;
    value = keywords.GetValue(keyword);
    if (!value.empty()) {
      meshKind = kind;
      break;
    }
  }
  if (value.empty()) return;

  const FlowAim aim = input->GetFlowAim();
  const std::string mainFile =
      meshKind == NST_MESH_3D
          ? WithExtension(value, ".m3r")
          : WithExtension(value, GetResultExtension(analysis, meshKind, aim, RT_SUMMARY));
  // Results are made only inside the project directory.
  if (!IsProjectFileName(mainFile)) return;
  KT_PM_Node* result = FindInternalNode(mainFile);
  if (result != nullptr && result->GetState() == NS_DELETED) {
    // Deleted with its input, whose file is back.
    result->SetSubType(analysis);
    FindAgain(result);
  } else if (result != nullptr) {
    if (result->GetParent() != nullptr) {
      // Placed by an earlier build; run outputs may have come back since.
      KT_PM_Node::AttachRunOutputs(result, input);
      return;
    }
    result->SetSubType(analysis);
    KT_PM_Node::RefreshNodeState(result);
  } else {
    result = CreateResultNode(mainFile, analysis);
  }
  KT_PM_Node::AttachRunOutputs(result, input);

  KT_PM_Node* top = result;
  if (aim == FA_PACK || aim == FA_CURE) {
    const std::string restart = keywords.GetValue("3DFLOW_RESTART");
    if (restart.empty() || restart == "NONE" || restart == "INTERMEDIATE_FILLING") {
      // The pack or cure run continued a fill run of its own.
      const std::string fillFile = WithExtension(
          mainFile, GetResultExtension(NST_FLOW, NST_MESH_MIDPLANE, FA_FILL, RT_SUMMARY));
      KT_PM_Node* fill = FindInternalNode(fillFile);
      FindAgain(fill);
      if (fill == nullptr) fill = CreateResultNode(fillFile, NST_FLOW);
      KT_PM_Node::AppendChild(fill, result);
      top = fill;
    }
  }
  KT_PM_Node::AppendChild(input, top);
}

void KProjectTree::AttachPCNode(KT_PM_Node* input, KKeywordFile& keywords) {
  // An input placed by an earlier build keeps its place; finding it a parent again would only
  // make materials (or unresolved material nodes) that nothing uses.
  if (input->GetParent() != nullptr) return;
  std::string reference;
  Node_Type parentType = NT_RESULT;
  Node_SubType parentSubType = NST_DEFAULT;
  bool continuation = false;

  switch (input->GetSubType()) {
    case NST_FLOW: {
      const std::string restart = keywords.GetValue("3DFLOW_RESTART");
      if (!restart.empty()) {
        if (restart.find("INTERMEDIATE") != std::string::npos) parentType = NT_RESTART;
        reference = keywords.GetValue("3DFLOW_RESTART_" + restart);
        parentSubType = NST_FLOW;
      }
      const std::pair<const char*, Node_SubType> fallbacks[] = {
          {"3DFLOW_COOLING_INTERFACE", NST_COOL},
          {"MOLD3D_RESTART_FILE_NAME", NST_FLOW},
          {"MOLD3D_COOLING_INTERFACE", NST_COOL}};
      for (const auto& [keyword, subType] : fallbacks) {
        if (!reference.empty()) break;
        reference = keywords.GetValue(keyword);
        parentSubType = subType;
      }
      break;
    }
    case NST_COOL: {
      const std::string flowResults = keywords.GetValue("3DCOOL_FLOW_RESULTS");
      if (!flowResults.empty()) {
        continuation = flowResults.find("PACKING") != std::string::npos;
        reference = keywords.GetValue("3DCOOL_FLOW_RESULTS_" + flowResults);
        parentSubType = NST_FLOW;
      }
      break;
    }
    case NST_WARP:
    case NST_STRESS: {
      continuation = true;
      struct Source {
        const char* keyword;
        Node_Type type;
        Node_SubType subType;
      };
      static const Source kSources[] = {
          {"3DSTRUCT_RESTART_LDA", NT_RESTART, NST_WARP},
          {"3DSTRUCT_INITIAL_CONDITIONS_FILE", NT_RESULT, NST_WARP},
          {"3DSTRUCT_FENAS_SVA_RESULT_FILE", NT_RESULT, NST_WARP},
          {"3DSTRUCT_SHRINKAGE_COEFF_FILE", NT_RESULT, NST_WARP},
          {"3DSTRUCT_SHRINKAGE_RESULTS_FILE", NT_RESULT, NST_WARP},
          {"3DFLOW_RESTART_END_OF_PACKING", NT_RESULT, NST_FLOW},
          {"3DSTRUCT_MECH_PROP_PMP_FILE", NT_RESULT, NST_FLOW},
          {"3DSTRUCT_RESIDUAL_THERMAL_STRESS_RESULTS_FILE", NT_RESULT, NST_FLOW},
          {"MATERIAL_FILE", NT_MATERIAL, NST_DEFAULT},
          {"PLASTIC_MODEL", NT_MESH, NST_DEFAULT}};
      for (const Source& source : kSources) {
        reference = keywords.GetValue(source.keyword);
        if (reference.empty()) continue;
        parentType = source.type;
        parentSubType = source.subType;
        break;
      }
      break;
    }
    default:
      break;
  }

  KT_PM_Node* parent = nullptr;
  if (!reference.empty() && parentType == NT_RESTART) {
    KT_PM_Node* restart = FindInternalNode(reference);
    if (restart != nullptr && restart->GetState() != NS_DELETED) {
      KT_PM_Node::AppendChild(restart, input);
      return;
    }
    KT_PM_Node* owner = FindNodeByBase(CutExtension(reference).c_str(), NT_RESULT, parentSubType);
    if (owner == nullptr || !IsProjectFileName(reference)) return;
    if (restart != nullptr) {
      FindAgain(restart);
      parent = restart;
    } else {
      parent = CreateNode(reference, NT_RESTART, parentSubType);
    }
    KT_PM_Node::AppendChild(owner, parent);
  } else if (!reference.empty()) {
    parent = FindNodeByBase(CutExtension(reference).c_str(), parentType, parentSubType);
    if (parent == nullptr) return;
    KT_PM_Node* child = parent->GetFirstChild();
    if (continuation && child != nullptr && child->GetType() == NT_RESULT) parent = child;
  } else {
    parent = FindMaterialParent(input, keywords);
  }
  if (parent != nullptr) KT_PM_Node::AppendChild(parent, input);
}

KT_PM_Node* KProjectTree::FindMaterialParent(KT_PM_Node* input, KKeywordFile& keywords) {
  std::string mesh = keywords.GetValue("PLASTIC_MODEL");
  if (mesh.empty()) mesh = keywords.GetValue("2DCOOL_CROSS_SECTION_MODEL");
  if (mesh.empty()) return nullptr;
  KT_PM_Node* meshNode = FindInternalNode(MeshFileName(mesh));
  if (meshNode == nullptr || meshNode->GetState() == NS_DELETED) return nullptr;

  const std::string materialFile = keywords.GetValue("MATERIAL_FILE");
  if (!materialFile.empty() && ProjectFileExists(materialFile)) {
    KT_PM_Node* material = FindInternalNode(materialFile);
    return material != nullptr && material->GetType() == NT_MATERIAL &&
                   material->GetState() != NS_DELETED
               ? material
               : nullptr;
  }
  const std::string newFile = MakeMaterialFile(keywords, input->GetMainFile());
  KT_PM_Node* material = nullptr;
  if (!newFile.empty()) {
    material = CreateNode(newFile, NT_MATERIAL, NST_MATERIAL_FILE);
    AddMaterialNode(meshNode, material);
    keywords.SetValue("MATERIAL_FILE", newFile);
    const std::string inputFile = input->GetMainFile();
    WriteProjectFile(inputFile, "record its material file " + newFile,
                     [&] { return keywords.Save(inputFile) != 0; });
  } else {
    material = CreateNode(NT_MATERIAL, NST_MATERIAL_UNRESOLVED);
    material->AddNodeFile("");
    AddMaterialNode(meshNode, material);
  }
  return material;
}

// The material file of the grade an input names, written from the database (in inspection mode
// only named, and its keywords kept for the tree). Empty when no file was made: the grade is not
// in the database, or the file could not be written.
std::string KProjectTree::MakeMaterialFile(const KKeywordFile& keywords,
                                           const std::string& inputFile) {
  const std::string mesh = MeshFileName(keywords.GetValue("PLASTIC_MODEL"));
  const std::string supplier = keywords.GetValue("MATERIAL_SUPPLIER");
  const std::string grade = keywords.GetValue("MATERIAL_GRADE");
  const std::string databaseType = keywords.GetValue("MATERIAL_DATABASE_TYPE");
  KMatSearch search;
  const int database = databaseType.empty() ? search.FindOldMaterial(supplier, grade)
                                            : search.GetDBKeywordValue(databaseType);
  search.SetDatabase(database);
  search.SetSupplier(supplier);
  search.SetGrade(grade);
  KMaterialRecord record;
  std::string error;
  if (!FindMaterialGrade(search, record, &error)) {
    const std::string material = DescribeMaterial(supplier, grade, databaseType);
    ReportDiagnostic(KDS_WARNING, error.empty()
                                      ? "The material " + material + " that " + inputFile +
                                            " names is not in the material database; it stays "
                                            "unresolved."
                                      : "Cannot look up the material " + material + " that " +
                                            inputFile + " names: " + error + ".");
    return {};
  }
  if (m_inspectionMode) return NameUnwrittenMaterialFile(search, record.id, mesh, inputFile);

  // The counter file should read, after the new name is taken, what the same search finds.
  int64_t counter = ktpm::detail::ReadMaterialFileCounter();
  ktpm::detail::NextMaterialFileName(inputFile, &counter);
  KFileEntry file;
  file.MakeUniqueName(inputFile, "md3", 1);
  if (ktpm::detail::ReadMaterialFileCounter() != counter) {
    ReportDiagnostic(KDS_WARNING, "Cannot update the file counter keltravo.ctr of the project " +
                                      m_projectPath + ".");
  }
  if (!search.WriteMatKeywordFile(file.GetPath(), mesh)) {
    ReportDiagnostic(KDS_WARNING, "Cannot write the material file " + file.GetPath() + " for " +
                                      inputFile + ": " + search.GetLastError() + ".");
    return {};
  }
  if (m_buildCache != nullptr) m_buildCache->AddListed(file.GetPath());
  return file.GetPath();
}

// Inspection mode: the name the material file would get (the counter goes on from the last name
// given, as the counter file would), and the keywords it would hold, which the tree reads in
// place of the missing file for as long as the project is open.
std::string KProjectTree::NameUnwrittenMaterialFile(const KMatSearch& search, int grade,
                                                    const std::string& mesh,
                                                    const std::string& inputFile) {
  int64_t counter = m_unwrittenCounter.has_value() ? *m_unwrittenCounter
                                                   : ktpm::detail::ReadMaterialFileCounter();
  const std::string name = ktpm::detail::NextMaterialFileName(inputFile, &counter);
  m_unwrittenCounter = counter;
  auto contents = std::make_shared<KKeywordFile>();
  if (!mesh.empty()) contents->SetValue("PLASTIC_MODEL", mesh);
  for (const auto& [keyword, value] : search.GetMaterialKeywords(grade)) {
    contents->SetValue(keyword, value);
  }
  m_unwrittenFiles[ktpm::detail::ToLowerAscii(name)] = {name, contents};
  if (m_buildCache != nullptr) {
    m_buildCache->AddListed(name);
    m_buildCache->SetKeywords(name, contents);
  }
  return name;
}

KT_PM_Node* KProjectTree::AddTranslatorInput(const char* name) {
  if (name == nullptr) return nullptr;
  const std::string file = name;
  std::string inputModel;
  std::string outputModel;
  Node_SubType meshKind = NST_MESH_MIDPLANE;
  KKeywordFile keywords;
  if (EndsWithNoCase(file, ".081")) {
    keywords.Load(file);
    inputModel = keywords.GetValue("TRANS_INPUT_MODEL");
    outputModel = keywords.GetValue("TRANS_OUTPUT_MODEL");
  } else if (EndsWithNoCase(file, ".092")) {
    keywords.Load(file);
    inputModel = keywords.GetValue("KTMESH3D_MESH_INPUT_FILENAME");
    outputModel = keywords.GetValue("KTMESH3D_MESH_OUTPUT_FILENAME");
    if (keywords.GetValue("KTMESH3D_OUTPUT_FILETYPE") == "KELTRAVO_FLOW3D_INPUT") {
      meshKind = NST_MESH_3D;
    }
  } else {
    return nullptr;
  }
  outputModel = ktpm::detail::EnsureExtension(
      outputModel, meshKind == NST_MESH_3D ? Mesh3DExtension() : MeshExtension());
  KT_PM_Node* mesh = FindInternalNode(outputModel);
  FindAgain(mesh);
  if (mesh == nullptr) {
    // A translator that names no output, or one outside the project, makes no mesh; its input
    // file stays out of the tree.
    if (!IsProjectFileName(outputModel) || outputModel == MeshExtension() ||
        outputModel == Mesh3DExtension()) {
      return nullptr;
    }
    mesh = CreateNode(outputModel, NT_MESH, meshKind);
    mesh->SetState(KT_PM_Node::AttachErrorOutput(mesh) ? NS_FAILED : NS_PENDING);
  }
  if (mesh->GetParent() == nullptr || IsUnderPlaceholder(mesh)) {
    if (KT_PM_Node* source = FindInternalNode(inputModel)) {
      if (mesh->GetParent() == nullptr) {
        KT_PM_Node::AppendChild(source, mesh);
      } else {
        MoveFromPlaceholder(mesh, source);
      }
    }
  }
  mesh->AddNodeFile(file);
  return mesh;
}

void KProjectTree::CheckRPTChildren(KT_PM_Node* templateNode, KReportTemplate& reportTemplate) {
  std::map<std::string, KT_PM_Node*> pendingByStyle;
  for (KT_PM_Node* child = templateNode->GetFirstChild(); child != nullptr;
       child = child->GetNextSibling()) {
    // Only a pending report is a report being generated; its request file is deleted below.
    if (child->GetType() != NT_REPORT || child->GetState() != NS_PENDING) continue;
    pendingByStyle[KReportInfo(child->GetMainFile()).GetHtmlStyle()] = child;
  }
  for (int i = 0; i < reportTemplate.GetHtmlReportDirCount(); ++i) {
    const std::string directory = reportTemplate.GetHtmlReportDir(i);
    // Reports live inside the project directory, often in a folder of their template's data: a
    // directory named elsewhere never becomes a node, which a later delete of the report would
    // remove with everything in it. The report is known by the directory's last component.
    if (ktpm::detail::ResolveDirectoryInsideTemplateDir(templateNode->GetMainFile(), directory)
            .empty()) {
      continue;
    }
    const std::string name = ktpm::detail::LastPathComponent(directory);
    const auto pending = pendingByStyle.find(name);
    if (pending != pendingByStyle.end() && !name.empty()) {
      // The report was generated: its request file makes way for the report directory.
      KT_PM_Node* report = pending->second;
      const std::string request = report->GetMainFile();
      if (!m_inspectionMode && !KFileEntry(request).Delete(1) && KFileEntry(request).Exists()) {
        ReportDiagnostic(KDS_WARNING, "Cannot delete the report request " + request +
                                          " now that its report " + directory + " is generated.");
      }
      report->SetMainFileName(directory);
      report->SetState(NS_OK);
      if (report->GetClientData() != 0) DoCallback(report);
      pendingByStyle.erase(pending);
    } else if (KT_PM_Node::FindNodeWithFile(templateNode, directory) == nullptr) {
      KT_PM_Node* report = CreateNode(directory, NT_REPORT, NST_DEFAULT);
      KT_PM_Node::AppendChild(templateNode, report);
    }
  }
}
