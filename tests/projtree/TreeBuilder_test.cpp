// Tree building from real project directories: which files make nodes, where the nodes hang, in
// which order, with which files and states; progress; and rebuilds of a project already open.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ScratchProject.h"
#include "TreeShape.h"

#include <ktpm/projtree/IProjectNotifySink.h>

using ktpm::test::CheckTree;
using ktpm::test::DumpTree;
using ktpm::test::FilesOf;
using ktpm::test::NodeOf;
using ktpm::test::ParentOf;
using ktpm::test::ScopedMaterialData;
using ktpm::test::ScratchProject;
using ktpm::test::WriteMidplaneMesh;

namespace {

int CountNodes(KProjectTree& tree, Node_Type type) {
  int count = 0;
  for (const auto& node : tree.GetNodes()) count += node->GetType() == type ? 1 : 0;
  return count;
}

class RecordingSink : public IProjectNotifySink {
 public:
  void OnNodeChanged(KT_PM_Node* node) override {
    calls.push_back("changed " + node->GetMainFile());
  }
  void OnInitProgress(int steps) override { calls.push_back("init " + std::to_string(steps)); }
  void OnSetProgress(int step) override { calls.push_back("set " + std::to_string(step)); }
  void OnEndProgress() override { calls.push_back("end"); }
  std::vector<std::string> calls;
};

}  // namespace

TEST(TreeBuilder, PackInputStandsForTheFillInputOfTheSameBase) {
  ScratchProject project;
  project.Write("part.001", "3DFLOW_ANALYSIS_AIM: FILL\n");
  project.Write("part.002", "3DFLOW_ANALYSIS_AIM: PACK\n");
  project.Write("cure.005", "3DFLOW_ANALYSIS_AIM: FILL\n");
  project.Write("cure.006", "3DFLOW_ANALYSIS_AIM: CURING\n");
  project.tree.Open(project.Path().string());

  EXPECT_EQ(CountNodes(project.tree, NT_ANALYSIS_INPUT), 2);
  ASSERT_NE(NodeOf(project.tree, "part.002"), nullptr);
  ASSERT_NE(NodeOf(project.tree, "cure.006"), nullptr);
  // The fill input is neither a node nor a side file of one.
  EXPECT_EQ(project.tree.FindInternalNode("part.001"), nullptr);
  EXPECT_EQ(project.tree.FindInternalNode("cure.005"), nullptr);
  EXPECT_EQ(NodeOf(project.tree, "part.002")->GetFlowAim(), FA_PACK);
  EXPECT_EQ(NodeOf(project.tree, "cure.006")->GetFlowAim(), FA_CURE);
}

TEST(TreeBuilder, FillInputWithoutContinuationIsAnInput) {
  ScratchProject project;
  project.Write("part.001", "3DFLOW_ANALYSIS_AIM: FILL\n");
  project.Write("other.002", "3DFLOW_ANALYSIS_AIM: PACK\n");
  project.tree.Open(project.Path().string());
  ASSERT_NE(NodeOf(project.tree, "part.001"), nullptr);
  EXPECT_EQ(NodeOf(project.tree, "part.001")->GetFlowAim(), FA_FILL);
  EXPECT_EQ(CountNodes(project.tree, NT_ANALYSIS_INPUT), 2);
}

TEST(TreeBuilder, UnvAndInpFilesAreCadModelsUnlessAStructuralInputShareTheirBase) {
  {
    ScratchProject project;
    project.Write("part.unv", "unv\n");
    project.Write("part.inp", "inp\n");
    project.Write("KTSTRESS.INP", "solver input\n");
    project.tree.Open(project.Path().string());
    EXPECT_EQ(DumpTree(project.tree),
              "NT_CAD_MODEL NST_UNV NS_OK part.inp\n"
              "NT_CAD_MODEL NST_UNV NS_OK part.unv\n");
    // The stress solver's own input is never a model, nor any other node.
    EXPECT_EQ(project.tree.FindInternalNode("ktstress.inp"), nullptr);
  }
  {
    ScratchProject project;
    project.Write("part.unv", "unv\n");
    project.Write("part.inp", "inp\n");
    project.Write("part.060", "3DSTRUCT_ANALYSIS_AIM: WARP\n");
    project.tree.Open(project.Path().string());
    EXPECT_EQ(DumpTree(project.tree), "NT_CAD_MODEL NST_UNV NS_OK part.unv\n");
    KT_PM_Node* holder = project.tree.FindInternalNode("part.inp");
    EXPECT_TRUE(holder == nullptr || holder->GetType() != NT_CAD_MODEL);
  }
  {
    ScratchProject project;
    project.Write("part.inp", "inp\n");
    project.Write("part.061", "3DSTRUCT_ANALYSIS_AIM: STRESS\n");
    project.tree.Open(project.Path().string());
    KT_PM_Node* holder = project.tree.FindInternalNode("part.inp");
    EXPECT_TRUE(holder == nullptr || holder->GetType() != NT_CAD_MODEL);
  }
}

TEST(TreeBuilder, ModelFileWithoutMeshIsAModelUnderTheRoot) {
  ScratchProject project;
  project.Write("housing.ktl", "KTL model file\nUNITS MM\nGEOMETRY ONLY\nEND\n");
  project.Write("housing.igs", "iges\n");
  project.tree.Open(project.Path().string());
  EXPECT_EQ(DumpTree(project.tree),
            "NT_CAD_MODEL NST_IGES NS_OK housing.igs\n"
            "NT_MODEL NST_DEFAULT NS_OK housing.ktl\n");
  EXPECT_EQ(CheckTree(project.tree), "");
}

TEST(TreeBuilder, MeshWithoutSourceHangsUnderAPlaceholderModel) {
  ScratchProject project;
  WriteMidplaneMesh(project, "part");
  project.Write("part.txt", "notes\n");
  project.Write("part.lab", "Front panel\n");
  project.tree.Open(project.Path().string());
  EXPECT_EQ(DumpTree(project.tree),
            "NT_CAD_MODEL NST_NONE NS_OK\n"
            "  NT_MESH NST_MESH_MIDPLANE NS_OK part.ktl part.lab part.ela part.nda part.txt\n");
  KT_PM_Node* placeholder = project.tree.GetRootNode()->GetFirstChild();
  ASSERT_NE(placeholder, nullptr);
  EXPECT_EQ(placeholder->GetDisplayLabel(), "[CAD]");
  EXPECT_TRUE(placeholder->GetFiles().empty());
}

TEST(TreeBuilder, TranslatedMeshHangsUnderItsCadModel) {
  ScratchProject project;
  project.Write("bracket.igs", "iges\n");
  project.Write("bracket.ktl",
                "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\nUNV|bracket.igs|PART |\nEND\n");
  project.Write("bracket.nda", "1 0 0 0\n");
  project.Write("bracket.632", "notes of the CAD model\n");
  project.tree.Open(project.Path().string());
  EXPECT_EQ(DumpTree(project.tree),
            "NT_CAD_MODEL NST_IGES NS_OK bracket.igs bracket.632\n"
            "  NT_MESH NST_MESH_MIDPLANE NS_OK bracket.ktl bracket.nda\n");
}

TEST(TreeBuilder, BoundaryConditionsWithoutAnalysisFindTheirMesh) {
  ScratchProject project;
  WriteMidplaneMesh(project, "part");
  // Names no model, but a mesh of its base name exists: the mesh is recorded in the file.
  project.Write("part.bf3", "*NODAL    INJECT\n\t1\t1\t1\n");
  // Names its model.
  project.Write("gate.bf3", "*MODEL    part.ktl\n*NODAL    INJECT\n\t2\t1\t1\n");
  // Names nothing and has no mesh: in a bin under the root.
  project.Write("orphan.bf3", "*NODAL    INJECT\n\t12\t1\t1\n");
  const std::string orphanBefore = project.Read("orphan.bf3");
  project.tree.Open(project.Path().string());

  EXPECT_EQ(DumpTree(project.tree),
            "NT_CAD_MODEL NST_NONE NS_OK\n"
            "  NT_MESH NST_MESH_MIDPLANE NS_OK part.ktl part.ela part.nda\n"
            "    NT_BIN NST_BC_BIN NS_OK\n"
            "      NT_BOUNDARY_CONDITION NST_FLOW NS_OK gate.bf3\n"
            "      NT_BOUNDARY_CONDITION NST_FLOW NS_OK part.bf3\n"
            "NT_BIN NST_BC_BIN NS_OK\n"
            "  NT_BOUNDARY_CONDITION NST_FLOW NS_OK orphan.bf3\n");
  EXPECT_NE(project.Read("part.bf3").find("part.ktl"), std::string::npos);
  EXPECT_EQ(project.Read("orphan.bf3"), orphanBefore);
  EXPECT_EQ(CheckTree(project.tree), "");
}

TEST(TreeBuilder, AnalysisChainWithBinsMaterialResultsAndSideFiles) {
  ScratchProject project;
  WriteMidplaneMesh(project, "part");
  project.Write("m.md3", "PLASTIC_MODEL: part.ktl\nMATERIAL_GRADE: ABS\n");
  project.Write("m.dss", "shrinkage\n");
  project.Write("part.bf3", "*MODEL    part.ktl\n*NODAL    INJECT\n\t1\t1\t1\n");
  project.Write("part1.001",
                "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: m.md3\n3DFLOW_ANALYSIS_AIM: FILL\n"
                "3DFLOW_RESULT_NAME: part1\n3DFLOW_BOUNDARY_CONDITION: part.bf3\n");
  project.Write("part1.501", "screen output\n");
  project.Write("part1.901", "keyword output\n");
  project.Write("part1.fr0", "result frame\n");
  project.Write("part1.621", "notes of the input\n");
  project.Write("stray.xyz", "no kind\n");
  project.tree.Open(project.Path().string());

  EXPECT_EQ(DumpTree(project.tree),
            "NT_CAD_MODEL NST_NONE NS_OK\n"
            "  NT_MESH NST_MESH_MIDPLANE NS_OK part.ktl part.ela part.nda\n"
            "    NT_BIN NST_BC_BIN NS_OK\n"
            "      NT_BOUNDARY_CONDITION NST_FLOW NS_OK part.bf3\n"
            "    NT_MATERIAL_GROUP NST_DEFAULT NS_OK [TESSARA]\n"
            "      NT_MATERIAL NST_MATERIAL_FILE NS_OK m.md3 m.dss\n"
            "        NT_ANALYSIS_INPUT NST_FLOW NS_OK part1.001 part1.621\n"
            "          NT_RESULT NST_FLOW NS_PENDING part1.fsu part1.501 part1.901 part1.fr0\n");
  EXPECT_EQ(project.tree.FindInternalNode("stray.xyz"), nullptr);
  EXPECT_EQ(CheckTree(project.tree), "");
  EXPECT_EQ(project.tree.IsOpen(), 1);
}

TEST(TreeBuilder, ProgressGoesToTheSinksInFiveSteps) {
  ScratchProject project;
  WriteMidplaneMesh(project, "part");
  RecordingSink sink;
  project.tree.RegisterNotifySink(&sink);
  project.tree.Open(project.Path().string());
  const std::vector<std::string> expected{"init 5", "set 1", "set 2", "set 3",
                                          "set 4",  "set 5", "end"};
  EXPECT_EQ(sink.calls, expected);
  project.tree.UnregisterNotifySink(&sink);
}

TEST(TreeBuilder, EmptyDirectoryLeavesTheProjectClosed) {
  ScratchProject project;
  project.Write("readme.xyz", "nothing of a known kind\n");
  project.tree.Open(project.Path().string());
  EXPECT_EQ(project.tree.IsOpen(), 0);
  EXPECT_EQ(project.tree.GetRootNode()->GetFirstChild(), nullptr);
  EXPECT_EQ(project.tree.GetProjectPath(), project.Path().string());
}

// --- Rebuilds ---------------------------------------------------------------------------------

namespace {

// Every node of the array with its links, by address: a rebuild that keeps identities and places
// leaves this unchanged.
std::vector<std::vector<const void*>> Links(KProjectTree& tree) {
  std::vector<std::vector<const void*>> links;
  for (const auto& node : tree.GetNodes()) {
    links.push_back({node.get(), node->GetParent(), node->GetFirstChild(), node->GetNextSibling()});
  }
  return links;
}

// A project with a bit of everything, copied from the sample.
void CopySample(const ScratchProject& project) {
  const std::filesystem::path sample =
      std::filesystem::path(KTPM_SOURCE_DIR) / "data/sample-project";
  std::filesystem::copy(sample, project.Path(), std::filesystem::copy_options::recursive);
}

}  // namespace

TEST(TreeBuilder, RebuildOfAnUnchangedProjectCreatesNoNodeAndMovesNothing) {
  ScratchProject project;
  ScopedMaterialData data(project.Path() / ".data");
  CopySample(project);
  project.tree.Open(project.Path().string());
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  ASSERT_EQ(CheckTree(project.tree), "");
  const std::string dump = DumpTree(project.tree);
  const auto links = Links(project.tree);
  ASSERT_GT(links.size(), 20u);

  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_EQ(Links(project.tree), links);
  EXPECT_EQ(DumpTree(project.tree), dump);
  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_EQ(Links(project.tree), links);
  EXPECT_EQ(CheckTree(project.tree), "");

  held.unlock();
  // Opening again builds the same tree from scratch.
  project.tree.Open(project.Path().string());
  held.lock();
  EXPECT_EQ(DumpTree(project.tree), dump);
  EXPECT_EQ(project.tree.GetNodes().size(), links.size());
}

TEST(TreeBuilder, RebuildFindsAFinishedResultAndTellsTheSinks) {
  ScratchProject project;
  WriteMidplaneMesh(project, "part");
  project.Write("m.md3", "PLASTIC_MODEL: part.ktl\n");
  project.Write("part1.001",
                "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: m.md3\n3DFLOW_ANALYSIS_AIM: FILL\n"
                "3DFLOW_RESULT_NAME: part1\n");
  project.tree.Open(project.Path().string());
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  KT_PM_Node* result = project.tree.FindInternalNode("part1.fsu");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->GetState(), NS_PENDING);
  result->SetClientData(7);  // The client shows it.
  const size_t count = project.tree.GetNodes().size();

  RecordingSink sink;
  project.tree.RegisterNotifySink(&sink);
  project.Write("part1.fsu", "summary\n");
  project.Write("part1.fnr", "frame\n");
  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_EQ(project.tree.GetNodes().size(), count);
  EXPECT_EQ(project.tree.FindInternalNode("part1.fsu"), result);
  EXPECT_EQ(result->GetState(), NS_OK);
  EXPECT_EQ(FilesOf(result), "part1.fsu part1.fnr");
  EXPECT_NE(std::find(sink.calls.begin(), sink.calls.end(), "changed part1.fsu"), sink.calls.end());
  project.tree.UnregisterNotifySink(&sink);
}

TEST(TreeBuilder, RebuildAddsNodesOnlyForNewFiles) {
  ScratchProject project;
  WriteMidplaneMesh(project, "part");
  project.tree.Open(project.Path().string());
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  const auto links = Links(project.tree);
  ASSERT_EQ(links.size(), 2u);  // The mesh and its placeholder model.

  project.Write("part.bf3", "*MODEL    part.ktl\n");
  KProjectTreeTestPeer::BuildTree(project.tree);
  ASSERT_EQ(project.tree.GetNodes().size(), 4u);  // The boundary condition and its bin.
  EXPECT_EQ(ParentOf(project.tree, "part.bf3"), "NT_BIN");
  EXPECT_EQ(project.tree.GetNodes()[0].get(), links[0][0]);
  EXPECT_EQ(project.tree.GetNodes()[1].get(), links[1][0]);
  EXPECT_EQ(CheckTree(project.tree), "");
}

TEST(TreeBuilder, CloseEmptiesTheTreeAndOpenAfterCloseBuildsAgain) {
  ScratchProject project;
  WriteMidplaneMesh(project, "part");
  project.tree.Open(project.Path().string());
  ASSERT_EQ(project.tree.IsOpen(), 1);
  project.tree.Close();
  EXPECT_EQ(project.tree.IsOpen(), 0);
  EXPECT_EQ(project.tree.GetRootNode()->GetFirstChild(), nullptr);
  EXPECT_EQ(project.tree.FindInternalNode("part.ktl"), nullptr);
  project.tree.Open(project.Path().string());
  EXPECT_EQ(project.tree.GetNodes().size(), 2u);
  EXPECT_NE(project.tree.FindFileInTree("PART.KTL"), nullptr);
}

TEST(TreeBuilder, DeletedNodeWhoseFileIsStillThereComesBackAsItself) {
  ScratchProject project;
  WriteMidplaneMesh(project, "part");
  project.Write("part.bf3", "*MODEL    part.ktl\n");
  project.tree.Open(project.Path().string());
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  KT_PM_Node* bc = project.tree.FindInternalNode("part.bf3");
  ASSERT_NE(bc, nullptr);
  KT_PM_Node* bin = bc->GetParent();
  ASSERT_NE(bin, nullptr);
  const size_t count = project.tree.GetNodes().size();
  // Deleted as a delete leaves it: unlinked and marked, still known to the client.
  bc->SetClientData(5);
  bc->DetachFromParent();
  bc->SetState(NS_DELETED);

  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_EQ(project.tree.GetNodes().size(), count);
  EXPECT_EQ(project.tree.FindInternalNode("part.bf3"), bc);
  EXPECT_EQ(bc->GetState(), NS_OK);
  EXPECT_EQ(bc->GetClientData(), 0u);  // To be announced again.
  EXPECT_EQ(bc->GetParent(), bin);
  EXPECT_EQ(CheckTree(project.tree), "");
}

TEST(TreeBuilder, FindFileInTreeSeesOnlyLinkedNodes) {
  ScratchProject project;
  WriteMidplaneMesh(project, "part");
  project.Write("loose.001", "3DFLOW_ANALYSIS_AIM: FILL\n");
  project.tree.Open(project.Path().string());
  EXPECT_NE(project.tree.FindInternalNode("loose.001"), nullptr);
  EXPECT_EQ(project.tree.FindFileInTree("loose.001"), nullptr);
  EXPECT_EQ(project.tree.FindFileInTree("Part.Nda"), project.tree.FindInternalNode("part.ktl"));
  EXPECT_EQ(project.tree.FindFileInTree(nullptr), nullptr);
}
