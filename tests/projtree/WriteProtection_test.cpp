// The write protection at the end of every build: files of analyses that have results, with the
// mesh, boundary condition and mold mesh they use, are write-protected; the edit node and report
// templates are left alone; protection goes again when the results go.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ScratchProject.h"
#include "TreeShape.h"

using ktpm::test::CheckTree;
using ktpm::test::NodeOf;
using ktpm::test::ScratchProject;

namespace {

// A mesh with a material, a flow and a cool boundary condition, a mold mesh, a flow input "a"
// and a cool input "c" on it.
class ProtectedProject : public ScratchProject {
 public:
  ProtectedProject() {
    Write("part.ktl", "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\nEND\n");
    Write("part.nda", "1 0 0 0\n");
    Write("tool.ktl", "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\n Cavity Model  part.ktl\n");
    Write("tool.nda", "1 0 0 0\n");
    Write("m.md3", "PLASTIC_MODEL: part.ktl\n");
    Write("part.bf3", "*MODEL    part.ktl\n");
    Write("tool.bc2", "*MODEL    tool.ktl\n");
    Write("a.001",
          "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: m.md3\n3DFLOW_ANALYSIS_AIM: FILL\n"
          "3DFLOW_RESULT_NAME: a\n3DFLOW_BOUNDARY_CONDITION: part.bf3\n");
    Write("c.040",
          "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: m.md3\n3DCOOL_RESULT_NAME: c\n"
          "3DCOOL_MOLD_MODEL_FILE: tool\n3DCOOL_BOUNDARY_CONDITION: tool.bc2\n");
  }
  void Open() { tree.Open(Path().string()); }
};

}  // namespace

TEST(WriteProtection, InputWithResultsProtectsWhatItUses) {
  ProtectedProject project;
  project.Write("a.fsu", "summary\n");
  project.Write("a.601", "notes\n");
  project.Open();
  ASSERT_EQ(CheckTree(project.tree), "");
  EXPECT_TRUE(project.IsProtected("a.001"));
  EXPECT_TRUE(project.IsProtected("part.ktl"));
  EXPECT_TRUE(project.IsProtected("part.nda"));
  EXPECT_TRUE(project.IsProtected("part.bf3"));
  // A result's own files stay writable: results are never marked by their children.
  EXPECT_FALSE(project.IsProtected("a.fsu"));
  EXPECT_FALSE(project.IsProtected("a.601"));
  // The cool analysis has no result yet: neither it nor its boundary condition. The mold mesh
  // is marked by the boundary condition that hangs under it with its files.
  EXPECT_FALSE(project.IsProtected("c.040"));
  EXPECT_FALSE(project.IsProtected("tool.bc2"));
  EXPECT_TRUE(project.IsProtected("tool.ktl"));
  // A parent whose children have files on disk is marked by them: the material holds inputs.
  EXPECT_TRUE(project.IsProtected("m.md3"));
}

TEST(WriteProtection, CoolInputWithResultsProtectsItsMoldMeshAndBoundaryCondition) {
  ProtectedProject project;
  project.Write("c.csu", "summary\n");
  project.Open();
  EXPECT_TRUE(project.IsProtected("c.040"));
  EXPECT_TRUE(project.IsProtected("tool.ktl"));
  EXPECT_TRUE(project.IsProtected("tool.bc2"));
  EXPECT_TRUE(project.IsProtected("part.ktl"));
  EXPECT_FALSE(project.IsProtected("a.001"));
}

TEST(WriteProtection, ProtectionGoesWhenTheResultsGo) {
  ProtectedProject project;
  project.Write("a.fsu", "summary\n");
  project.Open();
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  ASSERT_TRUE(project.IsProtected("a.001"));
  std::filesystem::remove(project.Path() / "a.fsu");
  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_FALSE(project.IsProtected("a.001"));
  EXPECT_FALSE(project.IsProtected("part.bf3"));
  // A file the user protected by hand in a node without results is made writable too.
  project.Protect("c.040", true);
  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_FALSE(project.IsProtected("c.040"));
}

TEST(WriteProtection, EditNodeIsNeverProtectedButIsReleased) {
  ProtectedProject project;
  project.Write("a.fsu", "summary\n");
  project.Open();
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  ASSERT_TRUE(project.IsProtected("a.001"));
  KT_PM_Node* input = NodeOf(project.tree, "a.001");
  ASSERT_NE(input, nullptr);
  // The client edits the input: released by hand, it stays writable through builds.
  project.Protect("a.001", false);
  project.tree.SetEditNode(input);
  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_FALSE(project.IsProtected("a.001"));
  EXPECT_TRUE(project.IsProtected("part.ktl"));

  // Editing the cool input, which has no results: a stray protection is released.
  project.Protect("c.040", true);
  project.tree.SetEditNode(NodeOf(project.tree, "c.040"));
  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_FALSE(project.IsProtected("c.040"));
  EXPECT_TRUE(project.IsProtected("a.001"));
}

TEST(WriteProtection, ReportTemplatesAndUnlinkedNodesAreLeftAlone) {
  ProtectedProject project;
  project.Write("a.fsu", "summary\n");
  project.Write("part.rpt",
                "PROJECT_PARENT_NODE : \"part.ktl\"\nNO_HTML_REPORTS : 1\n"
                "HTML_REPORT_DIR : \"Summary\"\n");
  std::filesystem::create_directory(project.Path() / "Summary");
  project.Write("loose.rpt", "PROJECT_PARENT_NODE : \"nothing.ktl\"\n");
  project.Protect("loose.rpt", true);
  // An input that hangs nowhere (its material names no mesh) keeps its files as they are.
  project.Write("z.001", "3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: z\n");
  project.Write("z.fsu", "summary\n");
  project.Protect("z.001", true);
  project.Open();
  EXPECT_FALSE(project.IsProtected("part.rpt"));
  EXPECT_TRUE(project.IsProtected("loose.rpt"));
  EXPECT_TRUE(project.IsProtected("z.001"));
  EXPECT_TRUE(project.IsProtected("a.001"));
}

TEST(WriteProtection, MeshIsRecordedInAProtectedBoundaryCondition) {
  ProtectedProject project;
  // Names no mesh: the mesh of its base name is written into it although it is protected; the
  // last pass then releases it, since no analysis with results uses it.
  project.Write("tool.bf3", "*NODAL    INJECT\n\t1\t1\t1\n");
  project.Protect("tool.bf3", true);
  project.Open();
  EXPECT_NE(project.Read("tool.bf3").find("tool.ktl"), std::string::npos);
  EXPECT_FALSE(project.IsProtected("tool.bf3"));
}
