#include <gtest/gtest.h>

#include <string>

#include <ktpm/keyword/KeywordStore.h>

namespace {

using ktpm::detail::KeywordStore;

// "keyword=value;" for every live slot in slot order, "-;" for a dead one.
std::string Slots(const KeywordStore& store) {
  std::string text;
  for (std::size_t slot = 0; slot < store.SlotCount(); ++slot) {
    if (!store.IsLive(slot)) {
      text += "-;";
      continue;
    }
    text += std::string(store.Keyword(slot)) + "=" + std::string(store.Value(slot)) + ";";
  }
  return text;
}

TEST(KeywordStore, SetReplacesInPlaceOrAppends) {
  KeywordStore store;
  store.Set("A", "long value");
  store.Set("B", "2");
  store.Set("A", "short");
  EXPECT_EQ(Slots(store), "A=short;B=2;");
  store.Set("A", "a much longer value than before");
  EXPECT_EQ(Slots(store), "A=a much longer value than before;B=2;");
  store.Set("A", "");
  EXPECT_EQ(Slots(store), "A=;B=2;");
  EXPECT_EQ(store.Find("A"), 0);
  EXPECT_EQ(store.Find("B"), 1);
}

TEST(KeywordStore, AppendedRepeatsFoldIntoTheFirstSlot) {
  KeywordStore store;
  store.Set("OLD", "0");
  store.Append("A", "1");
  store.Append("OLD", "changed");
  store.Append("B", "2");
  store.Append("A", "3");
  store.IndexAppended();
  EXPECT_EQ(Slots(store), "OLD=changed;A=3;-;B=2;-;");
  EXPECT_EQ(store.Find("A"), 1);
  EXPECT_EQ(store.Find("B"), 3);
  store.Set("B", "4");
  EXPECT_EQ(Slots(store), "OLD=changed;A=3;-;B=4;-;");
}

// Set between appends (as the keyword conversion does while a file is read) sees the appended
// entries first, so the order of effects is the order of the calls.
TEST(KeywordStore, SetAfterAppendKeepsTheOrderOfCalls) {
  KeywordStore store;
  store.Append("A", "1");
  store.Set("A", "2");
  store.Set("T", "x");
  store.Append("A", "3");
  store.Append("U", "4");
  EXPECT_TRUE(store.Remove("U"));
  store.IndexAppended();
  EXPECT_EQ(Slots(store), "A=3;T=x;-;-;");
}

TEST(KeywordStore, ManyAppendedEntriesAreAllFound) {
  KeywordStore store;
  for (int i = 0; i < 20000; ++i) store.Append("K" + std::to_string(i % 15000), std::to_string(i));
  store.IndexAppended();
  store.IndexAppended();
  EXPECT_EQ(store.SlotCount(), 20000u);
  for (int i = 0; i < 15000; ++i) {
    int slot = store.Find("K" + std::to_string(i));
    ASSERT_EQ(slot, i);
    EXPECT_EQ(store.Value(slot), std::to_string(i < 5000 ? i + 15000 : i));
  }
}

}  // namespace
