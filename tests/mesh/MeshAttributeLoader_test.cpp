#include <gtest/gtest.h>

#include <ktpm/mesh/KMeshAttributeSet.h>
#include <ktpm/mesh/MeshAttributeLoader.h>

using ktpm::detail::AttWarningRecord;
using ktpm::detail::LoadAttributeText;

namespace {

using Pairs = std::vector<std::pair<int32_t, int32_t>>;
using Ids = std::vector<int32_t>;

struct Loaded {
  KMeshAttributeSet set;
  std::vector<AttWarningRecord> warnings;

  Loaded(const std::string& index, const std::string& data) {
    LoadAttributeText(set, index, data, "model.ktl", &warnings);
  }
  KEntityClass& Class(const std::string& name, int entityClass) {
    return set.FindAttribute(name)->classes.at(entityClass - 1);
  }
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const auto& w : warnings) codes.push_back(w.code);
    return codes;
  }
};

}  // namespace

TEST(MeshAttributeLoader, ModelTypeBlockMarksCrossSection) {
  Loaded l("MODELTYP 4 1 4 1 0 1 0 0\n", "4 -1 0 7\n");
  EXPECT_TRUE(l.warnings.empty());
  const auto& values = l.Class("MODELTYP", 4).intValues;
  ASSERT_EQ(1u, values.size());
  EXPECT_EQ(4, values[0].value);
  EXPECT_EQ(Ids{7}, values[0].ids);
  EXPECT_EQ(1, l.set.HasModelType(4));
  EXPECT_EQ(0, l.set.HasModelType(1));
  EXPECT_EQ("model.ktl", l.set.fileName);
}

TEST(MeshAttributeLoader, EqualValuesShareOneEntryAcrossBlocksAndLines) {
  Loaded l(
      "ATTRIBUTE header\n"
      "NAMED whatever\n"
      "\n"
      "REGION 4 1 11 1 0 1 0 0.5\n"
      "REGION 4 3 4 1 0 1 0 0.5\n",
      "5 -1 -1 9 20 22\n"
      "5 -2 0 1 2\n"
      "5 -1 0 30\n");
  EXPECT_TRUE(l.warnings.empty());
  const auto& values = l.Class("REGION", 4).intValues;
  ASSERT_EQ(1u, values.size());
  EXPECT_EQ((Ids{9, 1, 2, 30}), values[0].ids);
  EXPECT_EQ((Pairs{{20, 22}}), values[0].ranges);
}

TEST(MeshAttributeLoader, FormOneKeepsValuesOfEachKindApart) {
  Loaded l(
      "GPROP 2 1 8 1 0 1 1 0\n"
      "GPROP 2 2 10 1 0 2 1 0\n"
      "GPROP 2 3 10 1 0 2 0 0\n",
      "1.5 -1 0 3 1.50 -1 0 4\n"
      "1 2 -1 0 3 1 2 -1 0 4\n"
      "1 2 -1 0 3 2 1 -1 0 4\n");
  EXPECT_TRUE(l.warnings.empty()) << l.warnings.size();
  const KEntityClass& c = l.Class("GPROP", 2);
  ASSERT_EQ(1u, c.realValues.size());
  EXPECT_EQ(1.5, c.realValues[0].value);
  EXPECT_EQ((Ids{3, 4}), c.realValues[0].ids);
  ASSERT_EQ(1u, c.realVectors.size());
  EXPECT_EQ((std::vector<double>{1, 2}), c.realVectors[0].value);
  ASSERT_EQ(2u, c.intVectors.size());
  EXPECT_EQ((std::vector<int32_t>{2, 1}), c.intVectors[1].value);
}

TEST(MeshAttributeLoader, FormTwoReadsVectorsOfVaryingLength) {
  Loaded l("SPROP 1 1 18 2 0 1 0 0\n", "-2 7 8 -1 0 1\n-1 7 -1 0 2\n-2 7 8 0 -1 5 6\n");
  EXPECT_TRUE(l.warnings.empty());
  const auto& vectors = l.Class("SPROP", 1).intVectors;
  ASSERT_EQ(2u, vectors.size());
  EXPECT_EQ((std::vector<int32_t>{7, 8}), vectors[0].value);
  EXPECT_EQ(Ids{1}, vectors[0].ids);
  EXPECT_EQ((Pairs{{5, 6}}), vectors[0].ranges);
  EXPECT_EQ(Ids{2}, vectors[1].ids);
}

TEST(MeshAttributeLoader, FormThreeFillsDenseBlocksAndUnmergedEntries) {
  Loaded l(
      "MATERIAL 3 1 4 3 0 1 0 0\n"
      "LAYER 3 2 1 3 0 1 0 0\n"
      "HTE 3 3 3 3 0 1 1 0\n"
      "BLOCK1 3 4 5 3 0 2 0 0\n",
      "-10 4 4 5\n-77\n-3 2.5 2.5\n-1 1 2 3 4\n");
  EXPECT_TRUE(l.warnings.empty());
  EXPECT_EQ(10, l.Class("MATERIAL", 3).denseFirst);
  EXPECT_EQ((Ids{4, 4, 5}), l.Class("MATERIAL", 3).denseValues);
  EXPECT_EQ(77, l.Class("LAYER", 3).denseFirst);
  EXPECT_TRUE(l.Class("LAYER", 3).denseValues.empty());
  const auto& reals = l.Class("HTE", 3).realValues;
  ASSERT_EQ(2u, reals.size());
  EXPECT_EQ(Ids{3}, reals[0].ids);
  EXPECT_EQ(Ids{4}, reals[1].ids);
  const auto& vectors = l.Class("BLOCK1", 3).intVectors;
  ASSERT_EQ(2u, vectors.size());
  EXPECT_EQ((std::vector<int32_t>{3, 4}), vectors[1].value);
  EXPECT_EQ(Ids{2}, vectors[1].ids);
}

TEST(MeshAttributeLoader, LaterFormOneBlockMergesWithFirstOfEqualFormThreeEntries) {
  Loaded l("HTE 3 1 3 3 0 1 1 0\nHTE 3 2 4 1 0 1 1 0\n", "-3 2.5 2.5\n2.5 -1 0 9\n");
  const auto& reals = l.Class("HTE", 3).realValues;
  ASSERT_EQ(2u, reals.size());
  EXPECT_EQ((Ids{3, 9}), reals[0].ids);
}

TEST(MeshAttributeLoader, EveryBadFieldSkipsItsLineWithItsWarning) {
  Loaded l(
      "REGION 0 1 4 1 0 1 0 0\n"
      "REGION 5 1 4 1 0 1 0 0\n"
      "REGION 4 0 4 1 0 1 0 0\n"
      "REGION 4 3 4 1 0 1 0 0\n"
      "REGION 4 1 0 1 0 1 0 0\n"
      "REGION 4 1 10000001 1 0 1 0 0\n"
      "REGION 4 1 4 0 0 1 0 0\n"
      "REGION 4 1 4 4 0 1 0 0\n"
      "REGION 4 1 4 1 -1 1 0 0\n"
      "REGION 4 1 4 1 0 0 0 0\n"
      "REGION 4 1 4 1 0 1 2 0\n"
      "REGION 4 1 4 1 0 1 0\n"
      "NEWATT 4 1 4 1 0 1 0 0\n",
      "5 -1 0 1\n-1\n");
  EXPECT_EQ((std::vector<int>{1, 1, 2, 2, 3, 3, 4, 4, 5, 6, 7, 0}), l.Codes());
  EXPECT_TRUE(l.Class("REGION", 4).intValues.empty());
  const KMeshAttribute* added = l.set.FindAttribute("NEWATT");
  ASSERT_NE(nullptr, added);
  EXPECT_EQ(-1, added->id);
  EXPECT_EQ(KMeshAttributeSet::kStandardCount + 1, static_cast<int>(l.set.attributes.size()));
}

TEST(MeshAttributeLoader, CodeLinesNeedAnAttributeTheSetHolds) {
  Loaded l(
      "*CODE NEWATT steel 3\n"
      "NEWATT 1 1 4 1 0 1 0 0\n"
      "*CODE NEWATT steel 3\n"
      "*CODE NEWATT iron 3\n"
      "*CODE MATERIAL abs 1\n"
      "*CODE MATERIAL pp\n",
      "1 -1 0 1\n");
  EXPECT_EQ((std::vector<int>{9, 0}), l.Codes());
  EXPECT_EQ((std::map<int32_t, std::string>{{3, "iron"}}), l.set.FindAttribute("NEWATT")->codes);
  EXPECT_EQ((std::map<int32_t, std::string>{{1, "abs"}}), l.set.FindAttribute("MATERIAL")->codes);
}

TEST(MeshAttributeLoader, TokenCountBeyondItsDataReadsOnAndStopsAtTheEnd) {
  // The first block claims 8 tokens and so takes in the second line; the third line's block
  // runs out of data with warning 0 but keeps what it stored; the last line is still read.
  Loaded l(
      "COLOR 4 1 8 1 0 1 0 0\n"
      "COLOR 2 3 9 1 0 1 0 0\n"
      "LAYER 1 1 4 1 0 1 0 0\n",
      "1 -1 0 5\n\n2 -1 0 6\n3 -1 0 8\n");
  EXPECT_EQ((std::vector<int>{0}), l.Codes());
  EXPECT_EQ(2u, l.Class("COLOR", 4).intValues.size());
  ASSERT_EQ(2u, l.Class("COLOR", 2).intValues.size());
  EXPECT_EQ(Ids{6}, l.Class("COLOR", 2).intValues[0].ids);
  EXPECT_EQ(1u, l.Class("LAYER", 1).intValues.size());
}

TEST(MeshAttributeLoader, BlockTokenCountCutsTheBlockShort) {
  Loaded l("COLOR 4 1 3 1 0 1 0 0\n", "1 -1 0 5\n");
  EXPECT_EQ((std::vector<int>{0}), l.Codes());
  ASSERT_EQ(1u, l.Class("COLOR", 4).intValues.size());
  EXPECT_TRUE(l.Class("COLOR", 4).intValues[0].ids.empty());
}

TEST(MeshAttributeLoader, PositiveCountsAndLengthsAreBadLines) {
  Loaded l(
      "COLOR 4 1 4 1 0 1 0 0\n"
      "SPROP 4 2 5 2 0 1 0 0\n"
      "SHAPE 4 3 4 1 0 1 0 0\n",
      "1 3 0 5\n2 1 -1 0 9\n1 -2147483648 0 1\n");
  EXPECT_EQ((std::vector<int>{8, 8, 0}), l.Codes());
  EXPECT_TRUE(l.Class("SPROP", 4).intVectors.empty());
}

TEST(MeshAttributeLoader, OnlyTheFirst512CharactersOfADataLineCount) {
  std::string padding(508, ' ');
  Loaded l("COLOR 4 1 4 1 0 1 0 0\n", "1 -1" + padding + "0 5\n");
  EXPECT_EQ((std::vector<int>{0}), l.Codes());
}
