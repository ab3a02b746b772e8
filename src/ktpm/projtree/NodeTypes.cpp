// The file-type registry: constant tables in their fixed row order, and the lookups over them.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include <ktpm/platform/Resources.h>
#include <ktpm/projtree/NodeTypes.h>

namespace {

constexpr const char* kNone = nullptr;

const std::vector<KNodeFileType> kNodeFileTypes = {
    {NT_CAD_MODEL, NST_ANSYS, TI_CAD_MODEL, 18081, {".ans", ".630", kNone, ".730", kNone}},
    {NT_CAD_MODEL, NST_FEM, TI_CAD_MODEL, 18084, {".fem", ".631", kNone, ".731", kNone}},
    {NT_CAD_MODEL, NST_IGES, TI_CAD_MODEL, 18085, {".igs", ".632", kNone, ".732", kNone}},
    {NT_CAD_MODEL, NST_IGES, TI_CAD_MODEL, 18085, {".iges", ".632", kNone, ".732", kNone}},
    {NT_CAD_MODEL, NST_NASTRAN, TI_CAD_MODEL, 18086, {".nas", ".633", kNone, ".733", kNone}},
    {NT_CAD_MODEL, NST_PATRAN, TI_CAD_MODEL, 18087, {".pat", ".634", kNone, ".734", kNone}},
    {NT_CAD_MODEL, NST_BDF, TI_CAD_MODEL, 18082, {".bdf", ".635", kNone, ".735", kNone}},
    {NT_CAD_MODEL, NST_CTM, TI_CAD_MODEL, 18083, {".ctm", ".636", kNone, ".736", kNone}},
    {NT_CAD_MODEL, NST_UNV, TI_CAD_MODEL, 18089, {".unv", ".637", kNone, ".737", kNone}},
    {NT_CAD_MODEL, NST_UNV, TI_CAD_MODEL, 18089, {".inp", ".637", kNone, ".737", kNone}},
    {NT_CAD_MODEL, NST_STL, TI_CAD_MODEL, 18088, {".stl", ".638", kNone, ".738", kNone}},
    {NT_CAD_MODEL, NST_PARASOLID, TI_CAD_MODEL, 18260, {".x_t", ".699", kNone, ".799", kNone}},
    {NT_CAD_MODEL, NST_PARASOLID, TI_CAD_MODEL, 18260, {".xmt", ".699", kNone, ".799", kNone}},
    {NT_CAD_MODEL, NST_PARASOLID, TI_CAD_MODEL, 18260, {".xmt_txt", ".699", kNone, ".799", kNone}},
    {NT_CAD_MODEL, NST_PARASOLID, TI_CAD_MODEL, 18260, {".x_b", ".698", kNone, ".798", kNone}},
    {NT_CAD_MODEL, NST_PARASOLID, TI_CAD_MODEL, 18260, {".xmb", ".698", kNone, ".798", kNone}},
    {NT_CAD_MODEL, NST_STEP, TI_CAD_MODEL, 18274, {".stp", ".697", kNone, ".797", kNone}},
    {NT_CAD_MODEL, NST_STEP, TI_CAD_MODEL, 18274, {".step", ".697", kNone, ".797", kNone}},
    {NT_CAD_MODEL, NST_NONE, TI_CAD_MODEL, 0, {kNone, kNone, kNone, kNone, kNone}},
    {NT_MESH, NST_MESH_MIDPLANE, TI_MESH_MIDPLANE, 18107, {".ktl", ".txt", ".isu", ".lab", ".ise"}},
    {NT_MESH, NST_MESH_FUSION, TI_MESH_FUSION, 18107, {".ktl", ".txt", ".isu", ".lab", ".ise"}},
    {NT_MESH, NST_MESH_XSECTION, TI_MESH_XSECTION, 18107, {".ktl", ".txt", ".isu", ".lab", ".ise"}},
    {NT_MESH, NST_MESH_3D, TI_MESH_3D, 18107, {".m3i", ".txt", ".isu", ".lab", ".ise"}},
    {NT_MESH, NST_DEFAULT, TI_MESH_MIDPLANE, 18107, {".ktl", ".txt", ".isu", ".lab", ".ise"}},
    {NT_MESH,
     NST_MESH_MOLD_MIDPLANE,
     TI_MOLD_MESH,
     18107,
     {".ktl", ".txt", ".isu", ".lab", ".ise"}},
    {NT_MESH, NST_MESH_MOLD_FUSION, TI_MOLD_MESH, 18107, {".ktl", ".txt", ".isu", ".lab", ".ise"}},
    {NT_MODEL, NST_DEFAULT, TI_MODEL, 18108, {".ktl", ".600", kNone, ".700", kNone}},
    {NT_MATERIAL, NST_MATERIAL_FILE, TI_MATERIAL, 18106, {".md3", ".610", kNone, ".710", kNone}},
    {NT_BOUNDARY_CONDITION, NST_FLOW, TI_BC_FLOW, 0, {".bf3", ".611", kNone, ".711", kNone}},
    {NT_BOUNDARY_CONDITION, NST_COOL, TI_BC_COOL, 0, {".bc2", ".650", kNone, ".750", kNone}},
    {NT_BOUNDARY_CONDITION, NST_COOL, TI_BC_COOL, 0, {".bc3", ".650", kNone, ".750", kNone}},
    {NT_BOUNDARY_CONDITION, NST_WARP, TI_BC_WARP, 0, {".exl", ".670", kNone, ".770", kNone}},
    {NT_BOUNDARY_CONDITION, NST_STRESS, TI_BC_STRESS, 0, {".exl", ".671", kNone, ".771", kNone}},
    {NT_ANALYSIS_INPUT, NST_FLOW, TI_ANALYSIS_INPUT, 18096, {".001", ".621", kNone, ".721", kNone}},
    {NT_ANALYSIS_INPUT, NST_FLOW, TI_ANALYSIS_INPUT, 18096, {".005", ".621", kNone, ".721", kNone}},
    {NT_ANALYSIS_INPUT, NST_FLOW, TI_ANALYSIS_INPUT, 18096, {".002", ".622", kNone, ".722", kNone}},
    {NT_ANALYSIS_INPUT, NST_FLOW, TI_ANALYSIS_INPUT, 18096, {".006", ".622", kNone, ".722", kNone}},
    {NT_ANALYSIS_INPUT, NST_FLOW, TI_ANALYSIS_INPUT, 18096, {".004", ".624", kNone, ".724", kNone}},
    {NT_ANALYSIS_INPUT, NST_FLOW, TI_ANALYSIS_INPUT, 18096, {".090", ".674", kNone, ".792", kNone}},
    {NT_ANALYSIS_INPUT, NST_COOL, TI_ANALYSIS_INPUT, 18070, {".040", ".652", kNone, ".752", kNone}},
    {NT_ANALYSIS_INPUT, NST_COOL, TI_ANALYSIS_INPUT, 18070, {".041", ".652", kNone, ".752", kNone}},
    {NT_ANALYSIS_INPUT, NST_COOL, TI_ANALYSIS_INPUT, 18070, {".042", ".652", kNone, ".752", kNone}},
    {NT_ANALYSIS_INPUT, NST_COOL, TI_ANALYSIS_INPUT, 18070, {".043", ".652", kNone, ".752", kNone}},
    {NT_ANALYSIS_INPUT, NST_WARP, TI_ANALYSIS_INPUT, 18123, {".060", ".672", kNone, ".772", kNone}},
    {NT_ANALYSIS_INPUT,
     NST_STRESS,
     TI_ANALYSIS_INPUT,
     18118,
     {".061", ".673", kNone, ".772", kNone}},
    {NT_RESULT, NST_FLOW, TI_RESULT, 0, {".fsu", ".601", ".fsu", ".701", ".fse"}},
    {NT_RESULT, NST_FLOW, TI_RESULT, 0, {".psu", ".602", ".psu", ".702", ".pse"}},
    {NT_RESULT, NST_FLOW, TI_RESULT, 0, {".ksu", ".604", ".ksu", ".704", ".kse"}},
    {NT_RESULT, NST_FLOW, TI_RESULT, 0, {".m3r", ".690", ".m3s", ".790", ".m3e"}},
    {NT_RESULT, NST_COOL, TI_RESULT, 0, {".csu", ".641", ".csu", ".740", ".cse"}},
    {NT_RESULT, NST_COOL, TI_RESULT, 0, {".tsu", ".641", ".tsu", ".740", ".tse"}},
    {NT_RESULT, NST_WARP, TI_RESULT, 0, {".jsu", ".660", ".jsu", ".760", ".jse"}},
    {NT_RESULT, NST_STRESS, TI_RESULT, 0, {".jsu", ".661", ".jsu", ".761", ".jse"}},
    {NT_REPORT_TEMPLATE, NST_DEFAULT, TI_REPORT_TEMPLATE, 0, {".rpt", kNone, kNone, kNone, kNone}},
    {NT_REPORT, NST_DEFAULT, TI_REPORT, 18114, {kNone, kNone, kNone, kNone, ".rpe"}},
    {NT_BIN, NST_BC_BIN, TI_BC_BIN, 18079, {kNone, kNone, kNone, kNone, kNone}},
    {NT_BIN, NST_MOLD_BIN, TI_MOLD_BIN, 18111, {kNone, kNone, kNone, kNone, kNone}},
    {NT_MATERIAL_GROUP, NST_DEFAULT, TI_MATERIAL_GROUP, 18273, {kNone, kNone, kNone, kNone, kNone}},
    {NT_RESTART, NST_DEFAULT, TI_RESTART, 0, {kNone, kNone, kNone, kNone, kNone}},
};

const std::vector<std::string> kMeshSideFileExtensions = {
    ".ela", ".nda", ".ata", ".ain", ".581", ".isu", ".sra", ".pta", ".592", ".900", ".999"};

const std::vector<KAnalysisInputType> kAnalysisInputs = {
    {NST_FLOW, NST_MESH_MIDPLANE, FA_FILL, {".001", ".621", kNone, ".721", kNone}},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_BALANCE, {".001", ".621", kNone, ".721", kNone}},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_MOLD_WINDOW, {".001", ".621", kNone, ".721", kNone}},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_GATE_LOCATION, {".001", ".621", kNone, ".721", kNone}},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_PACK, {".002", ".622", kNone, ".722", kNone}},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_CURE, {".004", ".624", kNone, ".724", kNone}},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_NONE, {".001", ".621", kNone, ".721", kNone}},
    {NST_FLOW, NST_MESH_FUSION, FA_FILL, {".005", ".621", kNone, ".721", kNone}},
    {NST_FLOW, NST_MESH_FUSION, FA_BALANCE, {".005", ".621", kNone, ".721", kNone}},
    {NST_FLOW, NST_MESH_FUSION, FA_MOLD_WINDOW, {".005", ".621", kNone, ".721", kNone}},
    {NST_FLOW, NST_MESH_FUSION, FA_GATE_LOCATION, {".005", ".621", kNone, ".721", kNone}},
    {NST_FLOW, NST_MESH_FUSION, FA_PACK, {".006", ".622", kNone, ".722", kNone}},
    {NST_FLOW, NST_MESH_FUSION, FA_NONE, {".005", ".621", kNone, ".721", kNone}},
    {NST_FLOW, NST_MESH_3D, FA_NONE, {".090", ".674", kNone, ".792", kNone}},
    {NST_COOL, NST_MESH_XSECTION, FA_NONE, {".041", ".652", kNone, ".752", kNone}},
    {NST_COOL, NST_MESH_MIDPLANE, FA_NONE, {".040", ".652", kNone, ".752", kNone}},
    {NST_COOL, NST_MESH_FUSION, FA_NONE, {".042", ".652", kNone, ".752", kNone}},
    {NST_COOL, NST_MESH_3D, FA_NONE, {".043", ".652", kNone, ".752", kNone}},
    {NST_WARP, NST_MESH_MIDPLANE, FA_NONE, {".060", ".672", kNone, ".772", kNone}},
    {NST_WARP, NST_MESH_FUSION, FA_NONE, {".060", ".672", kNone, ".772", kNone}},
    {NST_STRESS, NST_MESH_MIDPLANE, FA_NONE, {".061", ".673", kNone, ".772", kNone}},
};

struct ResultEntry {
  const char* pattern;
  ResultType type;
};

// The eight result extension lists (1-based in the selector; lists 6 and 7 are equal but kept
// apart, as the selector names them separately).
const std::vector<std::vector<ResultEntry>> kResultLists = {
    {{".fsu", RT_SUMMARY},
     {".fnr", RT_NR},
     {".fer", RT_ER},
     {".flm", RT_LM},
     {".fmp", RT_ER},
     {".fts", RT_TS},
     {".fr0", RT_R0},
     {".f99", RT_NR},
     {".t99", RT_ER},
     {".u99", RT_LM},
     {".fds", RT_NONE},
     {".fon", RT_NR},
     {".rin", RT_OTHER},
     {".raa", RT_OTHER},
     {".fpo", RT_OTHER},
     {".fmw", RT_MW}},
    {{".psu", RT_SUMMARY},
     {".pnr", RT_NR},
     {".per", RT_ER},
     {".plm", RT_LM},
     {".pmp", RT_ER},
     {".fts", RT_TS},
     {".pr0", RT_R0},
     {".p99", RT_NR},
     {".v99", RT_ER},
     {".w99", RT_LM},
     {".pds", RT_OTHER},
     {".rsm", RT_OTHER},
     {".rsl", RT_LM},
     {".rsv", RT_OTHER},
     {".die", RT_OTHER},
     {".mab", RT_OTHER},
     {".fpo", RT_OTHER}},
    {{".ksu", RT_SUMMARY},
     {".knr", RT_NR},
     {".ker", RT_ER},
     {".klm", RT_LM},
     {".kmp", RT_ER},
     {".fts", RT_TS},
     {".kr0", RT_R0},
     {".j99", RT_NR},
     {".n99", RT_ER},
     {".l99", RT_LM},
     {".kds", RT_OTHER}},
    {{".tsu", RT_SUMMARY}, {".tnr", RT_NR}},
    {{".csu", RT_SUMMARY},
     {".cep", RT_ER},
     {".cem", RT_CEM},
     {".clm", RT_LM},
     {".cmf", RT_CM},
     {".cmz", RT_CM},
     {".m3c", RT_OTHER}},
    {{".jsu", RT_SUMMARY},
     {".doc", RT_OTHER},
     {".inp", RT_OTHER},
     {".out", RT_OUT},
     {".wev", RT_ER},
     {".sev", RT_OTHER},
     {".sec", RT_OTHER},
     {".wes", RT_WES},
     {".rsl", RT_LM},
     {".wts", RT_OTHER},
     {".rs7", RT_R0}},
    {{".jsu", RT_SUMMARY},
     {".doc", RT_OTHER},
     {".inp", RT_OTHER},
     {".out", RT_OUT},
     {".wev", RT_ER},
     {".sev", RT_OTHER},
     {".sec", RT_OTHER},
     {".wes", RT_WES},
     {".rsl", RT_LM},
     {".wts", RT_OTHER},
     {".rs7", RT_R0}},
    {{".m3s", RT_SUMMARY}, {".m3r", RT_OTHER}},
};

const std::vector<KResultSelector> kResultSelectors = {
    {NST_FLOW, NST_MESH_MIDPLANE, FA_FILL, 1},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_BALANCE, 1},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_PACK, 2},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_CURE, 3},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_MOLD_WINDOW, 1},
    {NST_FLOW, NST_MESH_MIDPLANE, FA_GATE_LOCATION, 1},
    {NST_FLOW, NST_MESH_FUSION, FA_FILL, 1},
    {NST_FLOW, NST_MESH_FUSION, FA_BALANCE, 1},
    {NST_FLOW, NST_MESH_FUSION, FA_PACK, 2},
    {NST_FLOW, NST_MESH_FUSION, FA_MOLD_WINDOW, 1},
    {NST_FLOW, NST_MESH_FUSION, FA_GATE_LOCATION, 1},
    {NST_FLOW, NST_MESH_3D, FA_NONE, 8},
    {NST_FLOW, NST_MESH_3D, FA_MOLD_WINDOW, 1},
    {NST_FLOW, NST_MESH_3D, FA_GATE_LOCATION, 1},
    {NST_COOL, NST_MESH_XSECTION, FA_NONE, 4},
    {NST_COOL, NST_MESH_MIDPLANE, FA_NONE, 5},
    {NST_COOL, NST_MESH_FUSION, FA_NONE, 5},
    {NST_COOL, NST_MESH_3D, FA_NONE, 5},
    {NST_WARP, NST_MESH_MIDPLANE, FA_NONE, 6},
    {NST_WARP, NST_MESH_FUSION, FA_NONE, 6},
    {NST_STRESS, NST_MESH_MIDPLANE, FA_NONE, 7},
};

std::string ToLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// A pattern whose third or fourth character is "9" stands for the range from its first two
// characters followed by "00" up to the pattern itself.
bool PatternMatches(std::string_view pattern, std::string_view extension) {
  const bool isRange =
      (pattern.size() > 2 && pattern[2] == '9') || (pattern.size() > 3 && pattern[3] == '9');
  if (!isRange) return extension == pattern;
  std::string low(pattern.substr(0, 2));
  low += "00";
  return extension >= std::string_view(low) && extension <= pattern;
}

// Main extension (lower case) to the rows that carry it, in row order.
const std::unordered_map<std::string, std::vector<const KNodeFileType*>>& MainExtensionIndex() {
  static const auto index = [] {
    std::unordered_map<std::string, std::vector<const KNodeFileType*>> map;
    for (const KNodeFileType& row : kNodeFileTypes) {
      if (row.ext[RC_MAIN] != nullptr) map[row.ext[RC_MAIN]].push_back(&row);
    }
    return map;
  }();
  return index;
}

}  // namespace

int GetKindLabelId(Node_Type type, Node_SubType subType) {
  int id = 0;
  for (const KNodeFileType& row : kNodeFileTypes) {
    if (row.type != type) continue;
    id = row.labelId;
    if (row.subType == subType) break;
  }
  return id;
}

TreeIcon_ID GetKindIcon(Node_Type type, Node_SubType subType, Node_State state) {
  if (state == NS_OK) {
    TreeIcon_ID icon = TI_CAD_MODEL;
    for (const KNodeFileType& row : kNodeFileTypes) {
      if (row.type != type) continue;
      icon = row.icon;
      if (row.subType == subType) break;
    }
    return icon;
  }
  if (state != NS_PENDING && state != NS_FAILED) return TI_CAD_MODEL;
  const bool pending = state == NS_PENDING;
  if (type == NT_RESULT) return pending ? TI_RESULT_PENDING : TI_RESULT_FAILED;
  if (subType == NST_MESH_MIDPLANE) {
    return pending ? TI_MESH_MIDPLANE_PENDING : TI_MESH_MIDPLANE_FAILED;
  }
  if (subType == NST_MESH_FUSION) return pending ? TI_MESH_FUSION_PENDING : TI_MESH_FUSION_FAILED;
  if (subType == NST_MESH_3D) return pending ? TI_MESH_3D_PENDING : TI_MESH_3D_FAILED;
  if (type == NT_REPORT) return pending ? TI_REPORT_PENDING : TI_REPORT_FAILED;
  return TI_CAD_MODEL;
}

const char* GetRegistryExtension(Node_Type type, Node_SubType subType, int column) {
  if (column < 0 || column > 4) return nullptr;
  for (const KNodeFileType& row : kNodeFileTypes) {
    if (row.type == type && (row.subType == NST_DEFAULT || row.subType == subType)) {
      return row.ext[column];
    }
  }
  return nullptr;
}

std::string GetAnalysisInputExtension(Node_SubType analysis, Node_SubType mesh, FlowAim aim,
                                      int column) {
  if (column < 0 || column > 4) return {};
  for (const KAnalysisInputType& row : kAnalysisInputs) {
    if (row.analysis == analysis && row.mesh == mesh && row.aim == aim) {
      return row.ext[column] != nullptr ? row.ext[column] : std::string();
    }
  }
  return {};
}

std::string GetResultExtension(Node_SubType analysis, Node_SubType mesh, FlowAim aim,
                               ResultType resultType) {
  for (const KResultSelector& row : kResultSelectors) {
    if (row.analysis != analysis || row.mesh != mesh || row.aim != aim) continue;
    for (const ResultEntry& entry : kResultLists[row.list - 1]) {
      if (entry.type == resultType) return entry.pattern;
    }
    return {};
  }
  return {};
}

ResultType MatchResultList(int selectorRow, const std::string& extension) {
  if (selectorRow < 0 || selectorRow >= static_cast<int>(kResultSelectors.size())) return RT_NONE;
  const std::string lower = ToLower(extension);
  for (const ResultEntry& entry : kResultLists[kResultSelectors[selectorRow].list - 1]) {
    if (PatternMatches(entry.pattern, lower)) return entry.type;
  }
  return RT_NONE;
}

ResultType GetResultTypeFromFileName(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  const std::string extension = dot == std::string::npos ? std::string() : fileName.substr(dot);
  for (int row = 0; row < static_cast<int>(kResultSelectors.size()); ++row) {
    const ResultType type = MatchResultList(row, extension);
    if (type != RT_NONE) return type;
  }
  return RT_NONE;
}

const std::vector<KNodeFileType>& GetNodeFileTypeTable() { return kNodeFileTypes; }
const std::vector<KAnalysisInputType>& GetAnalysisInputTable() { return kAnalysisInputs; }
const std::vector<KResultSelector>& GetResultSelectorTable() { return kResultSelectors; }
const std::vector<std::string>& GetMeshSideFileExtensions() { return kMeshSideFileExtensions; }

int IsMeshSideFileExtension(const std::string& extension) {
  const std::string lower = ToLower(extension);
  return std::find(kMeshSideFileExtensions.begin(), kMeshSideFileExtensions.end(), lower) !=
                 kMeshSideFileExtensions.end()
             ? 1
             : 0;
}

std::vector<const KNodeFileType*> FindRowsByMainExtension(const std::string& extension) {
  const auto& index = MainExtensionIndex();
  const auto it = index.find(ToLower(extension));
  return it == index.end() ? std::vector<const KNodeFileType*>() : it->second;
}

const KNodeFileType* FindRowByMainExtension(const std::string& extension) {
  const auto& index = MainExtensionIndex();
  const auto it = index.find(ToLower(extension));
  return it == index.end() ? nullptr : it->second.front();
}

std::vector<CADTypeInfo> GetCADTypeList() {
  std::vector<CADTypeInfo> formats;
  const KNodeFileType* runStart = nullptr;
  std::string filter;
  auto closeRun = [&] {
    if (runStart == nullptr) return;
    std::string name = GetResourceString(runStart->labelId);
    for (size_t i = 1; i < name.size(); ++i) {
      name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    }
    formats.emplace_back(name, filter);
  };
  for (const KNodeFileType& row : kNodeFileTypes) {
    if (row.type != NT_CAD_MODEL) continue;
    if (runStart == nullptr || row.subType != runStart->subType) {
      closeRun();
      runStart = row.ext[RC_MAIN] != nullptr ? &row : nullptr;
      filter.clear();
    }
    if (runStart == nullptr) continue;
    if (!filter.empty()) filter += ";";
    filter += "*";
    filter += row.ext[RC_MAIN];
  }
  closeRun();
  return formats;
}

int GetFlowAimLabelId(FlowAim aim) {
  switch (aim) {
    case FA_NONE:
      return 18097;
    case FA_FILL:
      return 18096;
    case FA_BALANCE:
      return 18073;
    case FA_PACK:
      return 18113;
    case FA_CURE:
      return 18092;
    case FA_MOLD_WINDOW:
      return 18125;
    case FA_GATE_LOCATION:
      return 18124;
  }
  return 0;
}
