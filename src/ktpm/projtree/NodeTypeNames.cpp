// Enumerator names of the node vocabulary, for tools and messages.
#include <ktpm/projtree/NodeTypes.h>

const char* NodeTypeName(Node_Type type) {
  switch (type) {
    case NT_NONE:
      return "NT_NONE";
    case NT_CAD_MODEL:
      return "NT_CAD_MODEL";
    case NT_MODEL:
      return "NT_MODEL";
    case NT_MESH:
      return "NT_MESH";
    case NT_MATERIAL:
      return "NT_MATERIAL";
    case NT_BOUNDARY_CONDITION:
      return "NT_BOUNDARY_CONDITION";
    case NT_ANALYSIS_INPUT:
      return "NT_ANALYSIS_INPUT";
    case NT_RESULT:
      return "NT_RESULT";
    case NT_RESTART:
      return "NT_RESTART";
    case NT_BIN:
      return "NT_BIN";
    case NT_MATERIAL_GROUP:
      return "NT_MATERIAL_GROUP";
    case NT_REPORT_TEMPLATE:
      return "NT_REPORT_TEMPLATE";
    case NT_REPORT:
      return "NT_REPORT";
  }
  return "?";
}

const char* NodeSubTypeName(Node_SubType subType) {
  switch (subType) {
    case NST_NONE:
      return "NST_NONE";
    case NST_DEFAULT:
      return "NST_DEFAULT";
    case NST_STL:
      return "NST_STL";
    case NST_ANSYS:
      return "NST_ANSYS";
    case NST_FEM:
      return "NST_FEM";
    case NST_IGES:
      return "NST_IGES";
    case NST_NASTRAN:
      return "NST_NASTRAN";
    case NST_PATRAN:
      return "NST_PATRAN";
    case NST_BDF:
      return "NST_BDF";
    case NST_UNV:
      return "NST_UNV";
    case NST_IDEAS:
      return "NST_IDEAS";
    case NST_CTM:
      return "NST_CTM";
    case NST_PARASOLID:
      return "NST_PARASOLID";
    case NST_STEP:
      return "NST_STEP";
    case NST_MESH_XSECTION:
      return "NST_MESH_XSECTION";
    case NST_MESH_MOLD_MIDPLANE:
      return "NST_MESH_MOLD_MIDPLANE";
    case NST_MESH_MOLD_FUSION:
      return "NST_MESH_MOLD_FUSION";
    case NST_MESH_19:
      return "NST_MESH_19";
    case NST_MESH_MIDPLANE:
      return "NST_MESH_MIDPLANE";
    case NST_MESH_FUSION:
      return "NST_MESH_FUSION";
    case NST_MESH_3D:
      return "NST_MESH_3D";
    case NST_MATERIAL_FILE:
      return "NST_MATERIAL_FILE";
    case NST_MATERIAL_UNRESOLVED:
      return "NST_MATERIAL_UNRESOLVED";
    case NST_FLOW:
      return "NST_FLOW";
    case NST_COOL:
      return "NST_COOL";
    case NST_WARP:
      return "NST_WARP";
    case NST_STRESS:
      return "NST_STRESS";
    case NST_BC_BIN:
      return "NST_BC_BIN";
    case NST_MOLD_BIN:
      return "NST_MOLD_BIN";
  }
  return "?";
}

const char* NodeStateName(Node_State state) {
  switch (state) {
    case NS_DELETED:
      return "NS_DELETED";
    case NS_FAILED:
      return "NS_FAILED";
    case NS_OK:
      return "NS_OK";
    case NS_PENDING:
      return "NS_PENDING";
  }
  return "?";
}

const char* TreeIconName(TreeIcon_ID icon) {
  switch (icon) {
    case TI_CAD_MODEL:
      return "TI_CAD_MODEL";
    case TI_MODEL:
      return "TI_MODEL";
    case TI_MESH_MIDPLANE:
      return "TI_MESH_MIDPLANE";
    case TI_MESH_FUSION:
      return "TI_MESH_FUSION";
    case TI_MESH_3D:
      return "TI_MESH_3D";
    case TI_MESH_MIDPLANE_PENDING:
      return "TI_MESH_MIDPLANE_PENDING";
    case TI_MESH_FUSION_PENDING:
      return "TI_MESH_FUSION_PENDING";
    case TI_MESH_3D_PENDING:
      return "TI_MESH_3D_PENDING";
    case TI_MESH_MIDPLANE_FAILED:
      return "TI_MESH_MIDPLANE_FAILED";
    case TI_MESH_FUSION_FAILED:
      return "TI_MESH_FUSION_FAILED";
    case TI_MESH_3D_FAILED:
      return "TI_MESH_3D_FAILED";
    case TI_BC_BIN:
      return "TI_BC_BIN";
    case TI_BC_COOL:
      return "TI_BC_COOL";
    case TI_BC_FLOW:
      return "TI_BC_FLOW";
    case TI_BC_WARP:
      return "TI_BC_WARP";
    case TI_BC_STRESS:
      return "TI_BC_STRESS";
    case TI_MOLD_BIN:
      return "TI_MOLD_BIN";
    case TI_MOLD_MESH:
      return "TI_MOLD_MESH";
    case TI_MATERIAL_GROUP:
      return "TI_MATERIAL_GROUP";
    case TI_MATERIAL:
      return "TI_MATERIAL";
    case TI_ANALYSIS_INPUT:
      return "TI_ANALYSIS_INPUT";
    case TI_RESULT:
      return "TI_RESULT";
    case TI_RESULT_PENDING:
      return "TI_RESULT_PENDING";
    case TI_RESULT_FAILED:
      return "TI_RESULT_FAILED";
    case TI_RESTART:
      return "TI_RESTART";
    case TI_REPORT_TEMPLATE:
      return "TI_REPORT_TEMPLATE";
    case TI_REPORT:
      return "TI_REPORT";
    case TI_REPORT_PENDING:
      return "TI_REPORT_PENDING";
    case TI_REPORT_FAILED:
      return "TI_REPORT_FAILED";
    case TI_MESH_XSECTION:
      return "TI_MESH_XSECTION";
  }
  return "?";
}

const char* ResultTypeName(ResultType resultType) {
  switch (resultType) {
    case RT_NONE:
      return "RT_NONE";
    case RT_SUMMARY:
      return "RT_SUMMARY";
    case RT_NR:
      return "RT_NR";
    case RT_ER:
      return "RT_ER";
    case RT_CEM:
      return "RT_CEM";
    case RT_OUT:
      return "RT_OUT";
    case RT_WES:
      return "RT_WES";
    case RT_LM:
      return "RT_LM";
    case RT_TS:
      return "RT_TS";
    case RT_MW:
      return "RT_MW";
    case RT_OTHER:
      return "RT_OTHER";
    case RT_CM:
      return "RT_CM";
    case RT_R0:
      return "RT_R0";
  }
  return "?";
}

const char* FlowAimName(FlowAim aim) {
  switch (aim) {
    case FA_NONE:
      return "FA_NONE";
    case FA_FILL:
      return "FA_FILL";
    case FA_BALANCE:
      return "FA_BALANCE";
    case FA_PACK:
      return "FA_PACK";
    case FA_CURE:
      return "FA_CURE";
    case FA_MOLD_WINDOW:
      return "FA_MOLD_WINDOW";
    case FA_GATE_LOCATION:
      return "FA_GATE_LOCATION";
  }
  return "?";
}
