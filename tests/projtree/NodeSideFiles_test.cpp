#include <gtest/gtest.h>

#include <string>

#include "projtree/ScratchProject.h"

#include <ktpm/projtree/KT_PM_Node.h>

namespace {

using ktpm::test::ScratchProject;

// A flow input on a midplane mesh under the root, with the given aim.
KT_PM_Node* FlowInputOnMesh(ScratchProject& project, const std::string& input,
                            const std::string& aim, Node_SubType meshType = NST_MESH_MIDPLANE) {
  project.Write(input, "3DFLOW_ANALYSIS_AIM: " + aim + "\n");
  KT_PM_Node* mesh = project.Child(project.tree.GetRootNode(), "part.ktl", NT_MESH, meshType);
  return project.Child(mesh, input, NT_ANALYSIS_INPUT, NST_FLOW);
}

TEST(NodeSideFiles, NotesAndLabelFilesFollowTheKindsExtensions) {
  ScratchProject project;
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_3D);
  EXPECT_EQ(mesh->GetNotesFile(), "part.txt");
  EXPECT_EQ(mesh->GetLabelFile(), "part.lab");
  KT_PM_Node* cool = project.Node("run.043", NT_ANALYSIS_INPUT, NST_COOL);
  EXPECT_EQ(cool->GetNotesFile(), "run.652");
  EXPECT_EQ(cool->GetLabelFile(), "run.752");
  KT_PM_Node* step = project.Node("gear.step", NT_CAD_MODEL, NST_STEP);
  EXPECT_EQ(step->GetLabelFile(), "gear.797");
  for (KT_PM_Node* none :
       {project.Node("t.rpt", NT_REPORT_TEMPLATE, NST_DEFAULT),
        project.Node("run.fr1", NT_RESTART, NST_FLOW), project.Node(NT_BIN, NST_BC_BIN)}) {
    EXPECT_EQ(none->GetNotesFile(), "");
    EXPECT_EQ(none->GetLabelFile(), "");
  }
}

TEST(NodeSideFiles, ScreenAndKeywordOutputAreFoundAmongTheFiles) {
  ScratchProject project;
  KT_PM_Node* result = project.Node("run.fsu", NT_RESULT, NST_FLOW);
  EXPECT_EQ(result->GetScreenOutputFile(), "");
  EXPECT_EQ(result->GetKeywordOutputFile(), "");
  result->AddNodeFile("run.fnr");
  result->AddNodeFile("run.901");
  result->AddNodeFile("run.501");
  result->AddNodeFile("run.502");
  EXPECT_EQ(result->GetScreenOutputFile(), "run.501");
  EXPECT_EQ(result->GetKeywordOutputFile(), "run.901");
}

TEST(NodeSideFiles, ScreenOutputOfAResultIsDerivedFromItsInput) {
  ScratchProject project;
  KT_PM_Node* input = FlowInputOnMesh(project, "run.002", "PACK");
  KT_PM_Node* fill = project.Child(input, "run.fsu", NT_RESULT, NST_FLOW);
  KT_PM_Node* pack = project.Child(fill, "run.psu", NT_RESULT, NST_FLOW);
  EXPECT_EQ(fill->GetScreenOutputFile(), "");
  project.Write("run.502", "screen");
  EXPECT_EQ(fill->GetScreenOutputFile(), "run.502");
  EXPECT_EQ(pack->GetScreenOutputFile(), "run.502");
  // Only results look beside their input.
  EXPECT_EQ(input->GetScreenOutputFile(), "");
  // A cool input's ".040" gives ".540".
  project.Write("c.040", "");
  project.Write("c.540", "");
  KT_PM_Node* cool = project.Node("c.040", NT_ANALYSIS_INPUT, NST_COOL);
  EXPECT_EQ(project.Child(cool, "c.csu", NT_RESULT, NST_COOL)->GetScreenOutputFile(), "c.540");
}

TEST(NodeSideFiles, ScreenOutputOfAResultWithoutUsableInputIsEmpty) {
  ScratchProject project;
  EXPECT_EQ(project.Node("alone.fsu", NT_RESULT, NST_FLOW)->GetScreenOutputFile(), "");
  KT_PM_Node* fileless = project.Node(NT_ANALYSIS_INPUT, NST_FLOW);
  EXPECT_EQ(project.Child(fileless, "x.fsu", NT_RESULT, NST_FLOW)->GetScreenOutputFile(), "");
  project.Write("dot.", "");
  KT_PM_Node* dotted = project.Node("dot.", NT_ANALYSIS_INPUT, NST_FLOW);
  EXPECT_EQ(project.Child(dotted, "dot.fsu", NT_RESULT, NST_FLOW)->GetScreenOutputFile(), "");
}

TEST(NodeSideFiles, ResultSummaryDependsOnMeshAndAim) {
  ScratchProject project;
  KT_PM_Node* input = FlowInputOnMesh(project, "run.002", "PACK");
  KT_PM_Node* fill = project.Child(input, "run.fsu", NT_RESULT, NST_FLOW);
  KT_PM_Node* pack = project.Child(fill, "run.psu", NT_RESULT, NST_FLOW);
  EXPECT_EQ(fill->GetSummaryFile(), "run.fsu");
  EXPECT_EQ(pack->GetSummaryFile(), "run.psu");
  EXPECT_EQ(pack->HasSummaryFile(), 0);
  project.Write("run.psu", "");
  EXPECT_EQ(pack->HasSummaryFile(), 1);
}

TEST(NodeSideFiles, ResultSummaryOfA3DRunAndOfAResultWithoutMesh) {
  ScratchProject project;
  KT_PM_Node* input = FlowInputOnMesh(project, "run.090", "", NST_MESH_3D);
  KT_PM_Node* result = project.Child(input, "run.m3r", NT_RESULT, NST_FLOW);
  EXPECT_EQ(result->GetSummaryFile(), "run.m3s");
  KT_PM_Node* loose = project.Node("loose.fsu", NT_RESULT, NST_FLOW);
  EXPECT_EQ(loose->GetSummaryFile(), "");
  EXPECT_EQ(loose->HasSummaryFile(), 0);
}

TEST(NodeSideFiles, SummaryOfOtherKindsComesFromTheRegistry) {
  ScratchProject project;
  project.Write("part.ISU", "");
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_FUSION);
  EXPECT_EQ(mesh->GetSummaryFile(), "part.isu");
  // The file is found without regard to letter case.
  EXPECT_EQ(mesh->HasSummaryFile(), 1);
  EXPECT_EQ(project.Node("part.igs", NT_CAD_MODEL, NST_IGES)->GetSummaryFile(), "");
}

TEST(NodeSideFiles, KeywordFileHasAZeroAfterTheDot) {
  ScratchProject project;
  KT_PM_Node* result = project.Node("run.fsu", NT_RESULT, NST_FLOW);
  result->AddNodeFile("run.fnr");
  result->AddNodeFile("run.f01");
  std::string out = "stale";
  EXPECT_EQ(result->GetKeywordFile(out), 0);
  EXPECT_EQ(out, "");
  result->AddNodeFile("run.040");
  result->AddNodeFile("run.001");
  EXPECT_EQ(result->GetKeywordFile(out), 1);
  EXPECT_EQ(out, "run.040");
}

TEST(NodeSideFiles, ErrorMessagesEndInThreeEOrSE) {
  ScratchProject project;
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  std::string out = "stale";
  EXPECT_EQ(mesh->GetErrorMsgFile(out), 0);
  EXPECT_EQ(out, "");
  mesh->AddNodeFile("part.ISE");
  EXPECT_EQ(mesh->GetErrorMsgFile(out), 1);
  EXPECT_EQ(out, "part.ISE");
  KT_PM_Node* result = project.Node("run.m3r", NT_RESULT, NST_FLOW);
  result->AddNodeFile("run.m3s");
  result->AddNodeFile("run.m3e");
  result->AddNodeFile("run.fse");
  EXPECT_EQ(result->GetErrorMsgFile(out), 1);
  EXPECT_EQ(out, "run.m3e");
}

}  // namespace
