#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "TempDir.h"

#include <ktpm/mesh/KMeshAttributeSet.h>

using ktpm::test::TempDir;

namespace {

// Makes a directory the current directory while it lives.
class CurrentDir {
 public:
  explicit CurrentDir(const std::filesystem::path& path)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~CurrentDir() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

const char* kCrossSectionIndex = "MODELTYP 4 1 4 1 0 1 0 0\n";
const char* kCrossSectionData = "4 -1 0 7\n";

}  // namespace

TEST(KMeshAttributeSet, NewSetHoldsTheStandardAttributesInOrder) {
  KMeshAttributeSet set;
  ASSERT_EQ(27u, set.attributes.size());
  for (int id = 0; id < KMeshAttributeSet::kStandardCount; ++id) {
    EXPECT_EQ(id, set.attributes[id]->id);
    EXPECT_EQ(KMeshAttributeSet::StandardAttributeName(id), set.attributes[id]->name);
  }
  EXPECT_EQ("BLOCK1", set.attributes[0]->name);
  EXPECT_EQ("MODELTYP", set.attributes[13]->name);
  EXPECT_EQ("BEAMID", set.attributes[26]->name);
  EXPECT_EQ(set.attributes[22].get(), set.FindAttribute("REGION"));
  EXPECT_EQ(nullptr, set.FindAttribute("region"));
  EXPECT_EQ("", KMeshAttributeSet::StandardAttributeName(27));
}

TEST(KMeshAttributeSet, LoadsTheFilesBesideARelativeModelPath) {
  TempDir dir;
  dir.Write("part.ain", kCrossSectionIndex);
  dir.Write("part.ata", kCrossSectionData);
  CurrentDir current(dir.Root());
  KMeshAttributeSet set("part.ktl");
  EXPECT_EQ(1, set.HasModelType(4));
  EXPECT_EQ("part.ktl", set.fileName);
}

TEST(KMeshAttributeSet, LoadsTheFilesBesideAnAbsoluteModelPath) {
  TempDir dir;
  dir.Write("a.b.ain", kCrossSectionIndex);
  dir.Write("a.b.ata", kCrossSectionData);
  KMeshAttributeSet set(dir.Path("a.b.ktl"));
  EXPECT_EQ(1, set.HasModelType(4));
  EXPECT_EQ(dir.Path("a.b.ktl"), set.fileName);
}

TEST(KMeshAttributeSet, MissingFileLeavesEmptyStandardAttributes) {
  TempDir dir;
  dir.Write("only.ain", kCrossSectionIndex);
  KMeshAttributeSet set(dir.Path("only.ktl"));
  EXPECT_EQ(27u, set.attributes.size());
  EXPECT_EQ("", set.fileName);
  for (int value : {0, 1, 2, 4}) EXPECT_EQ(0, set.HasModelType(value));
  for (const auto& attribute : set.attributes) {
    for (const KEntityClass& c : attribute->classes) EXPECT_TRUE(c.intValues.empty());
  }
  dir.Write("data.ata", kCrossSectionData);
  EXPECT_EQ(1, set.Load(dir.Path("data.ktl")));
  EXPECT_EQ("", set.fileName);
  EXPECT_EQ(0, set.HasModelType(4));
}

TEST(KMeshAttributeSet, LoadsOnSeveralThreadsAtOnce) {
  TempDir dir;
  std::string index, data;
  for (int i = 1; i <= 200; ++i) {
    index += "REGION 4 " + std::to_string(i) + " 4 1 0 1 0 0\n";
    data += std::to_string(i % 7) + " -1 0 " + std::to_string(i) + "\n";
  }
  dir.Write("m.ain", index);
  dir.Write("m.ata", data);
  std::vector<size_t> counts(4);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < counts.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        KMeshAttributeSet set(dir.Path("m.ktl"));
        size_t held = 0;
        for (const KIntEntry& entry : set.FindAttribute("REGION")->classes[3].intValues) {
          held += entry.ids.size();
        }
        counts[t] = std::max(counts[t], held);
        if (held != 200) counts[t] = 0;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(std::vector<size_t>(4, 200), counts);
}
