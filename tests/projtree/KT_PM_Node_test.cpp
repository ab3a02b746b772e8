// The node: files, write protection, links, flow aims, the nodes an analysis uses, side files
// collected from disk, error output and the refresh of a node found again.
#include <gtest/gtest.h>

#include <string>

#include "ScratchProject.h"
#include "TreeShape.h"

using ktpm::test::FilesOf;
using ktpm::test::ScratchProject;

TEST(KT_PM_Node, FilesAreKeptOnceWithoutRegardToCase) {
  ScratchProject project;
  KT_PM_Node* node = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  EXPECT_EQ(node->AddNodeFile("part.NDA"), 1);
  EXPECT_EQ(node->AddNodeFile("PART.nda"), 0);
  EXPECT_EQ(node->AddNodeFile("Part.KTL"), 0);
  EXPECT_EQ(FilesOf(node), "part.ktl part.NDA");
  EXPECT_EQ(node->FindFileInNodeFiles("PART.NDA"), 1);
  EXPECT_EQ(node->FindFileInNodeFiles("part.nd"), 0);
  // The tree's lookups see files added to a node, in any spelling.
  EXPECT_EQ(project.tree.FindInternalNode("part.nda"), node);

  std::string found = "unchanged";
  EXPECT_EQ(node->FindFileWithSuffixInNodeFiles(found, ".Nda"), 1);
  EXPECT_EQ(found, "part.NDA");
  found = "unchanged";
  EXPECT_EQ(node->FindFileWithSuffixInNodeFiles(found, ".ela"), 0);
  EXPECT_EQ(found, "unchanged");
}

TEST(KT_PM_Node, LockNodeFilesProtectsAndReleasesExceptForReportTemplates) {
  ScratchProject project;
  project.Write("part.ktl", "KTL model file\n");
  project.Write("part.nda", "1\n");
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  mesh->AddNodeFile("part.nda");
  mesh->AddNodeFile("part.missing");
  project.Protect("part.nda", true);
  mesh->LockNodeFiles(1);
  EXPECT_TRUE(project.IsProtected("part.ktl"));
  EXPECT_TRUE(project.IsProtected("part.nda"));
  EXPECT_FALSE(project.Exists("part.missing"));
  mesh->LockNodeFiles(1);
  EXPECT_TRUE(project.IsProtected("part.ktl"));
  mesh->LockNodeFiles(0);
  EXPECT_FALSE(project.IsProtected("part.ktl"));
  EXPECT_FALSE(project.IsProtected("part.nda"));

  project.Write("report.rpt", "TEMPLATE_NAME : \"r\"\n");
  project.Write("locked.rpt", "TEMPLATE_NAME : \"l\"\n");
  project.Protect("locked.rpt", true);
  KT_PM_Node* open = project.Node("report.rpt", NT_REPORT_TEMPLATE, NST_DEFAULT);
  KT_PM_Node* locked = project.Node("locked.rpt", NT_REPORT_TEMPLATE, NST_DEFAULT);
  open->LockNodeFiles(1);
  locked->LockNodeFiles(0);
  EXPECT_FALSE(project.IsProtected("report.rpt"));
  EXPECT_TRUE(project.IsProtected("locked.rpt"));
}

TEST(KT_PM_Node, AppendChildRefusesSecondParentsAndCycles) {
  ScratchProject project;
  KT_PM_Node* a = project.Node("a.ktl", NT_MESH, NST_MESH_MIDPLANE);
  KT_PM_Node* b = project.Node("b.001", NT_ANALYSIS_INPUT, NST_FLOW);
  KT_PM_Node* c = project.Node("c.fsu", NT_RESULT, NST_FLOW);
  KT_PM_Node* d = project.Node("d.002", NT_ANALYSIS_INPUT, NST_FLOW);

  EXPECT_EQ(KT_PM_Node::AppendChild(a, b), nullptr);
  EXPECT_EQ(KT_PM_Node::AppendChild(a, d), nullptr);
  EXPECT_EQ(KT_PM_Node::AppendChild(b, c), nullptr);
  EXPECT_EQ(a->GetFirstChild(), b);
  EXPECT_EQ(b->GetNextSibling(), d);
  // Already linked: the existing parent comes back and nothing moves.
  EXPECT_EQ(KT_PM_Node::AppendChild(d, c), b);
  EXPECT_EQ(c->GetParent(), b);
  EXPECT_EQ(d->GetFirstChild(), nullptr);
  // A node under itself or under its own descendant: the node comes back, nothing changes.
  KT_PM_Node* top = project.Node("top.igs", NT_CAD_MODEL, NST_IGES);
  EXPECT_EQ(KT_PM_Node::AppendChild(top, top), top);
  EXPECT_EQ(top->GetParent(), nullptr);
  EXPECT_EQ(top->GetFirstChild(), nullptr);
  EXPECT_EQ(KT_PM_Node::AppendChild(c, a), a);
  EXPECT_EQ(a->GetParent(), nullptr);
  EXPECT_EQ(c->GetFirstChild(), nullptr);
  // Linking an unlinked node that still carries a sibling link keeps that link.
  KT_PM_Node* e = project.Node("e.fsu", NT_RESULT, NST_FLOW);
  e->SetNextSibling(top);
  EXPECT_EQ(KT_PM_Node::AppendChild(d, e), nullptr);
  EXPECT_EQ(e->GetNextSibling(), top);
}

TEST(KT_PM_Node, FindNodeWithFileSearchesChildrenBeforeSiblings) {
  ScratchProject project;
  KT_PM_Node* first = project.Node("first.ktl", NT_MESH, NST_MESH_MIDPLANE);
  KT_PM_Node* second = project.Node("second.ktl", NT_MESH, NST_MESH_MIDPLANE);
  first->SetNextSibling(second);
  KT_PM_Node* child = project.Child(first, "child.001", NT_ANALYSIS_INPUT, NST_FLOW);
  child->AddNodeFile("shared.txt");
  second->AddNodeFile("shared.txt");
  EXPECT_EQ(KT_PM_Node::FindNodeWithFile(first, "SHARED.TXT"), child);
  EXPECT_EQ(KT_PM_Node::FindNodeWithFile(second, "shared.txt"), second);
  EXPECT_EQ(KT_PM_Node::FindNodeWithFile(first, "second.ktl"), second);
  EXPECT_EQ(KT_PM_Node::FindNodeWithFile(child, "first.ktl"), nullptr);
  EXPECT_EQ(KT_PM_Node::FindNodeWithFile(nullptr, "first.ktl"), nullptr);
}

TEST(KT_PM_Node, FlowAimOfInputsAndNestedResults) {
  ScratchProject project;
  project.Write("x.002", "3DFLOW_ANALYSIS_AIM: PACK\n");
  project.Write("fp.001", "3DFLOW_ANALYSIS_AIM: FILL_PACK\n");
  project.Write("gate.001", "3DFLOW_ANALYSIS_AIM: GATE_LOCATION\n");
  project.Write("none.001", "3DFLOW_MELT_TEMPERATURE: 230\n");
  project.Write("c.040", "3DFLOW_ANALYSIS_AIM: FILL\n");
  KT_PM_Node* input = project.Node("x.002", NT_ANALYSIS_INPUT, NST_FLOW);
  KT_PM_Node* fill = project.Child(input, "x.fsu", NT_RESULT, NST_FLOW);
  KT_PM_Node* pack = project.Child(fill, "x.psu", NT_RESULT, NST_FLOW);
  EXPECT_EQ(input->GetFlowAim(), FA_PACK);
  EXPECT_EQ(fill->GetFlowAim(), FA_FILL);
  EXPECT_EQ(pack->GetFlowAim(), FA_PACK);

  EXPECT_EQ(project.Node("fp.001", NT_ANALYSIS_INPUT, NST_FLOW)->GetFlowAim(), FA_FILL);
  EXPECT_EQ(project.Node("gate.001", NT_ANALYSIS_INPUT, NST_FLOW)->GetFlowAim(), FA_GATE_LOCATION);
  EXPECT_EQ(project.Node("none.001", NT_ANALYSIS_INPUT, NST_FLOW)->GetFlowAim(), FA_NONE);
  // Only flow inputs read an aim.
  EXPECT_EQ(project.Node("c.040", NT_ANALYSIS_INPUT, NST_COOL)->GetFlowAim(), FA_NONE);
  // Without files, and a result without an input above it.
  EXPECT_EQ(project.Node(NT_ANALYSIS_INPUT, NST_FLOW)->GetFlowAim(), FA_NONE);
  EXPECT_EQ(project.Node("lone.psu", NT_RESULT, NST_FLOW)->GetFlowAim(), FA_NONE);
}

TEST(KT_PM_Node, ModelMeshOfMoldMeshesInputsAndResults) {
  ScratchProject project;
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  project.tree.AddMoldNode(mesh, project.Node("mold.ktl", NT_MESH, NST_MESH_MOLD_FUSION));
  KT_PM_Node* mold = project.tree.FindInternalNode("mold.ktl");
  ASSERT_NE(mold->GetParent(), nullptr);
  EXPECT_EQ(mold->GetParent()->GetSubType(), NST_MOLD_BIN);
  EXPECT_EQ(mold->GetModelMeshNode(), mesh);
  EXPECT_EQ(mesh->GetModelMeshNode(), mesh);
  KT_PM_Node* input = project.Child(mesh, "p.001", NT_ANALYSIS_INPUT, NST_FLOW);
  EXPECT_EQ(project.Child(input, "p.fsu", NT_RESULT, NST_FLOW)->GetModelMeshNode(), mesh);

  KT_PM_Node* model = project.Node("geometry.ktl", NT_MODEL, NST_DEFAULT);
  EXPECT_EQ(project.Child(model, "g.001", NT_ANALYSIS_INPUT, NST_FLOW)->GetModelMeshNode(), model);
  EXPECT_EQ(project.Node("loose.001", NT_ANALYSIS_INPUT, NST_FLOW)->GetModelMeshNode(), nullptr);
  // A mold mesh on its own has no model mesh.
  EXPECT_EQ(project.Node("m2.ktl", NT_MESH, NST_MESH_MOLD_MIDPLANE)->GetModelMeshNode(), nullptr);
}

TEST(KT_PM_Node, CoolAnalysisFindsItsMoldMeshInTheMoldBin) {
  ScratchProject project;
  project.Write("c.040", "3DCOOL_MOLD_MODEL_FILE: MOLD\n");
  project.Write("other.040", "3DCOOL_MOLD_MODEL_FILE: other\n");
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  KT_PM_Node* mold = project.Node("mold.ktl", NT_MESH, NST_MESH_MOLD_MIDPLANE);
  project.tree.AddMoldNode(mesh, mold);
  KT_PM_Node* input = project.Child(mesh, "c.040", NT_ANALYSIS_INPUT, NST_COOL);
  KT_PM_Node* result = project.Child(input, "c.csu", NT_RESULT, NST_COOL);
  KT_PM_Node* bc = project.Child(mold, "c.bc2", NT_BOUNDARY_CONDITION, NST_COOL);
  EXPECT_EQ(input->GetMoldMeshNode(), mold);
  EXPECT_EQ(result->GetMoldMeshNode(), mold);
  EXPECT_EQ(bc->GetMoldMeshNode(), mold);
  EXPECT_EQ(mold->GetMoldMeshNode(), mold);
  EXPECT_EQ(project.Child(mesh, "other.040", NT_ANALYSIS_INPUT, NST_COOL)->GetMoldMeshNode(),
            nullptr);
  EXPECT_EQ(mesh->GetMoldMeshNode(), nullptr);
  // A cool boundary condition straight under a part mesh has no mold mesh.
  EXPECT_EQ(project.Child(mesh, "d.bc2", NT_BOUNDARY_CONDITION, NST_COOL)->GetMoldMeshNode(),
            nullptr);
}

TEST(KT_PM_Node, BoundaryConditionOfInputsAndOfStructuralResults) {
  ScratchProject project;
  project.Write("f.001", "3DFLOW_BOUNDARY_CONDITION: gate\n");
  project.Write("w.060", "3DSTRUCT_FENAS_INPUT_FILE: w\n");
  project.Write("w.jsu", "Header\nExternal load/constraint file   loads.exl\nDone\n");
  KT_PM_Node* mesh = project.Node("part.ktl", NT_MESH, NST_MESH_MIDPLANE);
  KT_PM_Node* gate = project.Node("gate.bf3", NT_BOUNDARY_CONDITION, NST_FLOW);
  KT_PM_Node* loads = project.Node("loads.exl", NT_BOUNDARY_CONDITION, NST_WARP);
  project.tree.AddBCNode(mesh, gate);
  project.tree.AddBCNode(mesh, loads);
  KT_PM_Node* flow = project.Child(mesh, "f.001", NT_ANALYSIS_INPUT, NST_FLOW);
  EXPECT_EQ(flow->GetBoundaryConditionNode(), gate);
  EXPECT_EQ(project.Child(flow, "f.fsu", NT_RESULT, NST_FLOW)->GetBoundaryConditionNode(), gate);

  // A warp input that names no boundary condition uses the one its finished result reports.
  KT_PM_Node* warp = project.Child(mesh, "w.060", NT_ANALYSIS_INPUT, NST_WARP);
  KT_PM_Node* result = project.Child(warp, "w.jsu", NT_RESULT, NST_WARP);
  result->SetState(NS_PENDING);
  EXPECT_EQ(warp->GetBoundaryConditionNode(), nullptr);
  result->SetState(NS_OK);
  EXPECT_EQ(warp->GetBoundaryConditionNode(), loads);
  EXPECT_EQ(result->GetBoundaryConditionNode(), loads);
}

TEST(KT_PM_Node, UpdateNodeFilesCollectsTheSideFilesAMeshKeeps) {
  ScratchProject project;
  project.Write("part.m3i", "x\n");
  KT_PM_Node* solid = project.Node("part.m3i", NT_MESH, NST_MESH_3D);
  for (const char* name : {"part.NDA", "part.LAB", "part.tet", "part.xyz"}) {
    project.Write(name, "x\n");
  }
  std::filesystem::create_directory(project.Path() / "part.ela");
  solid->UpdateNodeFiles();
  EXPECT_EQ(FilesOf(solid), "part.m3i part.LAB part.tet");

  for (const char* name : {"shell.ktl", "shell.NDA", "shell.ata", "shell.isu"}) {
    project.Write(name, "x\n");
  }
  KT_PM_Node* shell = project.Node("shell.ktl", NT_MESH, NST_MESH_MIDPLANE);
  shell->UpdateNodeFiles();
  EXPECT_EQ(FilesOf(shell), "shell.ktl shell.ata shell.isu shell.NDA");
  // Other kinds of node take nothing.
  project.Write("m.md3", "x\n");
  project.Write("m.txt", "x\n");
  KT_PM_Node* material = project.Node("m.md3", NT_MATERIAL, NST_MATERIAL_FILE);
  material->UpdateNodeFiles();
  EXPECT_EQ(FilesOf(material), "m.md3");
}

TEST(KT_PM_Node, UpdateNodeFilesGivesFillFilesOfAPackRunToTheFillResult) {
  ScratchProject project;
  for (const char* name :
       {"x.002", "x.fsu", "x.psu", "x.fr0", "x.pr0", "x.fts", "x.502", "x.902"}) {
    project.Write(name, "x\n");
  }
  KT_PM_Node* input = project.Node("x.002", NT_ANALYSIS_INPUT, NST_FLOW);
  KT_PM_Node* fill = project.Child(input, "x.fsu", NT_RESULT, NST_FLOW);
  KT_PM_Node* pack = project.Child(fill, "x.psu", NT_RESULT, NST_FLOW);
  pack->UpdateNodeFiles();
  // The pack result keeps its own files and the run outputs of the input; the fill result gets
  // the fill files; the time series stays with neither.
  EXPECT_EQ(FilesOf(pack), "x.psu x.502 x.902 x.pr0");
  EXPECT_EQ(FilesOf(fill), "x.fsu x.fr0");
  EXPECT_EQ(project.tree.FindInternalNode("x.fts"), nullptr);
}

TEST(KT_PM_Node, ErrorOutputIsAttachedOnlyWhenNotEmpty) {
  ScratchProject project;
  KT_PM_Node* result = project.Node("r.fsu", NT_RESULT, NST_FLOW);
  EXPECT_EQ(KT_PM_Node::AttachErrorOutput(result), 0);
  project.Write("r.mse", "");
  EXPECT_EQ(KT_PM_Node::AttachErrorOutput(result), 0);
  project.Write("r.fse", "error\n");
  EXPECT_EQ(KT_PM_Node::AttachErrorOutput(result), 1);
  EXPECT_EQ(FilesOf(result), "r.fsu r.fse");
  KT_PM_Node* mesh = project.Node("m.ktl", NT_MESH, NST_MESH_MIDPLANE);
  project.Write("m.mse", "mesher error\n");
  project.Write("m.ise", "other error\n");
  EXPECT_EQ(KT_PM_Node::AttachErrorOutput(mesh), 1);
  EXPECT_EQ(FilesOf(mesh), "m.ktl m.mse");
}

TEST(KT_PM_Node, RefreshOfA3DFlowResultNeedsACompletedSummary) {
  ScratchProject project;
  KT_PM_Node* result = project.Node("k.m3r", NT_RESULT, NST_FLOW);
  EXPECT_EQ(KT_PM_Node::RefreshNodeState(result), 0);  // No main file yet.
  EXPECT_EQ(result->GetState(), NS_OK);
  project.Write("k.m3r", "results\n");
  EXPECT_EQ(KT_PM_Node::RefreshNodeState(result), 0);  // No summary.
  EXPECT_EQ(result->GetState(), NS_PENDING);
  project.Write("k.m3s", "Step 1\nStep 2\n");
  EXPECT_EQ(KT_PM_Node::RefreshNodeState(result), 0);
  EXPECT_EQ(FilesOf(result), "k.m3r k.m3s");
  project.Write("k.m3s", "Step 1\n" + std::string(300, 'x') + "\n  Completed analysis\n");
  EXPECT_EQ(KT_PM_Node::RefreshNodeState(result), 1);
  EXPECT_EQ(FilesOf(result), "k.m3r k.m3s");

  KT_PM_Node* plain = project.Node("p.fsu", NT_RESULT, NST_FLOW);
  project.Write("p.fsu", "summary\n");
  EXPECT_EQ(KT_PM_Node::RefreshNodeState(plain), 1);
}

TEST(KT_PM_Node, RunOutputsOfTheInputJoinTheResultWhenTheyExist) {
  ScratchProject project;
  project.Write("x.042", "x\n");
  project.Write("x.942", "keyword output\n");
  KT_PM_Node* input = project.Node("x.042", NT_ANALYSIS_INPUT, NST_COOL);
  KT_PM_Node* result = project.Node("x.csu", NT_RESULT, NST_COOL);
  KT_PM_Node::AttachRunOutputs(result, input);
  EXPECT_EQ(FilesOf(result), "x.csu x.942");
  project.Write("x.542", "screen output\n");
  KT_PM_Node::AttachRunOutputs(result, input);
  EXPECT_EQ(FilesOf(result), "x.csu x.942 x.542");
  // An input without an extension contributes nothing.
  KT_PM_Node::AttachRunOutputs(result, project.Node("bare", NT_ANALYSIS_INPUT, NST_FLOW));
  EXPECT_EQ(FilesOf(result), "x.csu x.942 x.542");
}
