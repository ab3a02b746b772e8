// Replays the inputs kept under data/: files that once troubled the keyword reader, and hand-made
// hostile ones. Each must load without harm, and what is saved from it must read back the same
// (except where 3D flow keywords are converted: a converted value may look old again).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"

#include <ktpm/keyword/KKeywordFile.h>

namespace {

std::vector<std::filesystem::path> RegressionInputs() {
  std::vector<std::filesystem::path> inputs;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(KTPM_TEST_DATA_DIR, error)) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

TEST(KeywordFuzzRegression, EveryKeptInputLoadsAndSavesStably) {
  std::vector<std::filesystem::path> inputs = RegressionInputs();
  ASSERT_FALSE(inputs.empty());
  ktpm::test::TempDir dir;
  for (const std::filesystem::path& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    KKeywordFile keywords;
    keywords.Load(input.string());
    ASSERT_EQ(keywords.Save(dir.File("first.kwd")), 1);
    KKeywordFile again;
    again.Load(dir.File("first.kwd"));
    ASSERT_EQ(again.Save(dir.File("second.kwd")), 1);
    if (ktpm::test::ReadFileBytes(input.string()).find("3DFLOW_") != std::string::npos) continue;
    EXPECT_EQ(ktpm::test::ReadFileBytes(dir.File("second.kwd")),
              ktpm::test::ReadFileBytes(dir.File("first.kwd")));
  }
}

}  // namespace
