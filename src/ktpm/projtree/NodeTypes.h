// The vocabulary of the project tree: node kinds, subkinds, states, icons, flow aims, mesh model
// types and result-file kinds, and the constant file-type registry that ties file-name extensions
// to them.
//
// The registry is built into the library and never changes; every lookup here is a pure function
// of its arguments and may be called from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum Node_Type : int32_t {
  NT_NONE = 0,
  NT_CAD_MODEL = 1,
  NT_MODEL = 2,
  NT_MESH = 3,
  NT_MATERIAL = 4,
  NT_BOUNDARY_CONDITION = 5,
  NT_ANALYSIS_INPUT = 6,
  NT_RESULT = 7,
  NT_RESTART = 8,
  NT_BIN = 9,
  NT_MATERIAL_GROUP = 10,
  NT_REPORT_TEMPLATE = 11,
  NT_REPORT = 12,
};

enum Node_SubType : int32_t {
  NST_NONE = 0,
  NST_DEFAULT = 1,
  NST_STL = 2,
  NST_ANSYS = 3,
  NST_FEM = 4,
  NST_IGES = 5,
  NST_NASTRAN = 6,
  NST_PATRAN = 7,
  NST_BDF = 8,
  NST_UNV = 9,
  NST_IDEAS = 10,
  NST_CTM = 11,
  NST_PARASOLID = 12,
  NST_STEP = 13,
  NST_MESH_XSECTION = 15,
  NST_MESH_MOLD_MIDPLANE = 17,
  NST_MESH_MOLD_FUSION = 18,
  NST_MESH_19 = 19,
  NST_MESH_MIDPLANE = 20,
  NST_MESH_FUSION = 21,
  NST_MESH_3D = 22,
  NST_MATERIAL_FILE = 25,
  NST_MATERIAL_UNRESOLVED = 26,
  NST_FLOW = 27,
  NST_COOL = 28,
  NST_WARP = 29,
  NST_STRESS = 30,
  NST_BC_BIN = 31,
  NST_MOLD_BIN = 32,
};

enum Node_State : int32_t {
  NS_DELETED = -2,
  NS_FAILED = -1,
  NS_OK = 0,
  NS_PENDING = 1,
};

enum FlowAim : int32_t {
  FA_NONE = 0,
  FA_FILL = 1,
  FA_BALANCE = 2,
  FA_PACK = 3,
  FA_CURE = 4,
  FA_MOLD_WINDOW = 5,
  FA_GATE_LOCATION = 6,
};

enum MeshModelType : int32_t {
  MMT_UNKNOWN = 0,
  MMT_MIDPLANE = 1,
  MMT_FUSION = 2,
  MMT_XSECTION = 4,
};

enum TreeIcon_ID : int32_t {
  TI_CAD_MODEL = 1,
  TI_MODEL = 2,
  TI_MESH_MIDPLANE = 3,
  TI_MESH_FUSION = 4,
  TI_MESH_3D = 5,
  TI_MESH_MIDPLANE_PENDING = 6,
  TI_MESH_FUSION_PENDING = 7,
  TI_MESH_3D_PENDING = 8,
  TI_MESH_MIDPLANE_FAILED = 12,
  TI_MESH_FUSION_FAILED = 13,
  TI_MESH_3D_FAILED = 14,
  TI_BC_BIN = 15,
  TI_BC_COOL = 16,
  TI_BC_FLOW = 17,
  TI_BC_WARP = 18,
  TI_BC_STRESS = 19,
  TI_MOLD_BIN = 20,
  TI_MOLD_MESH = 21,
  TI_MATERIAL_GROUP = 22,
  TI_MATERIAL = 23,
  TI_ANALYSIS_INPUT = 24,
  TI_RESULT = 25,
  TI_RESULT_PENDING = 26,
  TI_RESULT_FAILED = 28,
  TI_RESTART = 29,
  TI_REPORT_TEMPLATE = 30,
  TI_REPORT = 31,
  TI_REPORT_PENDING = 32,
  TI_REPORT_FAILED = 33,
  TI_MESH_XSECTION = 34,
};

enum ResultType : int32_t {
  RT_NONE = 0,
  RT_SUMMARY = 1,
  RT_NR = 2,
  RT_ER = 3,
  RT_CEM = 4,
  RT_OUT = 5,
  RT_WES = 6,
  RT_LM = 7,
  RT_TS = 8,
  RT_MW = 9,
  RT_OTHER = 10,
  RT_CM = 11,
  RT_R0 = 12,
};

// One importable CAD format: its display name and its file-dialog filter ("*.igs;*.iges").
class CADTypeInfo {
 public:
  CADTypeInfo() = default;
  CADTypeInfo(const std::string& displayName, const std::string& dialogFilter)
      : name(displayName), filter(dialogFilter) {}
  CADTypeInfo(const CADTypeInfo&) = default;
  CADTypeInfo& operator=(const CADTypeInfo&) = default;
  ~CADTypeInfo() = default;

  std::string name;
  std::string filter;
};

// Columns of the node file-type table and the analysis-input table.
enum RegistryColumn : int {
  RC_MAIN = 0,
  RC_NOTES = 1,
  RC_SUMMARY = 2,
  RC_LABEL = 3,
  RC_ERROR_OUTPUT = 4,
};

// Label string id of a kind: an exact (type, subtype) row wins, else the last row of the type;
// 0 when the type has no row.
int GetKindLabelId(Node_Type type, Node_SubType subType);
// The icon of a kind in a state (TI_CAD_MODEL as the fallback).
TreeIcon_ID GetKindIcon(Node_Type type, Node_SubType subType, Node_State state);
// Extension (with its dot) in a column of the first row of the type whose subtype is NST_DEFAULT
// or subType; nullptr when the column is empty or no row matches.
const char* GetRegistryExtension(Node_Type type, Node_SubType subType, int column);
// Extension of the analysis-input table's first exact row; empty when none.
std::string GetAnalysisInputExtension(Node_SubType analysis, Node_SubType mesh, FlowAim aim,
                                      int column);
// Pattern of the first entry with the result type in the selected result list; empty when none.
std::string GetResultExtension(Node_SubType analysis, Node_SubType mesh, FlowAim aim,
                               ResultType resultType);
// Matches an extension (with its dot; lower-cased here) against the result list of a selector
// row (0-based); RT_NONE when no entry matches or the row is out of range.
ResultType MatchResultList(int selectorRow, const std::string& extension);
// The result kind of a file name or path by its extension; RT_NONE for no result file.
ResultType GetResultTypeFromFileName(const std::string& fileName);

// --- Registry rows, for the tree builder and the tools -------------------------------------

// One row of the node file-type table. Absent extensions are nullptr.
struct KNodeFileType {
  Node_Type type;
  Node_SubType subType;
  TreeIcon_ID icon;
  int labelId;
  const char* ext[5];
};

// One row of the analysis-input table.
struct KAnalysisInputType {
  Node_SubType analysis;
  Node_SubType mesh;
  FlowAim aim;
  const char* ext[5];
};

// One row of the result list selector: its keys and the 1-based result list it names.
struct KResultSelector {
  Node_SubType analysis;
  Node_SubType mesh;
  FlowAim aim;
  int list;
};

// The tables in their fixed row order.
const std::vector<KNodeFileType>& GetNodeFileTypeTable();
const std::vector<KAnalysisInputType>& GetAnalysisInputTable();
const std::vector<KResultSelector>& GetResultSelectorTable();
// The mesh side-file extensions in their fixed order.
const std::vector<std::string>& GetMeshSideFileExtensions();
// 1 when the extension (any case, with its dot) is a mesh side-file extension.
int IsMeshSideFileExtension(const std::string& extension);
// The rows of the node file-type table whose main extension equals the extension (any case,
// with its dot), in row order.
std::vector<const KNodeFileType*> FindRowsByMainExtension(const std::string& extension);
// The first row whose main extension equals the extension (any case); nullptr when none.
const KNodeFileType* FindRowByMainExtension(const std::string& extension);
// The importable CAD formats: runs of equal subtype among the CAD rows (11 formats).
std::vector<CADTypeInfo> GetCADTypeList();
// The string id naming a flow aim (FLOW3D for FA_NONE).
int GetFlowAimLabelId(FlowAim aim);

// Names of the enumerators, for tools and messages ("NT_MESH"); "?" for an unknown value.
const char* NodeTypeName(Node_Type type);
const char* NodeSubTypeName(Node_SubType subType);
const char* NodeStateName(Node_State state);
const char* TreeIconName(TreeIcon_ID icon);
const char* ResultTypeName(ResultType resultType);
const char* FlowAimName(FlowAim aim);
