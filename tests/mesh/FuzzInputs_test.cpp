// Replays the hostile inputs kept for the mesh readers' fuzz targets (tests/mesh/data/fuzz):
// each must load without a fault (the sanitizer builds catch any) and leave a usable object.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>

#include "MessageCapture.h"
#include "TempDir.h"

#include <ktpm/mesh/KBCFile.h>
#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/mesh/KMeshAttributeSet.h>
#include <ktpm/mesh/MeshAttributeLoader.h>

using ktpm::test::ReadAll;
using ktpm::test::TempDir;

namespace {

std::vector<std::filesystem::path> Inputs(const std::string& target) {
  std::vector<std::filesystem::path> inputs;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(KTPM_TEST_DATA_DIR) + "/fuzz/" + target)) {
    inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

}  // namespace

TEST(FuzzInputs, AttributeLoaderInputsLoad) {
  auto inputs = Inputs("attribute_loader");
  ASSERT_FALSE(inputs.empty());
  for (const auto& input : inputs) {
    std::string bytes = ReadAll(input.string());
    size_t split = bytes.find('\0');
    std::string index = bytes.substr(0, split);
    std::string data = split == std::string::npos ? "" : bytes.substr(split + 1);
    KMeshAttributeSet set;
    std::vector<ktpm::detail::AttWarningRecord> warnings;
    ktpm::detail::LoadAttributeText(set, index, data, "fuzz.ktl", &warnings);
    EXPECT_GE(set.attributes.size(), 27u) << input;
    EXPECT_EQ("fuzz.ktl", set.fileName) << input;
  }
}

TEST(FuzzInputs, HostileCountsInTheAttributeDataAreBadLines) {
  std::string bytes =
      ReadAll(std::string(KTPM_TEST_DATA_DIR) + "/fuzz/attribute_loader/" + "huge-form2-length");
  KMeshAttributeSet set;
  std::vector<ktpm::detail::AttWarningRecord> warnings;
  size_t split = bytes.find('\0');
  ktpm::detail::LoadAttributeText(set, bytes.substr(0, split), bytes.substr(split + 1), "f",
                                  &warnings);
  ASSERT_EQ(1u, warnings.size());
  EXPECT_EQ(ktpm::detail::kAttMissingToken, warnings[0].code);
  EXPECT_TRUE(set.FindAttribute("SPROP")->classes[3].intVectors.empty());
}

TEST(FuzzInputs, M3RReaderInputsLoad) {
  ktpm::test::MessageCapture capture;
  TempDir dir;
  auto inputs = Inputs("m3r_reader");
  ASSERT_FALSE(inputs.empty());
  for (const auto& input : inputs) {
    std::string path = dir.Write(input.filename().string() + ".m3r", ReadAll(input.string()));
    KMeshAttributeSet set(path);
    EXPECT_EQ(27u, set.attributes.size()) << input;
    EXPECT_TRUE(ktpm::test::IsOwnerWritable(path)) << input;
    KM3RReader reader;
    if (reader.Open(path)) {
      std::vector<int32_t> values;
      reader.ReadRegion(values);
      EXPECT_LE(values.size(), static_cast<size_t>(KM3RReader::kMaxNodeSlots) +
                                   static_cast<size_t>(KM3RReader::kMaxElements));
    }
  }
}

TEST(FuzzInputs, NodeCountAtTheIntegerLimitKeepsElementsOut) {
  ktpm::test::MessageCapture capture;
  TempDir dir;
  std::string path = dir.Write(
      "n.m3i", ReadAll(std::string(KTPM_TEST_DATA_DIR) + "/fuzz/m3r_reader/nodes-at-int-limit"));
  KMeshAttributeSet set(path);
  const auto& regions = set.FindAttribute("REGION")->classes[3].intValues;
  ASSERT_EQ(1u, regions.size());
  EXPECT_EQ((std::vector<std::pair<int32_t, int32_t>>{{1, std::numeric_limits<int32_t>::max()}}),
            regions[0].ranges);
  KM3RReader reader;
  ASSERT_NE(nullptr, reader.Open(path));
  std::vector<int32_t> values;
  EXPECT_EQ(nullptr, reader.ReadRegion(values));
}

TEST(FuzzInputs, BoundaryConditionInputsRoundTrip) {
  TempDir dir;
  auto inputs = Inputs("bc_file");
  ASSERT_FALSE(inputs.empty());
  for (const auto& input : inputs) {
    KBCFile file(input.string());
    file.GetLocalAxes();
    file.SetModel("model.ktl");
    std::string out = dir.Path("out.bc3");
    ASSERT_EQ(1, file.Save(out)) << input;
    KBCFile reread(out);
    EXPECT_EQ("model.ktl", reread.GetModel()) << input;
  }
}
