#include <ktpm/platform/Resources.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/projtree/NodeTypes.h>

namespace {

constexpr int kFlow3DText = 18097;
constexpr int kCoolText = 18070;
constexpr int kStressText = 18118;
constexpr int kWarpText = 18123;

}  // namespace

std::string KT_PM_Node::GetTypeDesc() {
  switch (GetSubType()) {
    case NST_FLOW: {
      // A flow analysis is named by its aim; FLOW3D when it has none.
      const int id = GetFlowAimLabelId(GetFlowAim());
      return GetResourceString(id != 0 ? id : kFlow3DText);
    }
    case NST_COOL:
      return GetResourceString(kCoolText);
    case NST_WARP:
      return GetResourceString(kWarpText);
    case NST_STRESS:
      return GetResourceString(kStressText);
    default:
      return std::string();
  }
}
