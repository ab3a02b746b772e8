// The labels of a node: the cached type label ("[MESH] ", "[FILL] "), the user label and the
// labels the client shows, composed from these and from the labels of the node's ancestors. The
// user label is kept on disk beside the node: in a one-line label file for most kinds, in the
// keyword "ANALYSIS_DESCRIPTION" of an analysis input, and in the template file of a report
// template.
#include <cstdio>
#include <cstring>
#include <string>

#include <ktpm/analysis/AnalysisFlags.h>
#include <ktpm/analysis/KFlowRestarts.h>
#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/MappedFile.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/platform/Resources.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/projtree/NodeFileAccess.h>
#include <ktpm/projtree/NodeTypes.h>
#include <ktpm/report/KReportInfo.h>
#include <ktpm/report/KReportTemplate.h>

namespace {

// String table ids of the words labels are made of.
constexpr int kCoolText = 18070;
constexpr int kAutoText = 18072;
constexpr int kBucklingText = 18080;
constexpr int kFiberText = 18095;
constexpr int kFillText = 18096;
constexpr int kGasText = 18100;
constexpr int kInPlaceWarpText = 18103;
constexpr int kLargeDeflectionText = 18104;
constexpr int kManualText = 18105;
constexpr int kModalFrequencyText = 18110;
constexpr int kOptimisationText = 18112;
constexpr int kSmallDeflectionText = 18117;
constexpr int kStressText = 18118;
constexpr int kThermosetText = 18121;
constexpr int kWarpText = 18123;

// A label file holds one line; longer text is cut here.
constexpr std::size_t kMaxLabelLength = 255;

constexpr const char* kDescriptionKeyword = "ANALYSIS_DESCRIPTION";

std::string Bracketed(const std::string& text) { return "[" + text + "] "; }

// Decorates a base text with analysis flags: the optimisation mark after it, then thermoset, gas
// and fiber marks before it, so that flags 15 on "FILL" read "FIBER GAS TSET FILL OPTIM".
std::string DecorateWithFlags(std::string text, int flags) {
  using namespace ktpm::detail;
  // Built by appending: g++ 12 misreads a prepending "+" of a string rvalue at -O2 (-Wrestrict).
  auto prefix = [&text](int id) {
    std::string word = GetResourceString(id);
    word += ' ';
    word += text;
    text = std::move(word);
  };
  if (flags & AF_OPTIMISATION) text.append(" ").append(GetResourceString(kOptimisationText));
  if (flags & AF_THERMOSET) prefix(kThermosetText);
  if (flags & AF_GAS) prefix(kGasText);
  if (flags & AF_FIBER) prefix(kFiberText);
  return text;
}

std::string CoolInputLabel(const KKeywordFile& keywords) {
  std::string label = GetResourceString(kCoolText);
  const std::string type = keywords.GetValue("3DCOOL_ANALYSIS_TYPE");
  if (type == "MANUAL") {
    label.append(" ").append(GetResourceString(kManualText));
  } else if (type == "AUTO") {
    label.append(" ").append(GetResourceString(kAutoText));
  }
  return label;
}

// "WARP SDA", "IW BUCK", "STRESS LDA"; the blank stays when the aim names no mode ("WARP ").
std::string StructuralInputLabel(Node_SubType subType, const KKeywordFile& keywords) {
  const std::string aim = keywords.GetValue("3DSTRUCT_ANALYSIS_AIM");
  std::string label;
  if (subType == NST_STRESS) {
    label = GetResourceString(kStressText);
  } else {
    label = GetResourceString(aim.find("SVA_") != std::string::npos ? kInPlaceWarpText : kWarpText);
  }
  label += " ";
  static constexpr struct {
    const char* pattern;
    int textId;
  } kModes[] = {{"SMALL_DEFLECTION", kSmallDeflectionText},
                {"LARGE_DEFLECTION", kLargeDeflectionText},
                {"LINEAR_BUCKLING", kBucklingText},
                {"MODAL_FREQUENCY", kModalFrequencyText}};
  for (const auto& mode : kModes) {
    if (aim.find(mode.pattern) != std::string::npos) {
      label += GetResourceString(mode.textId);
      break;
    }
  }
  return label;
}

// The last component of a path: after the last "/", or after the last "\" when there is none.
std::string LastPathComponent(const std::string& path) {
  std::size_t separator = path.rfind('/');
  if (separator == std::string::npos) separator = path.rfind('\\');
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string TrimBlanks(const std::string& text) {
  static constexpr const char* kBlanks = " \t\r\n\v\f";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return std::string();
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

// The first line of a label file as read by a C line read of 256 bytes: at most 255 characters,
// the line feed that ends the line included, cut at an embedded NUL. A missing file reads as "".
std::string ReadFirstLine(const std::string& path) {
  FILE* file = MappedFopen(path, "r");
  if (file == nullptr) return std::string();
  char buffer[kMaxLabelLength + 1];
  std::string line;
  if (std::fgets(buffer, sizeof buffer, file) != nullptr) {
    line.assign(buffer, strnlen(buffer, sizeof buffer));
  }
  std::fclose(file);
  // Text mode reads a "\r\n" line end as a bare line feed.
  if (IsWindowsHostedPath(path) && line.size() >= 2 &&
      line.compare(line.size() - 2, 2, "\r\n") == 0) {
    line.erase(line.size() - 2, 1);
  }
  return line;
}

// Runs write with the file's write protection lifted, and protects it again afterwards.
template <typename Write>
void WriteUnprotected(const std::string& path, Write write) {
  KFileEntry entry(path);
  const bool wasProtected = entry.Exists() && entry.IsWriteProtected();
  if (wasProtected) entry.SetReadOnly(0);
  write();
  if (wasProtected) entry.SetReadOnly(1);
}

void WriteLabelFile(const std::string& path, const std::string& label) {
  // Through a temporary file: a failed write leaves the old label whole.
  WriteUnprotected(path, [&] { ktpm::detail::ReplaceFileContents(path, label); });
}

// The label as one keyword value: a keyword file holds one entry per line, so a line break in
// the label would start a keyword of its own. A line end at the label's end (as read from a label
// file) is dropped, and every other line break becomes a blank.
std::string LabelAsKeywordValue(std::string label) {
  while (!label.empty() && (label.back() == '\n' || label.back() == '\r')) label.pop_back();
  for (char& c : label) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return label;
}

// The word of an analysis input's type label ("FILL", "COOL MANUAL", "IW BUCK").
std::string ComputeInputLabel(KT_PM_Node& node) {
  const Node_SubType subType = node.GetSubType();
  if (subType == NST_FLOW) {
    return DecorateWithFlags(node.GetTypeDesc(), node.GetAnalysisFlags());
  }
  if (subType != NST_COOL && subType != NST_WARP && subType != NST_STRESS) return std::string();
  KKeywordFile keywords;
  keywords.Load(node.GetMainFile());
  if (subType == NST_COOL) return CoolInputLabel(keywords);
  return StructuralInputLabel(subType, keywords);
}

// The type label of a node, computed from its kind and files; empty for kinds that have none.
std::string ComputeTypeLabel(KT_PM_Node& node) {
  switch (node.GetType()) {
    case NT_RESTART:
      // Warp and stress restarts carry no restart file of the flow solver to describe.
      if (node.GetSubType() == NST_WARP || node.GetSubType() == NST_STRESS) return "[Restart]";
      return KFlowRestarts::GetDescription(node.GetMainFile());
    case NT_ANALYSIS_INPUT:
      return Bracketed(ComputeInputLabel(node));
    case NT_REPORT:
      // A report being generated is known by the style named in its information file; a
      // generated one by its directory.
      if (node.GetState() == NS_PENDING) return KReportInfo(node.GetMainFile()).GetHtmlStyle();
      return LastPathComponent(node.GetMainFile());
    default:
      break;
  }
  const int labelId = GetKindLabelId(node.GetType(), node.GetSubType());
  if (labelId != 0) return Bracketed(GetResourceString(labelId));
  if (node.GetType() == NT_CAD_MODEL) return "[CAD]";
  return std::string();
}

// The cached type label, computed when it is still empty.
const std::string& EnsureTypeLabel(KT_PM_Node& node) {
  if (node.GetTypeLabel().empty()) node.SetTypeLabel(ComputeTypeLabel(node));
  return node.GetTypeLabel();
}

}  // namespace

std::string KT_PM_Node::GetDisplayLabel() {
  EnsureTypeLabel(*this);
  if (m_type == NT_RESULT && m_state == NS_PENDING) return std::string();
  // A placeholder model and an unresolved material show their kind only.
  if (m_subType == NST_NONE || m_subType == NST_MATERIAL_UNRESOLVED) return m_typeLabel;
  switch (m_type) {
    case NT_MESH:
    case NT_MATERIAL:
    case NT_BOUNDARY_CONDITION:
    case NT_RESULT:
      return m_userLabel;
    case NT_RESTART:
    case NT_REPORT:
      return m_typeLabel;
    case NT_REPORT_TEMPLATE:
      return KReportTemplate(GetMainFile()).GetDisplayName();
    case NT_NONE:
      return std::string();
    default:
      return m_typeLabel + m_userLabel;
  }
}

std::string KT_PM_Node::GetResultDisplayLabel() {
  std::string prefix;
  KT_PM_Node* reference = m_parent;
  if (m_firstChild != nullptr && m_firstChild->GetType() == NT_RESULT) {
    // A fill result that holds the result of its continuation is shown as the fill run.
    const int flags = m_parent != nullptr ? m_parent->GetAnalysisFlags() : 0;
    prefix = Bracketed(DecorateWithFlags(GetResourceString(kFillText), flags));
  } else {
    if (reference != nullptr && reference->GetType() == NT_RESULT) {
      reference = reference->GetParent();
    }
    if (reference != nullptr) prefix = EnsureTypeLabel(*reference);
  }
  if (!m_userLabel.empty() || reference == nullptr) return prefix + m_userLabel;
  return prefix + reference->GetUserLabel();
}

std::string KT_PM_Node::GetFullLabel() const {
  // The highest mesh and the highest model on the way to the root name the model.
  std::string meshLabel;
  std::string modelLabel;
  for (const KT_PM_Node* node = this; node != nullptr; node = node->GetParent()) {
    if (node->GetType() == NT_MESH) meshLabel = node->GetUserLabel();
    if (node->GetType() == NT_CAD_MODEL || node->GetType() == NT_MODEL) {
      modelLabel = node->GetUserLabel();
    }
  }
  std::string text = modelLabel;
  if (!meshLabel.empty()) {
    const std::string model = TrimBlanks(ktpm::detail::ToLowerAscii(modelLabel));
    if (ktpm::detail::ToLowerAscii(meshLabel).find(model) != std::string::npos) {
      text = meshLabel;
    } else {
      text = modelLabel + " (" + meshLabel + ")";
    }
  }
  if (m_type == NT_CAD_MODEL || m_type == NT_MODEL || m_type == NT_MESH) return text;
  if (!text.empty()) text += ": ";
  if (!m_userLabel.empty()) return text + m_userLabel;
  return m_parent != nullptr ? text + m_parent->GetUserLabel() : text;
}

std::string KT_PM_Node::GetDefaultLabel(KKeywordFile* keywords) {
  if (m_type == NT_RESULT) return std::string();
  if (m_type != NT_MATERIAL || m_subType != NST_MATERIAL_FILE) return m_basePath;
  std::shared_ptr<KKeywordFile> loaded;
  if (keywords == nullptr) {
    if (m_files.empty()) return m_basePath;
    loaded = ktpm::detail::ReadNodeKeywords(*this, GetMainFile());
    keywords = loaded.get();
  }
  // The user chooses whether materials are named by manufacturer and trade name or by supplier
  // and grade.
  const bool byManufacturer = KMatPrefs::GetMaterialPrefences() == 1;
  const std::string maker =
      keywords->GetValue(byManufacturer ? "MATERIAL_MANUFACTURER" : "MATERIAL_SUPPLIER");
  const std::string name =
      keywords->GetValue(byManufacturer ? "MATERIAL_TRADE_NAME" : "MATERIAL_GRADE");
  const std::string text = maker.empty() ? name : maker + ", " + name;
  if (text.empty()) return "UNKNOWN";
  return text + " [" + keywords->GetValue("MATERIAL_DATABASE_TYPE") + "]";
}

int KT_PM_Node::ReadUserLabel() {
  if (m_type == NT_REPORT_TEMPLATE) {
    m_userLabel = KReportTemplate(GetMainFile()).GetDisplayName();
    return m_userLabel.empty() ? 0 : 1;
  }
  if (m_type == NT_ANALYSIS_INPUT) {
    m_userLabel =
        ktpm::detail::ReadNodeKeywords(*this, GetMainFile())->GetValue(kDescriptionKeyword);
    return m_userLabel.empty() ? 0 : 1;
  }
  const std::string labelFile = GetLabelFile();
  if (labelFile.empty()) return 0;
  // Most nodes have no label file: the tree's listing says so without opening it.
  m_userLabel =
      ktpm::detail::NodeFileExists(*this, labelFile) ? ReadFirstLine(labelFile) : std::string();
  if (m_userLabel.empty()) return 0;
  AddNodeFile(labelFile);
  return 1;
}

void KT_PM_Node::WriteUserLabel() {
  const std::string mainFile = GetMainFile();
  if (m_type == NT_REPORT_TEMPLATE) {
    if (mainFile.empty()) return;
    KReportTemplate reportTemplate(mainFile);
    reportTemplate.SetTemplateName(m_userLabel);
    reportTemplate.Save(mainFile);
    return;
  }
  const std::string labelFile = GetLabelFile();
  if (!labelFile.empty()) {
    // The file name joins the node's files even when the file could not be written.
    WriteLabelFile(labelFile, m_userLabel);
    AddNodeFile(labelFile);
  }
  if (m_type == NT_ANALYSIS_INPUT && !mainFile.empty()) {
    WriteUnprotected(mainFile, [&] {
      KKeywordFile keywords;
      keywords.Load(mainFile);
      keywords.SetValue(kDescriptionKeyword, LabelAsKeywordValue(m_userLabel));
      keywords.Save();
    });
  }
}
