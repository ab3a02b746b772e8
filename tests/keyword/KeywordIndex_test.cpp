#include "keyword/KeywordIndex.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using ktpm::detail::KeywordIndex;

// An index over a list of keywords, slot n holding keywords[n].
class IndexedKeywords {
 public:
  int Add(const std::string& keyword) {
    m_keywords.push_back(keyword);
    int slot = static_cast<int>(m_keywords.size() - 1);
    m_index.Insert(KeywordIndex::Hash(keyword), slot);
    return slot;
  }
  int Find(const std::string& keyword) const {
    return m_index.Find(keyword, KeywordIndex::Hash(keyword), KeywordOf());
  }
  int Erase(const std::string& keyword) {
    return m_index.Erase(keyword, KeywordIndex::Hash(keyword), KeywordOf());
  }
  KeywordIndex& Index() { return m_index; }

 private:
  std::function<std::string_view(int)> KeywordOf() const {
    return [this](int slot) { return std::string_view(m_keywords[slot]); };
  }
  std::vector<std::string> m_keywords;
  KeywordIndex m_index;
};

TEST(KeywordIndex, FindsWhatWasInserted) {
  IndexedKeywords keywords;
  for (int i = 0; i < 3000; ++i) EXPECT_EQ(keywords.Add("KEY_" + std::to_string(i)), i);
  EXPECT_EQ(keywords.Index().Size(), 3000u);
  for (int i = 0; i < 3000; ++i) EXPECT_EQ(keywords.Find("KEY_" + std::to_string(i)), i);
  EXPECT_EQ(keywords.Find("KEY_3000"), -1);
  EXPECT_EQ(keywords.Find(""), -1);
  EXPECT_EQ(keywords.Find("key_1"), -1);
}

TEST(KeywordIndex, EmptyIndexFindsNothing) {
  KeywordIndex index;
  EXPECT_EQ(index.Find("A", KeywordIndex::Hash("A"), [](int) { return std::string_view(); }), -1);
  EXPECT_EQ(index.Erase("A", KeywordIndex::Hash("A"), [](int) { return std::string_view(); }), -1);
}

// Erased entries must not cut the probe sequences of the entries placed after them.
TEST(KeywordIndex, ErasingKeepsTheOthersFindable) {
  IndexedKeywords keywords;
  for (int i = 0; i < 1000; ++i) keywords.Add("K" + std::to_string(i));
  for (int i = 0; i < 1000; i += 2) EXPECT_EQ(keywords.Erase("K" + std::to_string(i)), i);
  EXPECT_EQ(keywords.Erase("K0"), -1);
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(keywords.Find("K" + std::to_string(i)), i % 2 == 0 ? -1 : i);
  }
  EXPECT_EQ(keywords.Index().Size(), 500u);
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
  EXPECT_EQ(keywords.Index().Size(), 1u);
}

TEST(KeywordIndex, UsableAfterTheLastEntryIsErased) {
  IndexedKeywords keywords;
  keywords.Add("A");
  EXPECT_EQ(keywords.Erase("A"), 0);
  EXPECT_EQ(keywords.Index().Size(), 0u);
  EXPECT_EQ(keywords.Find("A"), -1);
  EXPECT_EQ(keywords.Add("A"), 1);
  EXPECT_EQ(keywords.Find("A"), 1);
}

TEST(KeywordIndex, ReserveKeepsEntries) {
  IndexedKeywords keywords;
  for (int i = 0; i < 10; ++i) keywords.Add(std::to_string(i));
  keywords.Index().Reserve(5000);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(keywords.Find(std::to_string(i)), i);
}

}  // namespace
