#include <functional>

#include <ktpm/keyword/KeywordIndex.h>
#include <ktpm/keyword/SpareBuffer.h>

namespace ktpm::detail {

namespace {

// The table starts at 16 entries, enough for a node's label or property file.
constexpr std::size_t kFirstCapacity = 16;

}  // namespace

std::uint32_t KeywordIndex::Hash(std::string_view keyword) {
  std::size_t hash = std::hash<std::string_view>()(keyword);
  return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

KeywordIndex::~KeywordIndex() { DonateBuffer(m_entries); }

void KeywordIndex::Clear() {
  DonateBuffer(m_entries);
  std::vector<Entry>().swap(m_entries);
  m_mask = 0;
  m_live = 0;
  m_occupied = 0;
}

void KeywordIndex::Insert(std::uint32_t hash, int slot) {
  // At most half full (erased markers included) keeps probe sequences short.
  if ((m_occupied + 1) * 2 > m_entries.size()) {
    std::size_t capacity = m_entries.empty() ? kFirstCapacity : m_entries.size();
    // Rebuilt at most a quarter full, so that the next rebuild is as many insertions away.
    while ((m_live + 1) * 4 > capacity) capacity *= 2;
    Rebuild(capacity);
  }
  Place(hash, slot);
  ++m_live;
}

void KeywordIndex::Reserve(std::size_t count) {
  if ((m_occupied + count) * 2 <= m_entries.size()) return;
  std::size_t capacity = kFirstCapacity;
  while (capacity < (m_live + count) * 2) capacity *= 2;
  Rebuild(capacity);
}

void KeywordIndex::Place(std::uint32_t hash, int slot) {
  for (std::size_t position = hash & m_mask;; position = (position + 1) & m_mask) {
    Entry& entry = m_entries[position];
    if (entry.slot < 0) {
      if (entry.slot == kFree) ++m_occupied;
      entry = Entry{hash, slot};
      return;
    }
  }
}

void KeywordIndex::Rebuild(std::size_t capacity) {
  std::vector<Entry> old;
  old.swap(m_entries);
  AdoptSpareBuffer(m_entries, capacity);
  m_entries.assign(capacity, Entry{0, kFree});
  m_mask = capacity - 1;
  m_occupied = 0;
  for (const Entry& entry : old) {
    if (entry.slot >= 0) Place(entry.tag, entry.slot);
  }
  DonateBuffer(old);
}

}  // namespace ktpm::detail
