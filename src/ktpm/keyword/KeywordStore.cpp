#include <algorithm>
#include <cstring>

#include <ktpm/keyword/KeywordStore.h>
#include <ktpm/keyword/SpareBuffer.h>

namespace ktpm::detail {

namespace {

// Caps on the room reserved ahead from a file's size, which may be far more than it holds.
constexpr std::size_t kMaxTextReserve = 64 * 1024 * 1024;
constexpr std::size_t kMaxSlotReserve = 1024 * 1024;
// Lines are rarely shorter than this; reserving a slot per this many bytes seldom regrows.
constexpr std::size_t kBytesPerSlotGuess = 16;
// How many slots ahead IndexAppended fetches index lines.
constexpr std::size_t kPrefetchDistance = 8;

}  // namespace

int KeywordStore::FindSlot(std::string_view keyword, std::uint32_t hash) const {
  return m_index.Find(keyword, hash, [this](int slot) { return Keyword(slot); });
}

int KeywordStore::Find(std::string_view keyword) const {
  return FindSlot(keyword, KeywordIndex::Hash(keyword));
}

std::size_t KeywordStore::AppendText(std::string_view text) {
  std::size_t offset = m_text.size();
  m_text.append(text);
  return offset;
}

void KeywordStore::Set(std::string_view keyword, std::string_view value) {
  IndexAppended();
  if (keyword.size() > kMaxTextLength || value.size() > kMaxTextLength) return;
  std::uint32_t hash = KeywordIndex::Hash(keyword);
  int found = FindSlot(keyword, hash);
  if (found >= 0) {
    Slot& slot = m_slots[static_cast<std::size_t>(found)];
    if (value.size() <= slot.valueLength) {
      if (!value.empty())
        std::memmove(m_text.data() + slot.valueOffset, value.data(), value.size());
    } else {
      slot.valueOffset = AppendText(value);
    }
    slot.valueLength = static_cast<std::uint32_t>(value.size());
    return;
  }
  Append(keyword, value);
  m_index.Insert(hash, static_cast<int>(m_slots.size() - 1));
  m_indexedSlots = m_slots.size();
}

void KeywordStore::Append(std::string_view keyword, std::string_view value) {
  if (keyword.size() > kMaxTextLength || value.size() > kMaxTextLength) return;
  Slot slot;
  slot.keywordOffset = AppendText(keyword);
  slot.keywordLength = static_cast<std::uint32_t>(keyword.size());
  slot.valueOffset = AppendText(value);
  slot.valueLength = static_cast<std::uint32_t>(value.size());
  m_slots.push_back(slot);
}

void KeywordStore::FoldAppendedSlot(std::size_t slot, std::uint32_t hash) {
  int first = FindSlot(Keyword(slot), hash);
  if (first < 0) {
    m_index.Insert(hash, static_cast<int>(slot));
    return;
  }
  Slot& kept = m_slots[static_cast<std::size_t>(first)];
  kept.valueOffset = m_slots[slot].valueOffset;
  kept.valueLength = m_slots[slot].valueLength;
  m_slots[slot] = Slot{0, 0, kDead, 0};
}

void KeywordStore::IndexAppended() noexcept {
  const std::size_t begin = m_indexedSlots;
  const std::size_t end = m_slots.size();
  if (begin == end) return;
  try {
    m_index.Reserve(end - begin);
  } catch (...) {
    m_slots.resize(begin);
    return;
  }
  // Hashes of the slots between the one being folded and the one being fetched.
  std::uint32_t hashes[kPrefetchDistance];
  for (std::size_t next = begin; next < end + kPrefetchDistance; ++next) {
    // The folded slot's hash sits where the next slot's hash goes: fold first.
    if (next >= begin + kPrefetchDistance) {
      std::size_t slot = next - kPrefetchDistance;
      FoldAppendedSlot(slot, hashes[slot % kPrefetchDistance]);
    }
    if (next < end) {
      std::uint32_t hash = KeywordIndex::Hash(Keyword(next));
      hashes[next % kPrefetchDistance] = hash;
      m_index.Prefetch(hash);
    }
  }
  m_indexedSlots = end;
}

bool KeywordStore::Remove(std::string_view keyword) {
  IndexAppended();
  int slot =
      m_index.Erase(keyword, KeywordIndex::Hash(keyword), [this](int n) { return Keyword(n); });
  if (slot < 0) return false;
  m_slots[static_cast<std::size_t>(slot)] = Slot{0, 0, kDead, 0};
  return true;
}

void KeywordStore::Clear() {
  m_index.Clear();
  m_slots.clear();
  m_text.clear();
  m_indexedSlots = 0;
}

KeywordStore::~KeywordStore() {
  DonateBuffer(m_text);
  DonateBuffer(m_slots);
}

void KeywordStore::Reserve(std::size_t fileBytes) {
  std::size_t text = m_text.size() + std::min(fileBytes, kMaxTextReserve);
  std::size_t slots = m_slots.size() + std::min(fileBytes / kBytesPerSlotGuess, kMaxSlotReserve);
  AdoptSpareBuffer(m_text, text);
  AdoptSpareBuffer(m_slots, slots);
  m_text.reserve(text);
  m_slots.reserve(slots);
}

}  // namespace ktpm::detail
