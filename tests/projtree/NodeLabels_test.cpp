#include <gtest/gtest.h>

#include <string>

#include "projtree/ScratchProject.h"

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/report/KReportTemplate.h>

namespace {

using ktpm::test::ScopedEnvironment;
using ktpm::test::ScratchProject;

// --- Display labels by kind ----------------------------------------------------------------------

TEST(NodeLabels, CadModelsShowTheirFormatAndName) {
  ScratchProject project;
  project.Write("bracket.igs", "");
  KT_PM_Node* placeholder = project.Node(NT_CAD_MODEL, NST_NONE);
  placeholder->SetUserLabel("ignored");
  EXPECT_EQ(placeholder->GetDisplayLabel(), "[CAD]");
  KT_PM_Node* iges = project.Node("bracket.igs", NT_CAD_MODEL, NST_IGES);
  EXPECT_EQ(iges->GetDisplayLabel(), "[IGES] bracket");
  EXPECT_EQ(iges->GetTypeLabel(), "[IGES] ");
}

TEST(NodeLabels, MeshesMaterialsAndBoundaryConditionsShowTheUserLabelOnly) {
  ScratchProject project;
  project.Write("part.ktl", "");
  project.Write("part.lab", "Part mesh");
  project.Write("part.bf3", "");
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  EXPECT_EQ(mesh->GetDisplayLabel(), "Part mesh");
  EXPECT_EQ(mesh->GetTypeLabel(), "[MESH] ");
  KT_PM_Node* bc = project.Node("part.bf3", NT_BOUNDARY_CONDITION, NST_FLOW);
  EXPECT_EQ(bc->GetDisplayLabel(), "part");
}

TEST(NodeLabels, FoldersAndUnresolvedMaterialsShowTheirKind) {
  ScratchProject project;
  KT_PM_Node* group = project.Node(NT_MATERIAL_GROUP, NST_DEFAULT);
  EXPECT_EQ(group->GetDisplayLabel(), "[TESSARA]");
  KT_PM_Node* bin = project.Node(NT_BIN, NST_BC_BIN);
  EXPECT_EQ(bin->GetDisplayLabel(), "[Boundary Conditions] ");
  KT_PM_Node* unresolved = project.Node(NT_MATERIAL, NST_MATERIAL_UNRESOLVED);
  unresolved->SetUserLabel("lost");
  EXPECT_EQ(unresolved->GetDisplayLabel(), "[MATERIAL] ");
  EXPECT_EQ(project.tree.GetRootNode()->GetDisplayLabel(), "");
}

TEST(NodeLabels, CoolInputNamesItsExactAnalysisType) {
  ScratchProject project;
  project.Write("run.040", "3DCOOL_ANALYSIS_TYPE: MANUAL\nANALYSIS_DESCRIPTION: run 1\n");
  project.Write("auto.040", "3DCOOL_ANALYSIS_TYPE: AUTO\nANALYSIS_DESCRIPTION: run 2\n");
  project.Write("lower.040", "3DCOOL_ANALYSIS_TYPE: manual\nANALYSIS_DESCRIPTION: run 1\n");
  EXPECT_EQ(project.Node("run.040", NT_ANALYSIS_INPUT, NST_COOL)->GetDisplayLabel(),
            "[COOL MANUAL] run 1");
  EXPECT_EQ(project.Node("auto.040", NT_ANALYSIS_INPUT, NST_COOL)->GetDisplayLabel(),
            "[COOL AUTO] run 2");
  EXPECT_EQ(project.Node("lower.040", NT_ANALYSIS_INPUT, NST_COOL)->GetDisplayLabel(),
            "[COOL] run 1");
}

TEST(NodeLabels, StructuralInputsNameTheirAimAndMode) {
  ScratchProject project;
  project.Write("iw.060",
                "3DSTRUCT_ANALYSIS_AIM: SVA_LINEAR_BUCKLING\nANALYSIS_DESCRIPTION: buckle\n");
  project.Write("plain.060", "ANALYSIS_DESCRIPTION: plain\n");
  project.Write("small.060", "3DSTRUCT_ANALYSIS_AIM: SMALL_DEFLECTION\n");
  project.Write("large.061", "3DSTRUCT_ANALYSIS_AIM: LARGE_DEFLECTION\n");
  project.Write("modal.061", "3DSTRUCT_ANALYSIS_AIM: MODAL_FREQUENCY_LINEAR_BUCKLING\n");
  EXPECT_EQ(project.Node("iw.060", NT_ANALYSIS_INPUT, NST_WARP)->GetDisplayLabel(),
            "[IW BUCK] buckle");
  // Without a mode the blank still stands before the closing bracket.
  EXPECT_EQ(project.Node("plain.060", NT_ANALYSIS_INPUT, NST_WARP)->GetDisplayLabel(),
            "[WARP ] plain");
  EXPECT_EQ(project.Node("small.060", NT_ANALYSIS_INPUT, NST_WARP)->GetTypeLabel(), "");
  EXPECT_EQ(project.Node("small.060", NT_ANALYSIS_INPUT, NST_WARP)->GetDisplayLabel(),
            "[WARP SDA] small");
  EXPECT_EQ(project.Node("large.061", NT_ANALYSIS_INPUT, NST_STRESS)->GetDisplayLabel(),
            "[STRESS LDA] large");
  // The modes are tried in a fixed order, not by position in the value.
  EXPECT_EQ(project.Node("modal.061", NT_ANALYSIS_INPUT, NST_STRESS)->GetDisplayLabel(),
            "[STRESS BUCK] modal");
}

TEST(NodeLabels, FlowInputIsNamedByItsAimAndDecoratedByItsFlags) {
  ScratchProject project;
  project.Write("all.001",
                "3DFLOW_ANALYSIS_AIM: FILL_OPTIMUM\n3DFLOW_FIBER_KINETIC_TIME_STEP_FACTOR: 1\n"
                "3DFLOW_GAS_PROCESS: ON\n3DFLOW_TSET_CONSIDER_CURING_EFFECTS: ON\n"
                "ANALYSIS_DESCRIPTION: everything\n");
  project.Write("gas.002", "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_GAS_PROCESS: \n");
  project.Write("none.001", "");
  EXPECT_EQ(project.Node("all.001", NT_ANALYSIS_INPUT, NST_FLOW)->GetDisplayLabel(),
            "[FIBER GAS TSET FILL OPTIM] everything");
  EXPECT_EQ(project.Node("gas.002", NT_ANALYSIS_INPUT, NST_FLOW)->GetDisplayLabel(),
            "[GAS PACK] gas");
  EXPECT_EQ(project.Node("none.001", NT_ANALYSIS_INPUT, NST_FLOW)->GetDisplayLabel(),
            "[FLOW3D] none");
}

TEST(NodeLabels, TypeLabelIsComputedOnceAndKept) {
  ScratchProject project;
  project.Write("run.040", "3DCOOL_ANALYSIS_TYPE: AUTO\n");
  KT_PM_Node* input = project.Node("run.040", NT_ANALYSIS_INPUT, NST_COOL);
  EXPECT_EQ(input->GetDisplayLabel(), "[COOL AUTO] run");
  project.Write("run.040", "3DCOOL_ANALYSIS_TYPE: MANUAL\n");
  EXPECT_EQ(input->GetDisplayLabel(), "[COOL AUTO] run");
}

TEST(NodeLabels, ResultsShowTheirLabelUnlessPending) {
  ScratchProject project;
  project.Write("run.fsu", "");
  KT_PM_Node* result = project.Node("run.fsu", NT_RESULT, NST_FLOW);
  result->SetUserLabel("first run");
  EXPECT_EQ(result->GetDisplayLabel(), "first run");
  result->SetState(NS_PENDING);
  EXPECT_EQ(result->GetDisplayLabel(), "");
}

TEST(NodeLabels, RestartPointsAreDescribedByTheirFile) {
  ScratchProject project;
  KT_PM_Node* fill = project.Node("part.fr1", NT_RESTART, NST_FLOW);
  fill->SetUserLabel("ignored");
  EXPECT_EQ(fill->GetDisplayLabel(), "Fill restart 1");
  EXPECT_EQ(project.Node("part.kr0", NT_RESTART, NST_FLOW)->GetDisplayLabel(), "End of cure");
  EXPECT_EQ(project.Node("part.rs7", NT_RESTART, NST_WARP)->GetDisplayLabel(), "[Restart]");
}

TEST(NodeLabels, ReportsShowTheirStyleWhilePendingAndTheirDirectoryWhenDone) {
  ScratchProject project;
  project.Write("job.rpi",
                "PROJECT_PARENT_NODE : \"part.rpt\"\nHTML_STYLE : \"Summary\"\n"
                "REPORT_TEMPLATE : \"part.rpt\"\n");
  KT_PM_Node* pending = project.Node(NT_REPORT, NST_DEFAULT);
  pending->AddNodeFile("job.rpi");
  pending->SetState(NS_PENDING);
  EXPECT_EQ(pending->GetDisplayLabel(), "Summary");
  KT_PM_Node* done = project.Node(NT_REPORT, NST_DEFAULT);
  done->AddNodeFile("part_rpt/Summary");
  EXPECT_EQ(done->GetDisplayLabel(), "Summary");
  KT_PM_Node* windows = project.Node(NT_REPORT, NST_DEFAULT);
  windows->AddNodeFile("part_rpt\\Weekly");
  EXPECT_EQ(windows->GetDisplayLabel(), "Weekly");
}

TEST(NodeLabels, ReportTemplateShowsAndStoresItsName) {
  ScratchProject project;
  {
    KReportTemplate reportTemplate;
    reportTemplate.SetTemplateName("Monthly");
    reportTemplate.Save("part.rpt");
  }
  KT_PM_Node* node = project.Node("part.rpt", NT_REPORT_TEMPLATE, NST_DEFAULT);
  EXPECT_EQ(node->GetUserLabel(), "Monthly");
  EXPECT_EQ(node->GetDisplayLabel(), "Monthly");
  node->SetUserLabel("Renamed");
  node->WriteUserLabel();
  EXPECT_EQ(KReportTemplate("part.rpt").GetTemplateName(), "Renamed");
  EXPECT_EQ(node->GetDisplayLabel(), "Renamed");
  EXPECT_EQ(node->GetFiles().size(), 1u);
}

// --- Result labels -------------------------------------------------------------------------------

TEST(NodeLabels, ResultDisplayLabelTakesTheInputKindAndLabel) {
  ScratchProject project;
  project.Write("run.002",
                "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_GAS_PROCESS: ON\n"
                "ANALYSIS_DESCRIPTION: packing\n");
  KT_PM_Node* input = project.Node("run.002", NT_ANALYSIS_INPUT, NST_FLOW);
  KT_PM_Node* fill = project.Child(input, "run.fsu", NT_RESULT, NST_FLOW);
  KT_PM_Node* pack = project.Child(fill, "run.psu", NT_RESULT, NST_FLOW);
  // The fill result that holds its continuation is shown as the fill run, the nested result by
  // the input's kind; both take the input's label when they have none. The input's type label is
  // computed on the way even though the input was never displayed.
  EXPECT_EQ(fill->GetResultDisplayLabel(), "[GAS FILL] packing");
  EXPECT_EQ(pack->GetResultDisplayLabel(), "[GAS PACK] packing");
  pack->SetUserLabel("own");
  EXPECT_EQ(pack->GetResultDisplayLabel(), "[GAS PACK] own");
}

TEST(NodeLabels, ResultDisplayLabelOfAnUnlinkedResultIsItsOwnLabel) {
  ScratchProject project;
  KT_PM_Node* result = project.Node("run.fsu", NT_RESULT, NST_FLOW);
  EXPECT_EQ(result->GetResultDisplayLabel(), "");
  result->SetUserLabel("alone");
  EXPECT_EQ(result->GetResultDisplayLabel(), "alone");
}

// --- Full labels ---------------------------------------------------------------------------------

TEST(NodeLabels, FullLabelJoinsModelMeshAndNodeNames) {
  ScratchProject project;
  KT_PM_Node* model = project.Child(project.tree.GetRootNode(), "part.igs", NT_CAD_MODEL, NST_IGES);
  KT_PM_Node* mesh = project.Child(model, "part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  mesh->SetUserLabel("Part mesh");
  KT_PM_Node* input = project.Child(mesh, "run.001", NT_ANALYSIS_INPUT, NST_FLOW);
  input->SetUserLabel("run 1");
  EXPECT_EQ(input->GetFullLabel(), "Part mesh: run 1");
  model->SetUserLabel("housing");
  EXPECT_EQ(input->GetFullLabel(), "housing (Part mesh): run 1");
  EXPECT_EQ(mesh->GetFullLabel(), "housing (Part mesh)");
  EXPECT_EQ(model->GetFullLabel(), "housing");
  // The model label is compared in lower case and without surrounding blanks.
  model->SetUserLabel("  PART \n");
  EXPECT_EQ(input->GetFullLabel(), "Part mesh: run 1");
}

TEST(NodeLabels, FullLabelUsesTheHighestMeshAndTheParentLabelAsFallback) {
  ScratchProject project;
  KT_PM_Node* model = project.Child(project.tree.GetRootNode(), "a.stl", NT_CAD_MODEL, NST_STL);
  model->SetUserLabel("tool");
  KT_PM_Node* mesh = project.Child(model, "a.ktl", NT_MESH, NST_MESH_MIDPLANE);
  mesh->SetUserLabel("cavity");
  KT_PM_Node* mold = project.Child(mesh, "m.ktl", NT_MESH, NST_MESH_MOLD_FUSION);
  mold->SetUserLabel("mold");
  KT_PM_Node* bc = project.Child(mold, "m.bc2", NT_BOUNDARY_CONDITION, NST_COOL);
  bc->SetUserLabel("");
  EXPECT_EQ(bc->GetFullLabel(), "tool (cavity): mold");
  EXPECT_EQ(mold->GetFullLabel(), "tool (cavity)");
}

TEST(NodeLabels, FullLabelWithoutModelOrMeshIsTheNodeLabel) {
  ScratchProject project;
  KT_PM_Node* input =
      project.Child(project.tree.GetRootNode(), "x.040", NT_ANALYSIS_INPUT, NST_COOL);
  input->SetUserLabel("lonely");
  EXPECT_EQ(input->GetFullLabel(), "lonely");
  KT_PM_Node* model = project.Child(project.tree.GetRootNode(), "y.ktl", NT_MODEL, NST_DEFAULT);
  model->SetUserLabel("shape");
  KT_PM_Node* material = project.Child(model, "y.md3", NT_MATERIAL, NST_MATERIAL_FILE);
  material->SetUserLabel("PP");
  EXPECT_EQ(material->GetFullLabel(), "shape: PP");
}

// --- Default labels ------------------------------------------------------------------------------

TEST(NodeLabels, MaterialDefaultLabelFollowsTheNamingPreference) {
  ScratchProject project;
  ScopedEnvironment profile("KT_PROFILE_FILE", (project.Path() / "profile.ini").string());
  project.Write("pp.md3",
                "MATERIAL_SUPPLIER: ACME\nMATERIAL_GRADE: PP-100\nMATERIAL_MANUFACTURER: Maker\n"
                "MATERIAL_TRADE_NAME: Trade\nMATERIAL_DATABASE_TYPE: USER\n");
  KT_PM_Node* material = project.Node("pp.md3", NT_MATERIAL, NST_MATERIAL_FILE);
  EXPECT_EQ(material->GetUserLabel(), "ACME, PP-100 [USER]");
  ASSERT_EQ(KMatPrefs::SetMaterialPrefences(1), 1);
  EXPECT_EQ(material->GetDefaultLabel(nullptr), "Maker, Trade [USER]");
  KKeywordFile given;
  given.SetValue("MATERIAL_TRADE_NAME", "Only");
  EXPECT_EQ(material->GetDefaultLabel(&given), "Only []");
  KKeywordFile empty;
  EXPECT_EQ(material->GetDefaultLabel(&empty), "UNKNOWN");
}

TEST(NodeLabels, DefaultLabelOfOtherKinds) {
  ScratchProject project;
  EXPECT_EQ(project.Node("run.fsu", NT_RESULT, NST_FLOW)->GetDefaultLabel(nullptr), "");
  EXPECT_EQ(project.Node("gear.stp", NT_CAD_MODEL, NST_STEP)->GetDefaultLabel(nullptr), "gear");
  KT_PM_Node* fileless = project.Node(NT_MATERIAL, NST_MATERIAL_FILE);
  fileless->SetBasePath("base");
  EXPECT_EQ(fileless->GetDefaultLabel(nullptr), "base");
}

// --- Reading and writing the user label ----------------------------------------------------------

TEST(NodeLabels, ReadUserLabelTakesTheFirstLineOfTheLabelFile) {
  ScratchProject project;
  project.Write("part.lab", "Part mesh\nsecond line\n");
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  // The line feed that ends the line is part of the label as read.
  EXPECT_EQ(mesh->GetUserLabel(), "Part mesh\n");
  EXPECT_EQ(mesh->ReadUserLabel(), 1);
  ASSERT_EQ(mesh->GetFiles().size(), 2u);
  EXPECT_EQ(mesh->GetFiles()[1].GetPath(), "part.lab");
}

TEST(NodeLabels, ReadUserLabelCutsLongLinesAndStopsAtNul) {
  ScratchProject project;
  project.Write("long.lab", std::string(300, 'x'));
  KT_PM_Node* mesh = project.Node("long.ktl", NT_MESH, NST_MESH_FUSION);
  EXPECT_EQ(mesh->GetUserLabel(), std::string(255, 'x'));
  project.Write("nul.lab", std::string("ab\0cd", 5));
  EXPECT_EQ(project.Node("nul.ktl", NT_MESH, NST_MESH_FUSION)->GetUserLabel(), "ab");
}

TEST(NodeLabels, ReadUserLabelWithoutLabelFileEmptiesTheLabel) {
  ScratchProject project;
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  mesh->SetUserLabel("old");
  EXPECT_EQ(mesh->ReadUserLabel(), 0);
  EXPECT_EQ(mesh->GetUserLabel(), "");
  EXPECT_EQ(mesh->GetFiles().size(), 1u);
  project.Write("part.lab", "");
  EXPECT_EQ(mesh->ReadUserLabel(), 0);
  EXPECT_EQ(mesh->GetFiles().size(), 1u);
}

TEST(NodeLabels, ReadUserLabelOfAKindWithoutLabelFileKeepsTheLabel) {
  ScratchProject project;
  KT_PM_Node* bin = project.Node(NT_BIN, NST_MOLD_BIN);
  bin->SetUserLabel("kept");
  EXPECT_EQ(bin->ReadUserLabel(), 0);
  EXPECT_EQ(bin->GetUserLabel(), "kept");
}

TEST(NodeLabels, AnalysisInputLabelLivesInItsKeywordFile) {
  ScratchProject project;
  project.Write("run.001", "MELT_TEMPERATURE: 230\nANALYSIS_DESCRIPTION: first\n");
  KT_PM_Node* input = project.Node("run.001", NT_ANALYSIS_INPUT, NST_FLOW);
  EXPECT_EQ(input->GetUserLabel(), "first");
  input->SetUserLabel("second");
  input->WriteUserLabel();
  EXPECT_EQ(project.Read("run.001"), "MELT_TEMPERATURE: 230\nANALYSIS_DESCRIPTION: second\n");
  EXPECT_EQ(project.Read("run.721"), "second");
  EXPECT_EQ(input->FindFileInNodeFiles("run.721"), 1);
  EXPECT_EQ(input->ReadUserLabel(), 1);
  EXPECT_EQ(input->GetUserLabel(), "second");
}

TEST(NodeLabels, LineBreaksInALabelCannotAddKeywordsToTheInput) {
  ScratchProject project;
  project.Write("run.040", "ANALYSIS_DESCRIPTION: first\n");
  KT_PM_Node* input = project.Node("run.040", NT_ANALYSIS_INPUT, NST_COOL);
  input->SetUserLabel("two\n3DCOOL_ANALYSIS_TYPE: AUTO\n");
  input->WriteUserLabel();
  EXPECT_EQ(project.Read("run.040"), "ANALYSIS_DESCRIPTION: two 3DCOOL_ANALYSIS_TYPE: AUTO\n");
  // The label file holds the label as it is.
  EXPECT_EQ(project.Read("run.752"), "two\n3DCOOL_ANALYSIS_TYPE: AUTO\n");
}

TEST(NodeLabels, WriteUserLabelWritesTheLabelFileWithoutLineFeed) {
  ScratchProject project;
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_3D);
  mesh->SetUserLabel("New name");
  mesh->WriteUserLabel();
  EXPECT_EQ(project.Read("part.lab"), "New name");
  ASSERT_EQ(mesh->GetFiles().size(), 2u);
  mesh->WriteUserLabel();
  EXPECT_EQ(mesh->GetFiles().size(), 2u);
  mesh->SetUserLabel("");
  EXPECT_EQ(mesh->ReadUserLabel(), 1);
  EXPECT_EQ(mesh->GetUserLabel(), "New name");
}

TEST(NodeLabels, WriteUserLabelKeepsWriteProtectionOfTheFiles) {
  ScratchProject project;
  project.Write("part.lab", "old");
  project.Write("run.001", "ANALYSIS_DESCRIPTION: old\n");
  project.Protect("part.lab", true);
  project.Protect("run.001", true);
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  mesh->SetUserLabel("new");
  mesh->WriteUserLabel();
  EXPECT_EQ(project.Read("part.lab"), "new");
  EXPECT_TRUE(project.IsProtected("part.lab"));
  KT_PM_Node* input = project.Node("run.001", NT_ANALYSIS_INPUT, NST_FLOW);
  input->SetUserLabel("renamed");
  input->WriteUserLabel();
  EXPECT_EQ(project.Read("run.001"), "ANALYSIS_DESCRIPTION: renamed\n");
  EXPECT_TRUE(project.IsProtected("run.001"));
}

TEST(NodeLabels, WriteUserLabelOfKindsWithoutLabelFileWritesNothing) {
  ScratchProject project;
  KT_PM_Node* bin = project.Node(NT_BIN, NST_BC_BIN);
  KT_PM_Node* restart = project.Node("run.fr1", NT_RESTART, NST_FLOW);
  KT_PM_Node* report = project.Node(NT_REPORT, NST_DEFAULT);
  report->AddNodeFile("run_rpt/Summary");
  for (KT_PM_Node* node : {bin, restart, report}) {
    node->SetUserLabel("label");
    node->WriteUserLabel();
  }
  EXPECT_TRUE(std::filesystem::is_empty(project.Path()));
  EXPECT_EQ(bin->GetFiles().size(), 0u);
  EXPECT_EQ(restart->GetFiles().size(), 1u);
  EXPECT_EQ(report->GetFiles().size(), 1u);
}

TEST(NodeLabels, UnwritableLabelFileIsStillListed) {
  ScratchProject project;
  std::filesystem::create_directory(project.Path() / "part.lab");
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  mesh->SetUserLabel("name");
  mesh->WriteUserLabel();
  EXPECT_EQ(mesh->FindFileInNodeFiles("part.lab"), 1);
  EXPECT_TRUE(std::filesystem::is_directory(project.Path() / "part.lab"));
}

}  // namespace
