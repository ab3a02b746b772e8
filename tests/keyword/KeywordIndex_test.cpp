#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <ktpm/keyword/KeywordIndex.h>

namespace {

using ktpm::detail::KeywordIndex;

// An index over keywords[], slot n holding keywords[n].
struct IndexedKeywords {
  int Add(const std::string& keyword) {
    keywords.push_back(keyword);
    int slot = static_cast<int>(keywords.size() - 1);
    index.Insert(KeywordIndex::Hash(keyword), slot);
    return slot;
  }
  int Find(const std::string& keyword) const {
    return index.Find(keyword, KeywordIndex::Hash(keyword),
                      [this](int slot) { return std::string_view(keywords[slot]); });
  }
  int Erase(const std::string& keyword) {
    return index.Erase(keyword, KeywordIndex::Hash(keyword),
                       [this](int slot) { return std::string_view(keywords[slot]); });
  }

  std::vector<std::string> keywords;
  KeywordIndex index;
};

// Erased entries must not cut the probe sequences of the entries placed after them.
TEST(KeywordIndex, ErasingKeepsTheOthersFindable) {
  IndexedKeywords keywords;
  for (int i = 0; i < 1000; ++i) keywords.Add("K" + std::to_string(i));
  for (int i = 0; i < 1000; i += 2) EXPECT_EQ(keywords.Erase("K" + std::to_string(i)), i);
  EXPECT_EQ(keywords.Erase("K0"), -1);
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(keywords.Find("K" + std::to_string(i)), i % 2 == 0 ? -1 : i);
  }
  EXPECT_EQ(keywords.index.Size(), 500u);
}

// Alternating insertions and erasures fill the table with erased markers; it must rebuild
// rather than run out of free entries (a lookup of a missing keyword would never end).
TEST(KeywordIndex, ChurnDoesNotFillTheTable) {
  IndexedKeywords keywords;
  keywords.Add("STAYS");
  for (int i = 0; i < 20000; ++i) {
    std::string keyword = "CHURN_" + std::to_string(i);
    int slot = keywords.Add(keyword);
    EXPECT_EQ(keywords.Erase(keyword), slot);
  }
  EXPECT_EQ(keywords.Find("MISSING"), -1);
  EXPECT_EQ(keywords.Find("STAYS"), 0);
  EXPECT_EQ(keywords.index.Size(), 1u);
}

}  // namespace
