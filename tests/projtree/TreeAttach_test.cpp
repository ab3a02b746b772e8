// The attach operations seen through opening real project directories: results and the fill
// results of continued runs, inputs under restart points, results and materials, materials made
// from the material database, translated meshes, and reports matched with their templates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "ScratchProject.h"
#include "TreeShape.h"

using ktpm::test::CheckTree;
using ktpm::test::DumpTree;
using ktpm::test::FilesOf;
using ktpm::test::NodeOf;
using ktpm::test::ParentOf;
using ktpm::test::ScopedMaterialData;
using ktpm::test::ScratchProject;

namespace {

// A project holding a midplane mesh "part.ktl" and a material "m.md3" for it.
class AttachProject : public ScratchProject {
 public:
  AttachProject() {
    Write("part.ktl", "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\nEND\n");
    Write("part.nda", "1 0 0 0\n");
    Write("m.md3", "PLASTIC_MODEL: part.ktl\n");
  }
  void Open() { tree.Open(Path().string()); }
  // An analysis input on the mesh with the material, plus the given keyword lines.
  void Input(const std::string& name, const std::string& keywords) {
    Write(name, "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: m.md3\n" + keywords);
  }
};

}  // namespace

TEST(TreeAttach, PackRunThatContinuedItsOwnFillHangsUnderTheFillResult) {
  AttachProject project;
  project.Input("x.002",
                "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: NONE\n3DFLOW_RESULT_NAME: x\n");
  project.Write("x.fse", "fill failed\n");
  project.Open();
  EXPECT_EQ(ParentOf(project.tree, "x.002"), "m.md3");
  EXPECT_EQ(ParentOf(project.tree, "x.fsu"), "x.002");
  EXPECT_EQ(ParentOf(project.tree, "x.psu"), "x.fsu");
  // One run made both results: its error output marks both as failed.
  EXPECT_EQ(NodeOf(project.tree, "x.fsu")->GetState(), NS_FAILED);
  EXPECT_EQ(FilesOf(NodeOf(project.tree, "x.fsu")), "x.fsu x.fse");
  EXPECT_EQ(NodeOf(project.tree, "x.psu")->GetState(), NS_FAILED);
  EXPECT_EQ(FilesOf(NodeOf(project.tree, "x.psu")), "x.psu x.fse");
  EXPECT_EQ(NodeOf(project.tree, "x.fsu")->GetFlowAim(), FA_FILL);
  EXPECT_EQ(NodeOf(project.tree, "x.psu")->GetFlowAim(), FA_PACK);
}

TEST(TreeAttach, RunsFromAnIntermediateRestartHangUnderARestartNode) {
  AttachProject project;
  project.Input("x.002",
                "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: NONE\n3DFLOW_RESULT_NAME: x\n");
  project.Input("y.002",
                "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: INTERMEDIATE_PACKING\n"
                "3DFLOW_RESTART_INTERMEDIATE_PACKING: x.r05\n3DFLOW_RESULT_NAME: y\n");
  project.Input("z.002",
                "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: INTERMEDIATE_PACKING\n"
                "3DFLOW_RESTART_INTERMEDIATE_PACKING: x.r05\n3DFLOW_RESULT_NAME: z\n");
  project.Open();
  // The restart node is made once, under the first result of the base name; the second run
  // from the same restart file joins it.
  KT_PM_Node* restart = project.tree.FindInternalNode("x.r05");
  ASSERT_NE(restart, nullptr);
  EXPECT_EQ(restart->GetType(), NT_RESTART);
  EXPECT_EQ(restart->GetSubType(), NST_FLOW);
  EXPECT_EQ(ParentOf(project.tree, "x.r05"), "x.psu");
  EXPECT_EQ(ParentOf(project.tree, "y.002"), "x.r05");
  EXPECT_EQ(ParentOf(project.tree, "z.002"), "x.r05");
  // A continuation from a restart of another run has no fill result of its own.
  EXPECT_EQ(ParentOf(project.tree, "y.psu"), "y.002");
  EXPECT_EQ(project.tree.FindInternalNode("y.fsu"), nullptr);
  EXPECT_EQ(CheckTree(project.tree), "");
}

TEST(TreeAttach, RestartFileOfNoKnownResultMakesNoRestartNode) {
  AttachProject project;
  project.Input("y.002",
                "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: INTERMEDIATE_PACKING\n"
                "3DFLOW_RESTART_INTERMEDIATE_PACKING: gone.r05\n3DFLOW_RESULT_NAME: y\n");
  project.Open();
  EXPECT_EQ(project.tree.FindInternalNode("gone.r05"), nullptr);
  EXPECT_EQ(ParentOf(project.tree, "y.002"), "<none>");
}

TEST(TreeAttach, StructuralAndCoolRunsOfAPackResultHangUnderThePackResult) {
  AttachProject project;
  project.Input("x.002",
                "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: NONE\n3DFLOW_RESULT_NAME: x\n");
  // The fill result exists on disk, so it is made first and is the first result of base "x".
  project.Write("x.fsu", "summary\n");
  project.Input("w.060", "3DSTRUCT_FENAS_INPUT_FILE: w\n3DFLOW_RESTART_END_OF_PACKING: x.r99\n");
  project.Input("c.040",
                "3DCOOL_RESULT_NAME: c\n3DCOOL_FLOW_RESULTS: END_OF_PACKING\n"
                "3DCOOL_FLOW_RESULTS_END_OF_PACKING: x.fsu\n");
  project.Input("f.040",
                "3DCOOL_RESULT_NAME: f\n3DCOOL_FLOW_RESULTS: END_OF_FILLING\n"
                "3DCOOL_FLOW_RESULTS_END_OF_FILLING: x.fsu\n");
  project.Open();
  EXPECT_EQ(ParentOf(project.tree, "x.psu"), "x.fsu");
  EXPECT_EQ(ParentOf(project.tree, "w.060"), "x.psu");
  EXPECT_EQ(ParentOf(project.tree, "w.jsu"), "w.060");
  EXPECT_EQ(ParentOf(project.tree, "c.040"), "x.psu");
  EXPECT_EQ(ParentOf(project.tree, "f.040"), "x.fsu");
  EXPECT_EQ(CheckTree(project.tree), "");
}

TEST(TreeAttach, ResultNamesFollowTheMeshKindOfTheirKeyword) {
  AttachProject project;
  project.Write("solid.m3i", "3D mesh\n");
  project.Write("k.090", "PLASTIC_MODEL: solid.m3i\nMATERIAL_FILE: m.md3\nMOLD3D_RESULT_NAME: k\n");
  project.Input("c.042", "2DCOOL_RESULT_NAME: c\n");
  project.Input("n.001", "3DFLOW_ANALYSIS_AIM: FILL\n");
  project.Open();
  EXPECT_EQ(ParentOf(project.tree, "k.m3r"), "k.090");
  EXPECT_EQ(NodeOf(project.tree, "k.m3r")->GetState(), NS_PENDING);
  EXPECT_EQ(ParentOf(project.tree, "c.tsu"), "c.042");
  // An input that names no result has none.
  KT_PM_Node* input = NodeOf(project.tree, "n.001");
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(input->GetFirstChild(), nullptr);
}

TEST(TreeAttach, TranslatorInputsMakeOrJoinTheirMeshes) {
  ScratchProject project;
  project.Write("knob.stl", "solid\n");
  project.Write("knob.092",
                "KTMESH3D_MESH_INPUT_FILENAME: knob.stl\nKTMESH3D_MESH_OUTPUT_FILENAME: knob\n"
                "KTMESH3D_OUTPUT_FILETYPE: KELTRAVO_FLOW3D_INPUT\n");
  project.Write("lid.stl", "solid\n");
  project.Write("lid.092",
                "KTMESH3D_MESH_INPUT_FILENAME: lid.stl\nKTMESH3D_MESH_OUTPUT_FILENAME: lid\n"
                "KTMESH3D_OUTPUT_FILETYPE: KELTRAVO_FLOW_INPUT\n");
  project.Write("cap.igs", "iges\n");
  project.Write("cap.081", "TRANS_INPUT_MODEL: cap.igs\nTRANS_OUTPUT_MODEL: cap.ktl\n");
  project.Write("cap.ktl", "KTL model file\nMESH_MODEL_TYPE: FUSION\nEND\n");
  project.Write("cap.nda", "1 0 0 0\n");
  project.Write("lid.mse", "mesher failed\n");
  project.tree.Open(project.Path().string());
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  EXPECT_EQ(DumpTree(project.tree),
            "NT_CAD_MODEL NST_IGES NS_OK cap.igs\n"
            "  NT_MESH NST_MESH_FUSION NS_OK cap.ktl cap.081 cap.nda\n"
            "NT_CAD_MODEL NST_STL NS_OK knob.stl\n"
            "  NT_MESH NST_MESH_3D NS_PENDING knob.m3i knob.092\n"
            "NT_CAD_MODEL NST_STL NS_OK lid.stl\n"
            "  NT_MESH NST_MESH_MIDPLANE NS_FAILED lid.ktl lid.mse lid.092\n");

  // Once the mesher has written its output, a rebuild finds the same node done.
  KT_PM_Node* knob = project.tree.FindInternalNode("knob.m3i");
  project.Write("knob.m3i", "3D mesh\n");
  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_EQ(project.tree.FindInternalNode("knob.m3i"), knob);
  EXPECT_EQ(knob->GetState(), NS_OK);
  EXPECT_EQ(CheckTree(project.tree), "");
}

TEST(TreeAttach, MissingMaterialIsMadeFromTheDatabaseAndRecordedInTheInput) {
  AttachProject project;
  ScopedMaterialData data(project.Path() / ".data");
  project.Write("p1.001",
                "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: lost.md3\nMATERIAL_SUPPLIER: Generic\n"
                "MATERIAL_GRADE: PP Homopolymer MFI 12\nMATERIAL_DATABASE_TYPE: THERMOPLASTIC\n"
                "3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: p1\n");
  project.Open();
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  KT_PM_Node* input = NodeOf(project.tree, "p1.001");
  ASSERT_NE(input, nullptr);
  KT_PM_Node* material = input->GetParent();
  ASSERT_NE(material, nullptr);
  EXPECT_EQ(material->GetType(), NT_MATERIAL);
  EXPECT_EQ(material->GetSubType(), NST_MATERIAL_FILE);
  const std::string made = material->GetMainFile();
  EXPECT_EQ(made.find('/'), std::string::npos);
  EXPECT_TRUE(project.Exists(made)) << made;
  EXPECT_NE(made, "lost.md3");
  EXPECT_NE(project.Read(made).find("PLASTIC_MODEL: part.ktl"), std::string::npos);
  EXPECT_NE(project.Read("p1.001").find("MATERIAL_FILE: " + made + "\n"), std::string::npos);
  EXPECT_EQ(project.Read("p1.001").find("lost.md3"), std::string::npos);
  ASSERT_NE(material->GetParent(), nullptr);
  EXPECT_EQ(material->GetParent()->GetType(), NT_MATERIAL_GROUP);
  EXPECT_EQ(ParentOf(project.tree, "m.md3"), "NT_MATERIAL_GROUP");
  EXPECT_EQ(material->GetParent(), NodeOf(project.tree, "m.md3")->GetParent());

  held.unlock();
  // The next open finds the material by its recorded name and makes no other.
  project.Open();
  held.lock();
  EXPECT_EQ(ParentOf(project.tree, "p1.001"), made);
  int materials = 0;
  for (const auto& node : project.tree.GetNodes()) materials += node->GetType() == NT_MATERIAL;
  EXPECT_EQ(materials, 2);
}

TEST(TreeAttach, GradeTheDatabaseDoesNotKnowGivesAnUnresolvedMaterial) {
  // The same in inspection mode, and reported in both.
  for (const int inspect : {0, 1}) {
    std::mutex messagesLock;  // messages may come from the watcher thread too
    std::string messages;
    AttachProject project;
    ScopedMaterialData data(project.Path() / ".data");
    const std::string input =
        "PLASTIC_MODEL: part.ktl\nMATERIAL_SUPPLIER: Nobody\nMATERIAL_GRADE: Unobtainium\n"
        "3DFLOW_ANALYSIS_AIM: FILL\n";
    project.Write("q1.001", input);
    project.tree.SetDiagnosticHandler([&](KDiagnosticSeverity, const std::string& text) {
      std::lock_guard<std::mutex> guard(messagesLock);
      messages += text + "\n";
    });
    project.tree.SetInspectionMode(inspect);
    project.Open();
    auto held = project.tree.LockTree();
    KT_PM_Node* material = NodeOf(project.tree, "q1.001")->GetParent();
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->GetType(), NT_MATERIAL);
    EXPECT_EQ(material->GetSubType(), NST_MATERIAL_UNRESOLVED);
    EXPECT_EQ(FilesOf(material), "");
    ASSERT_EQ(material->GetFiles().size(), 1u);
    EXPECT_EQ(project.Read("q1.001"), input);
    EXPECT_EQ(CheckTree(project.tree), "");
    std::lock_guard<std::mutex> guard(messagesLock);
    EXPECT_EQ(messages,
              "The material \"Nobody\" \"Unobtainium\" that q1.001 names is not in the material "
              "database; it stays unresolved.\n");
  }
}

TEST(TreeAttach, GeneratedReportsAreMatchedWithTheirTemplate) {
  AttachProject project;
  project.Write("part.rpt",
                "PROJECT_PARENT_NODE : \"part.ktl\"\nNO_HTML_REPORTS : 3\n"
                "HTML_REPORT_DIR : \"Summary\"\nHTML_REPORT_DIR : \"Detail\"\n"
                "HTML_REPORT_DIR : \"NotYet\"\nTEMPLATE_NAME : \"Part report\"\n");
  project.Write("Detail.rpi",
                "PROJECT_PARENT_NODE : \"part.rpt\"\nHTML_STYLE : \"Detail\"\n"
                "REPORT_TEMPLATE : \"part.rpt\"\n");
  project.Write("Later.rpi",
                "PROJECT_PARENT_NODE : \"part.rpt\"\nHTML_STYLE : \"Later\"\n"
                "REPORT_TEMPLATE : \"part.rpt\"\n");
  std::filesystem::create_directory(project.Path() / "Summary");
  std::filesystem::create_directory(project.Path() / "Detail");
  project.Open();
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  EXPECT_EQ(DumpTree(project.tree),
            "NT_CAD_MODEL NST_NONE NS_OK\n"
            "  NT_MESH NST_MESH_MIDPLANE NS_OK part.ktl part.nda\n"
            "    NT_MATERIAL_GROUP NST_DEFAULT NS_OK [TESSARA]\n"
            "      NT_MATERIAL NST_MATERIAL_FILE NS_OK m.md3\n"
            "    NT_REPORT_TEMPLATE NST_DEFAULT NS_OK part.rpt\n"
            "      NT_REPORT NST_DEFAULT NS_OK Detail\n"
            "      NT_REPORT NST_DEFAULT NS_PENDING Later.rpi\n"
            "      NT_REPORT NST_DEFAULT NS_OK Summary\n");
  // The request of the generated report made way for the report.
  EXPECT_FALSE(project.Exists("Detail.rpi"));
  EXPECT_TRUE(project.Exists("Later.rpi"));

  // Unchanged on a rebuild: no second report node for a directory.
  const std::string dump = DumpTree(project.tree);
  const size_t count = project.tree.GetNodes().size();
  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_EQ(DumpTree(project.tree), dump);
  EXPECT_EQ(project.tree.GetNodes().size(), count);
}

TEST(TreeAttach, LeftOverResultFilesJoinTheFillOrThePackResultByTheirKind) {
  // Whichever result of the run is made first from its file, and so is first found by base name,
  // fill files end with the fill result and pack files with the pack result below it.
  for (const char* madeFirst : {"x.fsu", "x.psu"}) {
    AttachProject project;
    project.Input("x.002",
                  "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: NONE\n3DFLOW_RESULT_NAME: x\n");
    project.Write(madeFirst, "summary\n");
    project.Write("x.pr0", "pack frame\n");
    project.Write("x.fr0", "fill frame\n");
    project.Open();
    EXPECT_EQ(FilesOf(NodeOf(project.tree, "x.fsu")), "x.fsu x.fr0") << madeFirst;
    EXPECT_EQ(FilesOf(NodeOf(project.tree, "x.psu")), "x.psu x.pr0") << madeFirst;
    EXPECT_EQ(ParentOf(project.tree, "x.psu"), "x.fsu") << madeFirst;
  }
}

TEST(TreeAttach, CoolInputMakesItsMoldModelAMoldMeshAndPlacesItsBoundaryCondition) {
  AttachProject project;
  project.Write("tool.ktl", "KTL model file\nMESH_MODEL_TYPE: FUSION\nEND\n");
  project.Write("tool.nda", "1 0 0 0\n");
  project.Write("tool.bc2", "*NODAL    COOLANT\n");
  project.Write("part.bc3", "*NODAL    COOLANT\n");
  project.Input("c.040",
                "3DCOOL_RESULT_NAME: c\n3DCOOL_MOLD_MODEL_FILE: tool\n"
                "3DCOOL_BOUNDARY_CONDITION: tool.bc2\n");
  project.Input("d.040", "3DCOOL_RESULT_NAME: d\n2DCOOL_BOUNDARY_CONDITION: part.bc3\n");
  project.Open();
  EXPECT_EQ(DumpTree(project.tree),
            "NT_CAD_MODEL NST_NONE NS_OK\n"
            "  NT_MESH NST_MESH_MIDPLANE NS_OK part.ktl part.nda\n"
            "    NT_BIN NST_MOLD_BIN NS_OK\n"
            "      NT_MESH NST_MESH_MOLD_FUSION NS_OK tool.ktl tool.nda\n"
            "        NT_BOUNDARY_CONDITION NST_COOL NS_OK tool.bc2\n"
            "    NT_MATERIAL_GROUP NST_DEFAULT NS_OK [TESSARA]\n"
            "      NT_MATERIAL NST_MATERIAL_FILE NS_OK m.md3\n"
            "        NT_ANALYSIS_INPUT NST_COOL NS_OK c.040\n"
            "          NT_RESULT NST_COOL NS_PENDING c.csu\n"
            "        NT_ANALYSIS_INPUT NST_COOL NS_OK d.040\n"
            "          NT_RESULT NST_COOL NS_PENDING d.csu\n"
            "    NT_BOUNDARY_CONDITION NST_COOL NS_OK part.bc3\n");
  // Becoming a mold mesh does not change the model type its file states.
  EXPECT_NE(project.Read("tool.ktl").find("MESH_MODEL_TYPE: FUSION"), std::string::npos);
}

TEST(TreeAttach, OnlyPendingReportsAreTurnedIntoGeneratedReports) {
  ScratchProject project;
  project.Write("t.rpt",
                "PROJECT_PARENT_NODE : \"\"\nNO_HTML_REPORTS : 1\nHTML_REPORT_DIR : \"Summary\"\n");
  std::filesystem::create_directory(project.Path() / "Summary");
  // A pending child that is no report, whose file happens to name the style.
  const std::string request = "PROJECT_PARENT_NODE : \"t.rpt\"\nHTML_STYLE : \"Summary\"\n";
  project.Write("x.ktl", request);
  project.Write("s.rpi", request);
  KT_PM_Node* templateNode = project.Node("t.rpt", NT_REPORT_TEMPLATE, NST_DEFAULT);
  KT_PM_Node* mesh = project.Child(templateNode, "x.ktl", NT_MESH, NST_MESH_MIDPLANE);
  mesh->SetState(NS_PENDING);
  KProjectTreeTestPeer::CheckRPTChildren(project.tree, templateNode);
  EXPECT_TRUE(project.Exists("x.ktl"));
  EXPECT_EQ(mesh->GetMainFile(), "x.ktl");
  EXPECT_EQ(mesh->GetState(), NS_PENDING);
  // The directory is not taken by the mesh: it gets a report node of its own.
  ASSERT_EQ(ParentOf(project.tree, "Summary"), "t.rpt");

  // A pending report with that style is the one generated.
  KT_PM_Node* pending = project.Child(templateNode, "s.rpi", NT_REPORT, NST_DEFAULT);
  pending->SetState(NS_PENDING);
  project.tree.FindInternalNode("Summary")->SetMainFileName("Old");
  KProjectTreeTestPeer::CheckRPTChildren(project.tree, templateNode);
  EXPECT_FALSE(project.Exists("s.rpi"));
  EXPECT_EQ(pending->GetMainFile(), "Summary");
  EXPECT_EQ(pending->GetState(), NS_OK);
}
