#include <ktpm/analysis/AnalysisFlags.h>
#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/projtree/KT_PM_Node.h>

namespace ktpm::detail {

int ComputeAnalysisFlags(const KKeywordFile& keywords) {
  // Presence alone counts for the first three, whatever the value.
  int flags = 0;
  if (keywords.HasKeyword("3DFLOW_FIBER_KINETIC_TIME_STEP_FACTOR")) flags |= AF_FIBER;
  if (keywords.HasKeyword("3DFLOW_GAS_PROCESS")) flags |= AF_GAS;
  if (keywords.HasKeyword("3DFLOW_TSET_CONSIDER_CURING_EFFECTS")) flags |= AF_THERMOSET;
  if (keywords.GetValue("3DFLOW_ANALYSIS_AIM").find("OPTIMUM") != std::string::npos) {
    flags |= AF_OPTIMISATION;
  }
  return flags;
}

int ReadAnalysisFlags(const std::string& fileName) {
  if (fileName.empty()) return 0;
  KKeywordFile keywords;
  keywords.Load(fileName);
  return ComputeAnalysisFlags(keywords);
}

}  // namespace ktpm::detail

int KT_PM_Node::GetAnalysisFlags() const {
  // A result (also one nested in a fill result) takes the flags of the input above it.
  const KT_PM_Node* node = this;
  while (node != nullptr && node->GetType() == NT_RESULT) node = node->GetParent();
  if (node == nullptr || node->GetType() != NT_ANALYSIS_INPUT) return 0;
  return ktpm::detail::ReadAnalysisFlags(node->GetMainFile());
}
