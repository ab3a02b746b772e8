#include <gtest/gtest.h>

#include "TempDir.h"

#include <ktpm/mesh/KModelFile.h>

using ktpm::test::ReadAll;
using ktpm::test::TempDir;

TEST(KModelFile, ReadsLinesAndPathOnlyWhenTheFileOpens) {
  TempDir dir;
  std::string path = dir.Write("part.ktl", "first\r\nsecond\n\nlast");
  KModelFile file(path);
  EXPECT_EQ(path, file.path);
  EXPECT_EQ((std::vector<std::string>{"first", "second", "", "last"}), file.lines);

  KModelFile missing(dir.Path("missing.ktl"));
  EXPECT_EQ("", missing.path);
  EXPECT_TRUE(missing.lines.empty());
  EXPECT_EQ(-1, missing.FindLine("Mesh Type"));
  EXPECT_EQ(MMT_UNKNOWN, missing.GetMeshModelType());
  EXPECT_EQ(0, missing.Save());
  EXPECT_EQ(0, missing.SetMeshModelType(MMT_FUSION));
}

TEST(KModelFile, FindsPrefixesIgnoringLeadingBlanksAndCase) {
  KModelFile file;
  file.lines = {"nothing", "  \tmesh type: FUSION", "MESH_MODEL_TYPE:MIDPLANE", " Cavity Model"};
  EXPECT_EQ(1, file.FindLine("Mesh Type"));
  EXPECT_EQ(2, file.FindLine("mesh_model_type:"));
  EXPECT_EQ(-1, file.FindLine("UNV|"));

  std::string value = "unchanged";
  // The colon after the nine-letter prefix is eaten as the separator.
  ASSERT_EQ(1, file.GetValue("Mesh Type", value));
  EXPECT_EQ("FUSION", value);
  EXPECT_EQ(MMT_FUSION, file.GetMeshModelType());
  // Nothing after the prefix still counts, with an empty value.
  ASSERT_EQ(1, file.GetValue("Cavity Model", value));
  EXPECT_EQ("", value);
  value = "unchanged";
  EXPECT_EQ(0, file.GetValue("UNV|", value));
  EXPECT_EQ("unchanged", value);
}

TEST(KModelFile, ModelTypeValuesAreCaseSensitiveAndNeedTheSeparator) {
  KModelFile file;
  file.lines = {"MESH_MODEL_TYPE:MIDPLANE"};  // loses its "M" to the separator rule
  EXPECT_EQ(MMT_UNKNOWN, file.GetMeshModelType());
  file.lines = {"MESH_MODEL_TYPE: fusion"};
  EXPECT_EQ(MMT_UNKNOWN, file.GetMeshModelType());
  file.lines = {"MESH_MODEL_TYPE: XSECTION  "};
  EXPECT_EQ(MMT_XSECTION, file.GetMeshModelType());
  // The older form wins over the newer.
  file.lines = {"MESH_MODEL_TYPE: FUSION", "Mesh Type MIDPLANE"};
  EXPECT_EQ(MMT_MIDPLANE, file.GetMeshModelType());
}

TEST(KModelFile, SetMeshModelTypeReplacesTheOlderLineAndKeepsTheNewer) {
  TempDir dir;
  std::string path =
      dir.Write("m.ktl", "head\nMESH_MODEL_TYPE: FUSION\nMesh Type MIDPLANE\ntail\n");
  KModelFile file(path);
  ASSERT_EQ(1, file.SetMeshModelType(MMT_XSECTION));
  EXPECT_EQ("head\nMESH_MODEL_TYPE: FUSION\nMESH_MODEL_TYPE: XSECTION\ntail\n", ReadAll(path));
}

TEST(KModelFile, SetMeshModelTypeAppendsOrWritesNothingWhenAlreadyExact) {
  TempDir dir;
  std::string path = dir.Write("m.ktl", "head\n");
  KModelFile file(path);
  ASSERT_EQ(1, file.SetMeshModelType(static_cast<MeshModelType>(3)));
  EXPECT_EQ("head\nMESH_MODEL_TYPE: UNKNOWN\n", ReadAll(path));

  dir.Write("m.ktl", "MESH_MODEL_TYPE: FUSION\r\n");
  KModelFile exact(path);
  dir.Write("m.ktl", "changed behind its back\n");
  EXPECT_EQ(1, exact.SetMeshModelType(MMT_FUSION));
  EXPECT_EQ("changed behind its back\n", ReadAll(path));
  // A different spelling of the same type is rewritten.
  KModelFile lower;
  lower.path = path;
  lower.lines = {"mesh_model_type: FUSION"};
  EXPECT_EQ(1, lower.SetMeshModelType(MMT_FUSION));
  EXPECT_EQ("MESH_MODEL_TYPE: FUSION\n", ReadAll(path));
}

TEST(KModelFile, SaveRestoresTheReadOnlyAttribute) {
  TempDir dir;
  std::string path = dir.Write("m.ktl", "a\n");
  ktpm::test::SetOwnerWritable(path, false);
  KModelFile file(path);
  ASSERT_EQ(1, file.SetCavityModel("part.ktl"));
  EXPECT_EQ("a\n Cavity Model  part.ktl\n", ReadAll(path));
  EXPECT_FALSE(ktpm::test::IsOwnerWritable(path));
}

TEST(KModelFile, SetCavityModelReplacesTheFirstLineAndAllowsAnEmptyPath) {
  TempDir dir;
  std::string path = dir.Write("m.ktl", "CAVITY MODEL old\ncavity model other\n");
  KModelFile file(path);
  ASSERT_EQ(1, file.SetCavityModel(""));
  EXPECT_EQ(" Cavity Model  \ncavity model other\n", ReadAll(path));
  KModelFile reread(path);
  std::string cavity = "x";
  EXPECT_EQ(1, reread.GetCavityModel(cavity));
  EXPECT_EQ("", cavity);
  EXPECT_EQ(1, reread.IsMoldMesh());
}

TEST(KModelFile, CavityNamingRuleNeedsThePartModelOnDisk) {
  TempDir dir;
  std::string cavityPath = dir.Write("box_C.KTL", "MESH_MODEL_TYPE: MIDPLANE\n");
  KModelFile cavity(cavityPath);
  std::string part;
  EXPECT_EQ(0, cavity.GetCavityModel(part));
  EXPECT_EQ(0, cavity.IsMoldMesh());

  dir.Write("box.KTL", "");
  EXPECT_EQ(1, cavity.GetCavityModel(part));
  EXPECT_EQ(dir.Path("box.KTL"), part);
  EXPECT_EQ(1, cavity.IsMoldMesh());
}

TEST(KModelFile, UnvLineDecidesMouldWithoutCavityFallback) {
  KModelFile file;
  file.lines = {"UNV|tool.unv|MOLD ", " Cavity Model  part.ktl"};
  std::string name;
  ASSERT_EQ(1, file.GetUnvSource(name));
  EXPECT_EQ("tool.unv", name);
  EXPECT_EQ(1, file.IsMoldMesh());

  file.lines = {"UNV|tool.unv|MOLD", " Cavity Model  part.ktl"};  // no blank after MOLD
  EXPECT_EQ(0, file.IsMoldMesh());
  file.lines = {"unv|tool.unv|mold "};
  EXPECT_EQ(0, file.IsMoldMesh());
  file.lines = {"UNV|only-a-source", " Cavity Model  part.ktl"};
  EXPECT_EQ(0, file.IsMoldMesh());
  ASSERT_EQ(1, file.GetUnvSource(name));
  EXPECT_EQ("only-a-source", name);
  file.lines = {"UNV|"};
  ASSERT_EQ(1, file.GetUnvSource(name));
  EXPECT_EQ("", name);
  EXPECT_EQ(0, file.IsMoldMesh());
  file.lines = {"plain"};
  EXPECT_EQ(0, file.GetUnvSource(name));
}

TEST(KModelFile, UnvSourceIsTakenFromTheLineAsStored) {
  // Leading blanks find the line but are not skipped when the name is cut out of it.
  KModelFile file;
  file.lines = {"  UNV|src|MOLD "};
  std::string name;
  ASSERT_EQ(1, file.GetUnvSource(name));
  EXPECT_EQ("V", name);
  EXPECT_EQ(0, file.IsMoldMesh());
}
