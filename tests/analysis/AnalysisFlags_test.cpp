#include <gtest/gtest.h>

#include "projtree/ScratchProject.h"

#include <ktpm/analysis/AnalysisFlags.h>
#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/projtree/KT_PM_Node.h>

namespace {

using ktpm::test::ScratchProject;

TEST(AnalysisFlags, KeywordsCountByPresenceWhateverTheirValue) {
  KKeywordFile keywords;
  EXPECT_EQ(ktpm::detail::ComputeAnalysisFlags(keywords), 0);
  keywords.SetValue("3DFLOW_FIBER_KINETIC_TIME_STEP_FACTOR", "");
  EXPECT_EQ(ktpm::detail::ComputeAnalysisFlags(keywords), 1);
  keywords.SetValue("3DFLOW_GAS_PROCESS", "OFF");
  EXPECT_EQ(ktpm::detail::ComputeAnalysisFlags(keywords), 3);
  keywords.SetValue("3DFLOW_TSET_CONSIDER_CURING_EFFECTS", "0");
  EXPECT_EQ(ktpm::detail::ComputeAnalysisFlags(keywords), 7);
  keywords.RemoveKeyword("3DFLOW_GAS_PROCESS");
  EXPECT_EQ(ktpm::detail::ComputeAnalysisFlags(keywords), 5);
}

TEST(AnalysisFlags, OptimisationNeedsTheWordInTheAim) {
  KKeywordFile keywords;
  keywords.SetValue("3DFLOW_ANALYSIS_AIM", "FILL_OPTIMUM_GATE");
  EXPECT_EQ(ktpm::detail::ComputeAnalysisFlags(keywords), 8);
  keywords.SetValue("3DFLOW_ANALYSIS_AIM", "optimum");
  EXPECT_EQ(ktpm::detail::ComputeAnalysisFlags(keywords), 0);
  keywords.SetValue("3DFLOW_ANALYSIS_AIM", "");
  keywords.SetValue("OPTIMUM", "1");
  EXPECT_EQ(ktpm::detail::ComputeAnalysisFlags(keywords), 0);
}

TEST(AnalysisFlags, ResultsAskTheInputAboveThem) {
  ScratchProject project;
  project.Write("run.002", "3DFLOW_ANALYSIS_AIM: PACK_OPTIMUM\n3DFLOW_GAS_PROCESS: ON\n");
  KT_PM_Node* input = project.Node("run.002", NT_ANALYSIS_INPUT, NST_FLOW);
  KT_PM_Node* fill = project.Child(input, "run.fsu", NT_RESULT, NST_FLOW);
  KT_PM_Node* pack = project.Child(fill, "run.psu", NT_RESULT, NST_FLOW);
  EXPECT_EQ(input->GetAnalysisFlags(), 10);
  EXPECT_EQ(fill->GetAnalysisFlags(), 10);
  EXPECT_EQ(pack->GetAnalysisFlags(), 10);
}

TEST(AnalysisFlags, OtherNodesHaveNoFlags) {
  ScratchProject project;
  // A mesh or material file carrying the keywords is not an analysis input.
  project.Write("part.ktl", "3DFLOW_GAS_PROCESS: ON\n");
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  EXPECT_EQ(mesh->GetAnalysisFlags(), 0);
  // A result that hangs under no input.
  KT_PM_Node* result = project.Child(mesh, "part.fsu", NT_RESULT, NST_FLOW);
  EXPECT_EQ(result->GetAnalysisFlags(), 0);
  EXPECT_EQ(project.Node("lone.fsu", NT_RESULT, NST_FLOW)->GetAnalysisFlags(), 0);
  // An input without a file, and one whose file cannot be read.
  EXPECT_EQ(project.Node(NT_ANALYSIS_INPUT, NST_FLOW)->GetAnalysisFlags(), 0);
  EXPECT_EQ(project.Node("gone.001", NT_ANALYSIS_INPUT, NST_FLOW)->GetAnalysisFlags(), 0);
  EXPECT_EQ(ktpm::detail::ReadAnalysisFlags(""), 0);
}

}  // namespace
