#include <gtest/gtest.h>

#include <string>

#include "projtree/ScratchProject.h"

#include <ktpm/projtree/KT_PM_Node.h>

namespace {

using ktpm::test::ScratchProject;

TEST(TypeDesc, FlowInputIsNamedByItsAim) {
  ScratchProject project;
  const struct {
    const char* aim;
    const char* text;
  } cases[] = {{"FILL", "FILL"},
               {"FILL_PACK", "FILL"},
               {"BALANCE", "BALANCE"},
               {"PACK", "PACK"},
               {"CURING", "CURE"},
               {"MOLD_WINDOW", "Molding window"},
               {"GATE_LOCATION", "Gate location"},
               {"COOL", "FLOW3D"},
               {"", "FLOW3D"}};
  int number = 0;
  for (const auto& c : cases) {
    const std::string name = "run" + std::to_string(number++) + ".001";
    project.Write(name, std::string("3DFLOW_ANALYSIS_AIM: ") + c.aim + "\n");
    EXPECT_EQ(project.Node(name, NT_ANALYSIS_INPUT, NST_FLOW)->GetTypeDesc(), c.text) << c.aim;
  }
}

TEST(TypeDesc, NestedResultTakesTheAimOfTheInput) {
  ScratchProject project;
  project.Write("run.002", "3DFLOW_ANALYSIS_AIM: PACK\n");
  KT_PM_Node* input = project.Node("run.002", NT_ANALYSIS_INPUT, NST_FLOW);
  KT_PM_Node* fill = project.Child(input, "run.fsu", NT_RESULT, NST_FLOW);
  KT_PM_Node* pack = project.Child(fill, "run.psu", NT_RESULT, NST_FLOW);
  EXPECT_EQ(fill->GetTypeDesc(), "FILL");
  EXPECT_EQ(pack->GetTypeDesc(), "PACK");
}

TEST(TypeDesc, OtherFamiliesHaveFixedNames) {
  ScratchProject project;
  project.Write("run.040", "3DFLOW_ANALYSIS_AIM: PACK\n");
  EXPECT_EQ(project.Node("run.040", NT_ANALYSIS_INPUT, NST_COOL)->GetTypeDesc(), "COOL");
  EXPECT_EQ(project.Node("run.060", NT_ANALYSIS_INPUT, NST_WARP)->GetTypeDesc(), "WARP");
  EXPECT_EQ(project.Node("run.061", NT_ANALYSIS_INPUT, NST_STRESS)->GetTypeDesc(), "STRESS");
  EXPECT_EQ(project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE)->GetTypeDesc(), "");
  // An input without a file has no aim.
  EXPECT_EQ(project.Node(NT_ANALYSIS_INPUT, NST_FLOW)->GetTypeDesc(), "FLOW3D");
}

}  // namespace
