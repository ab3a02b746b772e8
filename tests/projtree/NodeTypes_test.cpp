#include <gtest/gtest.h>

#include <ktpm/platform/Resources.h>
#include <ktpm/projtree/NodeTypes.h>

TEST(NodeTypes, TablesKeepTheirRowCounts) {
  EXPECT_EQ(GetNodeFileTypeTable().size(), 59u);
  EXPECT_EQ(GetAnalysisInputTable().size(), 21u);
  EXPECT_EQ(GetResultSelectorTable().size(), 21u);
  EXPECT_EQ(GetMeshSideFileExtensions().size(), 11u);
}

TEST(NodeTypes, ResultTypeFromFileNameMatchesRangesAndIgnoresCase) {
  EXPECT_EQ(GetResultTypeFromFileName("PART.FSU"), RT_SUMMARY);
  EXPECT_EQ(GetResultTypeFromFileName("run.f37"), RT_NR);
  EXPECT_EQ(GetResultTypeFromFileName("run.t05"), RT_ER);
  EXPECT_EQ(GetResultTypeFromFileName("run.fds"), RT_NONE);
  EXPECT_EQ(GetResultTypeFromFileName("run.m3r"), RT_OTHER);
  EXPECT_EQ(GetResultTypeFromFileName("run.txt"), RT_NONE);
  EXPECT_EQ(GetResultTypeFromFileName("noextension"), RT_NONE);
  // ".f5" lies between ".f00" and ".f99" byte-wise.
  EXPECT_EQ(GetResultTypeFromFileName("run.f5"), RT_NR);
  // ".fts" is known to several lists: the first selector row's list decides.
  EXPECT_EQ(GetResultTypeFromFileName("dir.x/run.fts"), RT_TS);
  EXPECT_EQ(GetResultTypeFromFileName("run.rsl"), RT_LM);
  EXPECT_EQ(GetResultTypeFromFileName("run.m3s"), RT_SUMMARY);
}

TEST(NodeTypes, MatchResultListUsesTheSelectedRow) {
  EXPECT_EQ(MatchResultList(2, ".psu"), RT_SUMMARY);  // midplane pack
  EXPECT_EQ(MatchResultList(0, ".psu"), RT_NONE);     // midplane fill
  EXPECT_EQ(MatchResultList(0, ".FDS"), RT_NONE);
  EXPECT_EQ(MatchResultList(11, ".m3r"), RT_OTHER);
  EXPECT_EQ(MatchResultList(-1, ".fsu"), RT_NONE);
  EXPECT_EQ(MatchResultList(21, ".fsu"), RT_NONE);
}

TEST(NodeTypes, IconsByState) {
  EXPECT_EQ(GetKindIcon(NT_MESH, NST_MESH_XSECTION, NS_PENDING), TI_CAD_MODEL);
  EXPECT_EQ(GetKindIcon(NT_MESH, NST_MESH_XSECTION, NS_OK), TI_MESH_XSECTION);
  EXPECT_EQ(GetKindIcon(NT_MESH, NST_MESH_FUSION, NS_PENDING), TI_MESH_FUSION_PENDING);
  EXPECT_EQ(GetKindIcon(NT_MESH, NST_MESH_3D, NS_FAILED), TI_MESH_3D_FAILED);
  EXPECT_EQ(GetKindIcon(NT_RESULT, NST_FLOW, NS_PENDING), TI_RESULT_PENDING);
  EXPECT_EQ(GetKindIcon(NT_REPORT, NST_DEFAULT, NS_FAILED), TI_REPORT_FAILED);
  EXPECT_EQ(GetKindIcon(NT_RESULT, NST_FLOW, NS_DELETED), TI_CAD_MODEL);
  for (Node_SubType analysis : {NST_FLOW, NST_COOL, NST_WARP, NST_STRESS, NST_DEFAULT}) {
    EXPECT_EQ(GetKindIcon(NT_ANALYSIS_INPUT, analysis, NS_OK), TI_ANALYSIS_INPUT);
  }
  // A subtype without its own row takes the last row of the type.
  EXPECT_EQ(GetKindIcon(NT_MESH, NST_MESH_19, NS_OK), TI_MOLD_MESH);
  EXPECT_EQ(GetKindIcon(NT_NONE, NST_NONE, NS_OK), TI_CAD_MODEL);
  EXPECT_EQ(GetKindIcon(NT_BOUNDARY_CONDITION, NST_STRESS, NS_OK), TI_BC_STRESS);
}

TEST(NodeTypes, LabelIds) {
  EXPECT_EQ(GetKindLabelId(NT_ANALYSIS_INPUT, NST_COOL), 18070);
  EXPECT_EQ(GetKindLabelId(NT_ANALYSIS_INPUT, NST_DEFAULT), 18118);
  EXPECT_EQ(GetKindLabelId(NT_CAD_MODEL, NST_NONE), 0);
  EXPECT_EQ(GetKindLabelId(NT_MATERIAL_GROUP, NST_DEFAULT), 18273);
  EXPECT_EQ(GetKindLabelId(NT_NONE, NST_DEFAULT), 0);
  EXPECT_EQ(GetResourceString(GetKindLabelId(NT_BIN, NST_MOLD_BIN)), "Mold Models");
}

TEST(NodeTypes, RegistryExtensions) {
  EXPECT_STREQ(GetRegistryExtension(NT_MESH, NST_MESH_FUSION, RC_MAIN), ".ktl");
  EXPECT_STREQ(GetRegistryExtension(NT_MESH, NST_DEFAULT, RC_MAIN), ".ktl");
  EXPECT_STREQ(GetRegistryExtension(NT_MESH, NST_MESH_3D, RC_MAIN), ".m3i");
  EXPECT_STREQ(GetRegistryExtension(NT_REPORT, NST_DEFAULT, RC_ERROR_OUTPUT), ".rpe");
  EXPECT_STREQ(GetRegistryExtension(NT_BOUNDARY_CONDITION, NST_COOL, RC_MAIN), ".bc2");
  EXPECT_STREQ(GetRegistryExtension(NT_RESULT, NST_FLOW, RC_SUMMARY), ".fsu");
  EXPECT_EQ(GetRegistryExtension(NT_MATERIAL, NST_MATERIAL_FILE, RC_SUMMARY), nullptr);
  EXPECT_EQ(GetRegistryExtension(NT_RESTART, NST_DEFAULT, RC_MAIN), nullptr);
  EXPECT_EQ(GetRegistryExtension(NT_MESH, NST_MESH_3D, 5), nullptr);
}

TEST(NodeTypes, AnalysisInputAndResultExtensions) {
  EXPECT_EQ(GetAnalysisInputExtension(NST_FLOW, NST_MESH_MIDPLANE, FA_PACK, RC_MAIN), ".002");
  EXPECT_EQ(GetAnalysisInputExtension(NST_STRESS, NST_MESH_FUSION, FA_NONE, RC_MAIN), "");
  EXPECT_EQ(GetAnalysisInputExtension(NST_FLOW, NST_MESH_3D, FA_NONE, RC_LABEL), ".792");
  EXPECT_EQ(GetAnalysisInputExtension(NST_FLOW, NST_MESH_3D, FA_NONE, RC_SUMMARY), "");
  EXPECT_EQ(GetResultExtension(NST_FLOW, NST_MESH_MIDPLANE, FA_PACK, RT_SUMMARY), ".psu");
  EXPECT_EQ(GetResultExtension(NST_FLOW, NST_MESH_3D, FA_NONE, RT_SUMMARY), ".m3s");
  EXPECT_EQ(GetResultExtension(NST_FLOW, NST_MESH_MIDPLANE, FA_FILL, RT_CEM), "");
  EXPECT_EQ(GetResultExtension(NST_WARP, NST_MESH_3D, FA_NONE, RT_SUMMARY), "");
}

TEST(NodeTypes, CadFormatList) {
  const std::vector<CADTypeInfo> formats = GetCADTypeList();
  ASSERT_EQ(formats.size(), 11u);
  EXPECT_EQ(formats[0].name, "Ansys");
  EXPECT_EQ(formats[2].name, "Iges");
  EXPECT_EQ(formats[2].filter, "*.igs;*.iges");
  EXPECT_EQ(formats[9].name, "Parasolids");
  EXPECT_EQ(formats[9].filter, "*.x_t;*.xmt;*.xmt_txt;*.x_b;*.xmb");
  EXPECT_EQ(formats[10].filter, "*.stp;*.step");
}

TEST(NodeTypes, MainExtensionRowsAndSideFiles) {
  const auto ktl = FindRowsByMainExtension(".KTL");
  ASSERT_EQ(ktl.size(), 7u);
  EXPECT_EQ(ktl.front()->subType, NST_MESH_MIDPLANE);
  EXPECT_EQ(ktl.back()->type, NT_MODEL);
  EXPECT_EQ(FindRowByMainExtension(".exl")->subType, NST_WARP);
  EXPECT_EQ(FindRowByMainExtension(".zzz"), nullptr);
  EXPECT_EQ(IsMeshSideFileExtension(".NDA"), 1);
  EXPECT_EQ(IsMeshSideFileExtension(".ktl"), 0);
}
