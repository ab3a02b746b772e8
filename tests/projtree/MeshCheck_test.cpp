// Classifying mesh nodes from their model files: models without a mesh, stated types, the
// application's mesh check for files that state none, mold meshes, and what is written back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScratchProject.h"
#include "TreeShape.h"

using ktpm::test::DumpTree;
using ktpm::test::ParentOf;
using ktpm::test::ScratchProject;

namespace {

// The application's check: answers from a variable and remembers the paths it was asked about.
MeshModelType g_answer = MMT_UNKNOWN;
std::vector<std::string> g_asked;

MeshModelType RecordingCheck(const char* path) {
  g_asked.emplace_back(path);
  return g_answer;
}

class MeshCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    g_answer = MMT_UNKNOWN;
    g_asked.clear();
  }
  // A mesh node for a model file written with the given text, with its node file or not.
  KT_PM_Node* Mesh(const std::string& name, const std::string& text, bool withNodes = true) {
    project.Write(name + ".ktl", text);
    if (withNodes) project.Write(name + ".nda", "1 0 0 0\n");
    return project.Node(name + ".ktl", NT_MESH, NST_MESH_MIDPLANE);
  }

  ScratchProject project;
};

}  // namespace

TEST_F(MeshCheck, ModelFileWithoutTypeOrNodesIsAModelAndStaysUntouched) {
  const std::string text = "KTL model file\nUNITS MM\nEND\n";
  KT_PM_Node* node = Mesh("housing", text, false);
  project.tree.SetMeshCheckFunction(&RecordingCheck);
  project.tree.DoMeshCheck(node);
  EXPECT_EQ(node->GetType(), NT_MODEL);
  EXPECT_EQ(node->GetSubType(), NST_DEFAULT);
  EXPECT_EQ(node->GetImageId(), TI_MODEL);
  EXPECT_EQ(project.Read("housing.ktl"), text);
  EXPECT_TRUE(g_asked.empty());
}

TEST_F(MeshCheck, StatedTypeDecidesWithoutAskingTheApplication) {
  const std::string text = "KTL model file\nMESH_MODEL_TYPE: FUSION\nEND\n";
  KT_PM_Node* node = Mesh("part", text);
  project.tree.SetMeshCheckFunction(&RecordingCheck);
  g_answer = MMT_MIDPLANE;
  project.tree.DoMeshCheck(node);
  EXPECT_EQ(node->GetType(), NT_MESH);
  EXPECT_EQ(node->GetSubType(), NST_MESH_FUSION);
  EXPECT_EQ(node->GetImageId(), TI_MESH_FUSION);
  EXPECT_TRUE(g_asked.empty());
  EXPECT_EQ(project.Read("part.ktl"), text);
}

TEST_F(MeshCheck, UnstatedTypeComesFromTheApplicationAndIsRecorded) {
  KT_PM_Node* node = Mesh("part", "KTL model file\nUNITS MM\n");
  project.tree.SetMeshCheckFunction(&RecordingCheck);
  g_answer = MMT_FUSION;
  project.tree.DoMeshCheck(node);
  EXPECT_EQ(node->GetSubType(), NST_MESH_FUSION);
  EXPECT_EQ(g_asked, std::vector<std::string>{"part.ktl"});
  EXPECT_EQ(project.Read("part.ktl"), "KTL model file\nUNITS MM\nMESH_MODEL_TYPE: FUSION\n");
}

TEST_F(MeshCheck, UnstatedTypeWithoutAnAnswerIsRecordedAsMidplane) {
  KT_PM_Node* silent = Mesh("silent", "KTL model file\n");
  project.tree.SetMeshCheckFunction(&RecordingCheck);
  project.tree.DoMeshCheck(silent);
  EXPECT_EQ(silent->GetSubType(), NST_MESH_MIDPLANE);
  EXPECT_EQ(project.Read("silent.ktl"), "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\n");

  project.tree.SetMeshCheckFunction(nullptr);
  KT_PM_Node* unchecked = Mesh("unchecked", "KTL model file\n");
  project.tree.DoMeshCheck(unchecked);
  EXPECT_EQ(unchecked->GetSubType(), NST_MESH_MIDPLANE);
  EXPECT_EQ(project.Read("unchecked.ktl"), "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\n");
}

TEST_F(MeshCheck, AnswerOutsideTheKnownTypesLeavesTheSubtype) {
  KT_PM_Node* node = Mesh("odd", "KTL model file\n");
  node->SetSubType(NST_MESH_FUSION);
  project.tree.SetMeshCheckFunction(&RecordingCheck);
  g_answer = static_cast<MeshModelType>(77);
  project.tree.DoMeshCheck(node);
  EXPECT_EQ(node->GetType(), NT_MESH);
  EXPECT_EQ(node->GetSubType(), NST_MESH_FUSION);
}

TEST_F(MeshCheck, MoldMeshesAndThreeDimensionalMeshes) {
  KT_PM_Node* mold =
      Mesh("tool", "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\n Cavity Model  part.ktl\n");
  project.tree.DoMeshCheck(mold);
  EXPECT_EQ(mold->GetSubType(), NST_MESH_MOLD_MIDPLANE);
  EXPECT_EQ(mold->GetImageId(), TI_MOLD_MESH);
  // A mesh already known as a mold mesh stays one when its file changes type.
  KT_PM_Node* known = Mesh("known", "KTL model file\nMESH_MODEL_TYPE: FUSION\n");
  known->SetSubType(NST_MESH_MOLD_MIDPLANE);
  project.tree.DoMeshCheck(known);
  EXPECT_EQ(known->GetSubType(), NST_MESH_MOLD_FUSION);

  const std::string text = "3D mesh\n";
  project.Write("solid.m3i", text);
  KT_PM_Node* solid = project.Node("solid.m3i", NT_MESH, NST_MESH_3D);
  project.tree.SetMeshCheckFunction(&RecordingCheck);
  project.tree.DoMeshCheck(solid);
  EXPECT_EQ(solid->GetSubType(), NST_MESH_3D);
  EXPECT_EQ(project.Read("solid.m3i"), text);
  EXPECT_TRUE(g_asked.empty());
}

TEST_F(MeshCheck, OpeningUsesTheCheckAndPlacesMoldMeshesUnderTheirCavity) {
  project.Write("part.ktl", "KTL model file\nUNITS MM\n");
  project.Write("part.nda", "1 0 0 0\n");
  project.Write("tool.ktl", "KTL model file\nMESH_MODEL_TYPE: FUSION\n Cavity Model  part.ktl\n");
  project.Write("tool.nda", "1 0 0 0\n");
  project.Write("part_c.ktl", "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\n");
  project.Write("part_c.nda", "1 0 0 0\n");
  project.Write("bare.ktl", "KTL model file\n");
  project.tree.SetMeshCheckFunction(&RecordingCheck);
  g_answer = MMT_FUSION;
  project.tree.Open(project.Path().string());
  // In listing order; only the mesh whose file states no type (and has nodes) was asked about.
  EXPECT_EQ(g_asked, std::vector<std::string>{"part.ktl"});
  EXPECT_EQ(DumpTree(project.tree),
            "NT_MODEL NST_DEFAULT NS_OK bare.ktl\n"
            "NT_CAD_MODEL NST_NONE NS_OK\n"
            "  NT_MESH NST_MESH_FUSION NS_OK part.ktl part.nda\n"
            "    NT_BIN NST_MOLD_BIN NS_OK\n"
            "      NT_MESH NST_MESH_MOLD_MIDPLANE NS_OK part_c.ktl part_c.nda\n"
            "      NT_MESH NST_MESH_MOLD_FUSION NS_OK tool.ktl tool.nda\n");
  EXPECT_EQ(ParentOf(project.tree, "bare.ktl"), "<root>");
}
