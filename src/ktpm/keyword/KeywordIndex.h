// The keyword lookup of KKeywordFile: an open-addressing hash table from keyword to slot number.
//
// The table keeps only a 32-bit hash tag and the slot number of each keyword, packed in one
// array, so that a lookup touches one or two cache lines; the keyword text stays with the caller,
// who lends a function that gives the keyword of a slot when tags match. Erased entries leave
// markers that later insertions reuse; the table is rebuilt when it fills up. No counts from files
// size it: it grows with the entries actually stored.
//
// Owned by one KKeywordFile; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ktpm::detail {

class KeywordIndex {
 public:
  KeywordIndex() = default;
  KeywordIndex(const KeywordIndex&) = delete;
  KeywordIndex& operator=(const KeywordIndex&) = delete;
  ~KeywordIndex();

  static std::uint32_t Hash(std::string_view keyword);

  // The slot of keyword (whose Hash is hash), or -1. keywordOf(slot) gives a slot's keyword.
  template <class KeywordOf>
  int Find(std::string_view keyword, std::uint32_t hash, const KeywordOf& keywordOf) const {
    std::size_t position = FindPosition(keyword, hash, keywordOf);
    return position == kNoPosition ? -1 : m_entries[position].slot;
  }

  // Enters slot for a keyword that is not in the index yet.
  void Insert(std::uint32_t hash, int slot);
  // Makes room for count more entries, so that the next count insertions do not rebuild.
  void Reserve(std::size_t count);
  // Asks the processor to fetch the table line where a lookup of hash starts.
  void Prefetch([[maybe_unused]] std::uint32_t hash) const {
#if defined(__GNUC__) || defined(__clang__)
    if (!m_entries.empty()) __builtin_prefetch(&m_entries[hash & m_mask]);
#endif
  }

  // Removes keyword; returns its slot, or -1 when it was not there.
  template <class KeywordOf>
  int Erase(std::string_view keyword, std::uint32_t hash, const KeywordOf& keywordOf) {
    std::size_t position = FindPosition(keyword, hash, keywordOf);
    if (position == kNoPosition) return -1;
    int slot = m_entries[position].slot;
    m_entries[position].slot = kErased;
    if (--m_live == 0) Clear();
    return slot;
  }

  // Forgets every entry and frees the table.
  void Clear();
  std::size_t Size() const { return m_live; }

 private:
  struct Entry {
    std::uint32_t tag;
    std::int32_t slot;
  };
  static constexpr std::int32_t kFree = -1;
  static constexpr std::int32_t kErased = -2;
  static constexpr std::size_t kNoPosition = static_cast<std::size_t>(-1);

  template <class KeywordOf>
  std::size_t FindPosition(std::string_view keyword, std::uint32_t hash,
                           const KeywordOf& keywordOf) const {
    if (m_entries.empty()) return kNoPosition;
    for (std::size_t position = hash & m_mask;; position = (position + 1) & m_mask) {
      const Entry& entry = m_entries[position];
      if (entry.slot == kFree) return kNoPosition;
      if (entry.slot >= 0 && entry.tag == hash && keywordOf(entry.slot) == keyword) {
        return position;
      }
    }
  }

  void Rebuild(std::size_t capacity);
  void Place(std::uint32_t hash, int slot);

  std::vector<Entry> m_entries;
  std::size_t m_mask = 0;
  std::size_t m_live = 0;
  // Entries that end a probe sequence early no longer: live ones and erased markers.
  std::size_t m_occupied = 0;
};

}  // namespace ktpm::detail
