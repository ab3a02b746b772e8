#include "Labels.h"

#include <ktpm/platform/Resources.h>

namespace ktpm::tool {
namespace {

std::string TypeText(Node_Type type) {
  switch (type) {
    case NT_NONE:
      return "none";
    case NT_CAD_MODEL:
      return "CAD model";
    case NT_MODEL:
      return "Model";
    case NT_MESH:
      return "Mesh";
    case NT_MATERIAL:
      return "Material";
    case NT_BOUNDARY_CONDITION:
      return "Boundary condition";
    case NT_ANALYSIS_INPUT:
      return "Analysis";
    case NT_RESULT:
      return "Result";
    case NT_RESTART:
      return "Restart";
    case NT_BIN:
      return "Folder";
    case NT_MATERIAL_GROUP:
      return "Material group";
    case NT_REPORT_TEMPLATE:
      return "Report template";
    case NT_REPORT:
      return "Report";
  }
  return "unknown (" + std::to_string(static_cast<int>(type)) + ")";
}

// The subtype words of meshes and analyses; empty where the subtype adds nothing.
std::string SubTypeText(Node_SubType subType) {
  switch (subType) {
    case NST_MESH_MIDPLANE:
      return "midplane";
    case NST_MESH_FUSION:
      return "fusion";
    case NST_MESH_3D:
      return "3D";
    case NST_MESH_XSECTION:
      return "cross-section";
    case NST_MESH_MOLD_MIDPLANE:
      return "mould, midplane";
    case NST_MESH_MOLD_FUSION:
      return "mould, fusion";
    case NST_FLOW:
      return "flow";
    case NST_COOL:
      return "cool";
    case NST_WARP:
      return "warp";
    case NST_STRESS:
      return "stress";
    case NST_MATERIAL_UNRESOLVED:
      return "not found";
    default:
      return {};
  }
}

}  // namespace

std::string KindText(Node_Type type, Node_SubType subType) {
  std::string qualifier;
  if (type == NT_CAD_MODEL || type == NT_BIN) {
    // The string table names CAD formats and bins ("IGES", "Boundary Conditions").
    qualifier = GetResourceString(GetKindLabelId(type, subType));
  } else {
    qualifier = SubTypeText(subType);
  }
  const std::string text = TypeText(type);
  return qualifier.empty() ? text : text + " (" + qualifier + ")";
}

std::string StateText(Node_State state) {
  switch (state) {
    case NS_DELETED:
      return "deleted";
    case NS_FAILED:
      return "failed";
    case NS_OK:
      return "ok";
    case NS_PENDING:
      return "pending";
  }
  return "unknown (" + std::to_string(static_cast<int>(state)) + ")";
}

std::string ResultText(ResultType resultType) {
  switch (resultType) {
    case RT_NONE:
      return {};
    case RT_SUMMARY:
      return "summary";
    case RT_R0:
      return "restart";
    case RT_OTHER:
      return "other result";
    default: {
      // The other kinds have no words of their own: their short names ("RT_NR" gives "NR").
      std::string name = ResultTypeName(resultType);
      if (name.rfind("RT_", 0) == 0) name.erase(0, 3);
      return "result (" + name + ")";
    }
  }
}

}  // namespace ktpm::tool
