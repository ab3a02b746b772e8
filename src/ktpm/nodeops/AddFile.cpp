// KProjectTree::AddFile: the node for one file that appeared in the project directory.
#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/projtree/FileNameRules.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/report/KReportInfo.h>

using ktpm::detail::EndsWithNoCase;

KT_PM_Node* KProjectTree::AddReportInfoFile(const std::string& path) {
  const KReportInfo info(path);
  KT_PM_Node* templateNode = FindInternalNode(info.GetProjectParentNode());
  KT_PM_Node* report = nullptr;
  if (templateNode != nullptr) {
    const std::string style = info.GetHtmlStyle();
    for (KT_PM_Node* child = templateNode->GetFirstChild(); child != nullptr;
         child = child->GetNextSibling()) {
      const std::string main = child->GetMainFile();
      if (ktpm::detail::EqualsNoCase(main, path)) return child;
      // An empty style names no report: it would match every child. Only a report takes the
      // request over; any other node would lose its main file to it.
      if (!style.empty() && child->GetType() == NT_REPORT && EndsWithNoCase(main, style)) {
        child->SetMainFileName(path);
        report = child;
        break;
      }
    }
  }
  if (report == nullptr) {
    // A request whose template is unknown stays unlinked; a rebuild finds the same node again.
    report = FindInternalNode(path);
    if (report != nullptr && report->GetType() != NT_REPORT) return report;
    // A deleted report found again is announced as a new one.
    if (report != nullptr && report->GetState() == NS_DELETED) report->SetClientData(0);
    if (report == nullptr) report = CreateNode(path, NT_REPORT, NST_DEFAULT);
  }
  const char* errorExtension = GetRegistryExtension(NT_REPORT, NST_DEFAULT, RC_ERROR_OUTPUT);
  const std::string errorFile = ktpm::detail::WithExtension(path, errorExtension);
  if (KFileEntry(errorFile).Exists()) {
    report->AddNodeFile(errorFile);
    report->SetState(NS_FAILED);
  } else {
    report->SetState(NS_PENDING);
  }
  if (templateNode != nullptr) KT_PM_Node::AppendChild(templateNode, report);
  return report;
}

KT_PM_Node* KProjectTree::AddFile(const char* path) {
  if (path == nullptr) return nullptr;
  const std::string name = path;
  TreeLockScope guard(*this);
  KT_PM_Node* node = nullptr;
  if (EndsWithNoCase(name, ".rpi")) {
    node = AddReportInfoFile(name);
  } else if (EndsWithNoCase(name, ".081") || EndsWithNoCase(name, ".092")) {
    node = AddTranslatorInput(path);
  } else {
    const KNodeFileType* row = FindRowByMainExtension(ktpm::detail::ExtensionOf(name));
    if (row == nullptr) return nullptr;
    node = CreateNode(name, row->type, row->subType);
    if (node->GetType() == NT_MESH) {
      DoMeshCheck(node);
      KT_PM_Node* placeholder = CreateNode(NT_CAD_MODEL, NST_NONE);
      KT_PM_Node::AppendChild(placeholder, node);
      KT_PM_Node::AppendChild(&m_root, placeholder);
    }
    if (node->GetType() == NT_ANALYSIS_INPUT) {
      KKeywordFile keywords;
      keywords.Load(name);
      AttachResultNode(node, keywords);
      AttachPCNode(node, keywords);
    }
  }
  if (node == nullptr) return nullptr;
  KT_PM_Node* deepest = node;
  while (deepest->GetFirstChild() != nullptr) deepest = deepest->GetFirstChild();
  DoCallback(deepest);
  return node;
}
