// Filling attribute sets from 3D mesh files, through KMeshAttributeSet::Load.
#include <gtest/gtest.h>

#include "MessageCapture.h"
#include "TempDir.h"

#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/mesh/KM3RWriter.h>
#include <ktpm/mesh/KMeshAttributeSet.h>

using ktpm::test::TempDir;

namespace {

using Pairs = std::vector<std::pair<int32_t, int32_t>>;
using Ids = std::vector<int32_t>;

class M3RAttributeFill : public ::testing::Test {
 protected:
  const std::vector<KIntEntry>& Ints(const std::string& name) {
    return set.FindAttribute(name)->classes[3].intValues;
  }

  void Load(const KM3RWriter& writer, const std::string& name = "mesh.m3r") {
    std::string path = dir.Path(name);
    ASSERT_EQ(1, writer.Write(path));
    EXPECT_EQ(1, set.Load(path));
  }

  ktpm::test::MessageCapture capture;
  std::vector<std::string>& messages = capture.messages;
  TempDir dir;
  KMeshAttributeSet set;
};

void ExpectEntry(const KIntEntry& entry, int32_t value, const Ids& ids, const Pairs& ranges) {
  EXPECT_EQ(value, entry.value);
  EXPECT_EQ(ids, entry.ids);
  EXPECT_EQ(ranges, entry.ranges);
}

}  // namespace

TEST_F(M3RAttributeFill, RegionValuesJoinTheNodesRange) {
  KM3RWriter writer;
  writer.SetNodeCount(3);
  writer.SetElementCount(2);
  writer.AddIntRecord("REGION", {5, 5});
  writer.AddThicknessRecord({{1.5f, 0.0f}, {1.5f, 2.0f}});
  Load(writer);
  ASSERT_EQ(2u, Ints("REGION").size());
  ExpectEntry(Ints("REGION")[0], 0, {}, {{1, 3}});
  ExpectEntry(Ints("REGION")[1], 5, {}, {{4, 5}});
  // Without an HTCHAR record COLOR keeps the whole-mesh reset.
  ASSERT_EQ(1u, Ints("COLOR").size());
  ExpectEntry(Ints("COLOR")[0], 0, {}, {{1, 5}});
  EXPECT_TRUE(Ints("SHAPE").empty());

  const auto& gprop = set.FindAttribute("GPROP")->classes[3].realVectors;
  ASSERT_EQ(3u, gprop.size());
  EXPECT_EQ((std::vector<double>{0.0, 0.0}), gprop[0].value);
  EXPECT_EQ((Pairs{{1, 3}}), gprop[0].ranges);
  EXPECT_EQ((std::vector<double>{1.5, 1.5}), gprop[1].value);
  EXPECT_EQ(Ids{4}, gprop[1].ids);
  EXPECT_EQ((std::vector<double>{1.5, 2.0}), gprop[2].value);
  EXPECT_EQ(Ids{5}, gprop[2].ids);
  EXPECT_TRUE(messages.empty());
}

TEST_F(M3RAttributeFill, HeatCharacteristicTwoColoursElementsOne) {
  KM3RWriter writer;
  writer.SetNodeCount(3);
  writer.SetElementCount(3);
  writer.AddIntRecord("HTCHAR", {2, 1, 2});
  writer.AddIntRecord("SHAPE", {3, 3, 4});
  writer.AddThicknessRecord({{1, 1}, {1, 1}, {1, 1}});
  Load(writer, "mesh.m3i");
  ASSERT_EQ(2u, Ints("COLOR").size());
  ExpectEntry(Ints("COLOR")[0], 0, {5}, {{1, 3}});
  ExpectEntry(Ints("COLOR")[1], 1, {4, 6}, {});
  ASSERT_EQ(3u, Ints("SHAPE").size());
  ExpectEntry(Ints("SHAPE")[1], 3, {}, {{4, 5}});
  ExpectEntry(Ints("SHAPE")[2], 4, {6}, {});
  // A missing REGION record gives every element region 2.
  ASSERT_EQ(2u, Ints("REGION").size());
  ExpectEntry(Ints("REGION")[1], 2, {}, {{4, 6}});
}

TEST_F(M3RAttributeFill, MissingThicknessIsToldAndLeavesGpropAlone) {
  KM3RWriter writer;
  writer.SetNodeCount(1);
  writer.SetElementCount(1);
  Load(writer);
  EXPECT_EQ(std::vector<std::string>{"Error: No Dimension Attribute in M3R file"}, messages);
  EXPECT_TRUE(set.FindAttribute("GPROP")->classes[3].realVectors.empty());
}

TEST_F(M3RAttributeFill, UnreadableFilesLeaveTheSetUntouched) {
  EXPECT_EQ(1, set.Load(dir.Path("missing.m3r")));
  KM3RWriter old;
  old.SetVersion(101);
  Load(old);
  EXPECT_EQ(std::vector<std::string>{"M3R Read Error: File is incorrect M3I version format"},
            messages);
  for (const auto& attribute : set.attributes) {
    for (const KEntityClass& c : attribute->classes) EXPECT_TRUE(c.intValues.empty());
  }
  EXPECT_EQ("", set.fileName);
}

TEST_F(M3RAttributeFill, TooManyElementsReadsNodesOnly) {
  KM3RWriter writer;
  writer.SetNodeCount(4);
  writer.SetElementCount(100001);
  writer.AddIntRecord("REGION", {7});
  Load(writer);
  ASSERT_EQ(1u, Ints("REGION").size());
  ExpectEntry(Ints("REGION")[0], 0, {}, {{1, 4}});
  ExpectEntry(Ints("COLOR")[0], 0, {}, {{1, 4}});
  EXPECT_TRUE(messages.empty());
}

TEST_F(M3RAttributeFill, DenseBlockOfAnEarlierLoadTakesElementValues) {
  set.FindAttribute("REGION")->classes[3].denseFirst = 3;
  KM3RWriter writer;
  writer.SetNodeCount(2);
  writer.SetElementCount(2);
  writer.AddIntRecord("REGION", {8, 9});
  writer.AddThicknessRecord({{1, 1}, {1, 1}});
  Load(writer);
  EXPECT_EQ((Ids{8, 9}), set.FindAttribute("REGION")->classes[3].denseValues);
  ASSERT_EQ(1u, Ints("REGION").size());
}

TEST_F(M3RAttributeFill, AlternatingValuesStayCompactAndComplete) {
  const int32_t nodes = 10, elements = 2000;
  std::vector<int32_t> regions;
  for (int32_t i = 0; i < elements; ++i) regions.push_back(i % 2 + 1 + (i / 500) % 2 * 2);
  KM3RWriter writer;
  writer.SetNodeCount(nodes);
  writer.SetElementCount(elements);
  writer.AddIntRecord("REGION", regions);
  writer.AddThicknessRecord(std::vector<std::pair<float, float>>(elements, {1, 1}));
  Load(writer);
  ASSERT_EQ(5u, Ints("REGION").size());
  size_t held = 0;
  for (const KIntEntry& entry : Ints("REGION")) {
    held += entry.ids.size();
    for (auto [first, last] : entry.ranges) held += static_cast<size_t>(last - first + 1);
  }
  EXPECT_EQ(static_cast<size_t>(nodes + elements), held);
  ExpectEntry(Ints("REGION")[0], 0, {}, {{1, nodes}});
  EXPECT_EQ(500u, Ints("REGION")[1].ids.size());
  EXPECT_EQ(11, Ints("REGION")[1].ids.front());
}
