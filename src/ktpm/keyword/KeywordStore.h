// The entries of a KKeywordFile: keywords and values in slot order, with a hash index beside
// them.
//
// Slots are numbered in the order in which their keywords first arrived and are never reused: a
// removed keyword leaves a dead slot, and storing it again appends a new one. The text of all
// keywords and values lies back to back in one growing buffer, and a slot is four numbers, so
// that a file of a hundred thousand lines costs a few large allocations instead of one or two per
// line. A value replaced by a longer one is appended anew; the space of the shorter one stays
// unused until Clear.
//
// Owned by one KKeywordFile; one thread at a time. Views it returns are valid until the next
// change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <ktpm/keyword/KeywordIndex.h>

namespace ktpm::detail {

class KeywordStore {
 public:
  KeywordStore() = default;
  KeywordStore(const KeywordStore&) = delete;
  KeywordStore& operator=(const KeywordStore&) = delete;
  // Leaves the large buffers to the next store on this thread (SpareBuffer.h).
  ~KeywordStore();

  // The longest keyword or value a slot can hold; longer ones are not stored.
  static constexpr std::size_t kMaxTextLength = UINT32_MAX - 1;

  // The slot of keyword, or -1.
  int Find(std::string_view keyword) const;
  // Replaces the keyword's value, or appends a slot for a new keyword. Neither argument may be a
  // view into this store.
  void Set(std::string_view keyword, std::string_view value);
  // Empties the keyword's slot and forgets the keyword; false when it was not there.
  bool Remove(std::string_view keyword);
  void Clear();

  // Bulk reading. Append stores an entry in a new slot without looking the keyword up; then
  // IndexAppended enters the appended slots into the index in order, folding each repeated
  // keyword into its first slot (which takes the later value) and leaving the repeat's slot dead.
  // The end result is that of Set for each entry, but the index is sized once and its lookups
  // are made in a tight loop that fetches table lines ahead. Find must not be called between
  // Append and IndexAppended; Set and Remove index appended entries first.
  void Append(std::string_view keyword, std::string_view value);
  // Never fails: when memory for the index runs out the appended entries are dropped.
  void IndexAppended() noexcept;
  // Room for about this many more bytes of file text (a hint; capped).
  void Reserve(std::size_t fileBytes);

  std::size_t SlotCount() const { return m_slots.size(); }
  bool IsLive(std::size_t slot) const { return m_slots[slot].keywordLength != kDead; }
  std::string_view Keyword(std::size_t slot) const {
    return Text(m_slots[slot].keywordOffset, m_slots[slot].keywordLength);
  }
  std::string_view Value(std::size_t slot) const {
    return Text(m_slots[slot].valueOffset, m_slots[slot].valueLength);
  }

 private:
  static constexpr std::uint32_t kDead = UINT32_MAX;

  struct Slot {
    std::size_t keywordOffset;
    std::size_t valueOffset;
    std::uint32_t keywordLength;  // kDead for a removed keyword's slot
    std::uint32_t valueLength;
  };

  std::string_view Text(std::size_t offset, std::uint32_t length) const {
    return length == kDead ? std::string_view() : std::string_view(m_text).substr(offset, length);
  }
  std::size_t AppendText(std::string_view text);
  int FindSlot(std::string_view keyword, std::uint32_t hash) const;
  void FoldAppendedSlot(std::size_t slot, std::uint32_t hash);

  std::vector<Slot> m_slots;
  std::string m_text;
  KeywordIndex m_index;
  // Slots below this number are in the index; the rest were appended and wait for indexing.
  std::size_t m_indexedSlots = 0;
};

}  // namespace ktpm::detail
