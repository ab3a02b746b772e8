#include <algorithm>
#include <limits>

#include <ktpm/mesh/EntityAssigner.h>

namespace ktpm::detail {

namespace {

constexpr int32_t kDenseFill = -16384;
// As many values as the largest block of the attribute files holds.
constexpr size_t kMaxDenseSize = 10'000'000;

bool InInt32(int64_t number) {
  return number >= std::numeric_limits<int32_t>::min() &&
         number <= std::numeric_limits<int32_t>::max();
}

// Position of the last element matching, searched from the back: the assignment works on the
// newest elements, so in the common case the search ends at once.
template <typename T, typename Match>
std::optional<size_t> FindFromBack(const std::vector<T>& items, Match match) {
  for (size_t i = items.size(); i-- > 0;) {
    if (match(items[i])) return i;
  }
  return std::nullopt;
}

template <typename T, typename Match>
std::optional<size_t> FindFromFront(const std::vector<T>& items, Match match) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (match(items[i])) return i;
  }
  return std::nullopt;
}

bool IsEmpty(const KEntitySet& set) { return set.ids.empty() && set.ranges.empty(); }

}  // namespace

template <typename Entry>
EntityAssigner<Entry>::EntityAssigner(std::vector<Entry>& entries, bool indexed)
    : entries_(entries), indexed_(indexed) {
  if (indexed_) BuildIndex();
}

template <typename Entry>
void EntityAssigner<Entry>::ClearIndex() {
  indexed_ = false;
  idOwner_.clear();
  rangeOwner_.clear();
  valueEntries_.clear();
}

// Indexes the list when every entity number appears once and ranges hold two numbers or more;
// otherwise leaves the assigner on plain search.
template <typename Entry>
void EntityAssigner<Entry>::BuildIndex() {
  indexed_ = true;
  for (size_t e = 0; e < entries_.size(); ++e) {
    const Entry& entry = entries_[e];
    valueEntries_[entry.value].push_back(e);
    for (int32_t id : entry.ids) {
      if (!idOwner_.emplace(id, e).second) return ClearIndex();
    }
    for (const auto& [first, last] : entry.ranges) {
      if (first >= last || !rangeOwner_.emplace(first, RangeOwner{last, e}).second) {
        return ClearIndex();
      }
    }
  }
  int64_t previousLast = std::numeric_limits<int64_t>::min();
  for (const auto& [first, owner] : rangeOwner_) {
    if (first <= previousLast) return ClearIndex();
    previousLast = owner.last;
  }
  for (const auto& [id, owner] : idOwner_) {
    auto after = rangeOwner_.upper_bound(id);
    if (after != rangeOwner_.begin() && std::prev(after)->second.last >= id) return ClearIndex();
  }
}

template <typename Entry>
std::optional<size_t> EntityAssigner<Entry>::FindIdPosition(size_t entry, int64_t number) const {
  if (!InInt32(number)) return std::nullopt;
  int32_t id = static_cast<int32_t>(number);
  if (indexed_) {
    auto owner = idOwner_.find(id);
    if (owner == idOwner_.end() || owner->second != entry) return std::nullopt;
    return FindFromBack(entries_[entry].ids, [id](int32_t x) { return x == id; });
  }
  return FindFromFront(entries_[entry].ids, [id](int32_t x) { return x == id; });
}

template <typename Entry>
std::optional<size_t> EntityAssigner<Entry>::FindRangeEndingAt(size_t entry, int64_t number) const {
  if (!InInt32(number)) return std::nullopt;
  int32_t last = static_cast<int32_t>(number);
  auto match = [last](const std::pair<int32_t, int32_t>& r) { return r.second == last; };
  if (indexed_) {
    auto after = rangeOwner_.upper_bound(last);
    if (after == rangeOwner_.begin()) return std::nullopt;
    auto range = std::prev(after);
    if (range->second.last != last || range->second.entry != entry) return std::nullopt;
    return FindFromBack(entries_[entry].ranges, match);
  }
  return FindFromFront(entries_[entry].ranges, match);
}

template <typename Entry>
std::optional<size_t> EntityAssigner<Entry>::FindRangeStartingAt(size_t entry,
                                                                 int64_t number) const {
  if (!InInt32(number)) return std::nullopt;
  int32_t first = static_cast<int32_t>(number);
  auto match = [first](const std::pair<int32_t, int32_t>& r) { return r.first == first; };
  if (indexed_) {
    auto range = rangeOwner_.find(first);
    if (range == rangeOwner_.end() || range->second.entry != entry) return std::nullopt;
    return FindFromBack(entries_[entry].ranges, match);
  }
  return FindFromFront(entries_[entry].ranges, match);
}

template <typename Entry>
std::vector<size_t> EntityAssigner<Entry>::EntriesHolding(int32_t number) const {
  std::vector<size_t> holders;
  if (indexed_) {
    if (auto owner = idOwner_.find(number); owner != idOwner_.end()) {
      holders.push_back(owner->second);
    } else if (auto after = rangeOwner_.upper_bound(number); after != rangeOwner_.begin()) {
      if (std::prev(after)->second.last >= number)
        holders.push_back(std::prev(after)->second.entry);
    }
    return holders;
  }
  for (size_t e = 0; e < entries_.size(); ++e) {
    if (Contains(e, number)) holders.push_back(e);
  }
  return holders;
}

template <typename Entry>
bool EntityAssigner<Entry>::Contains(size_t entry, int32_t number) const {
  if (indexed_) {
    auto holders = EntriesHolding(number);
    return !holders.empty() && holders.front() == entry;
  }
  const Entry& e = entries_[entry];
  if (std::find(e.ids.begin(), e.ids.end(), number) != e.ids.end()) return true;
  return std::any_of(e.ranges.begin(), e.ranges.end(),
                     [number](const auto& r) { return r.first <= number && number <= r.second; });
}

template <typename Entry>
void EntityAssigner<Entry>::AppendId(size_t entry, int32_t number) {
  entries_[entry].ids.push_back(number);
  if (indexed_) idOwner_[number] = entry;
}

template <typename Entry>
void EntityAssigner<Entry>::EraseId(size_t entry, size_t position) {
  auto& ids = entries_[entry].ids;
  if (indexed_) idOwner_.erase(ids[position]);
  ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(position));
}

template <typename Entry>
void EntityAssigner<Entry>::AppendRange(size_t entry, int32_t first, int32_t last) {
  entries_[entry].ranges.emplace_back(first, last);
  if (indexed_) rangeOwner_[first] = RangeOwner{last, entry};
}

template <typename Entry>
void EntityAssigner<Entry>::SetRange(size_t entry, size_t position, int32_t first, int32_t last) {
  auto& range = entries_[entry].ranges[position];
  if (indexed_) {
    rangeOwner_.erase(range.first);
    rangeOwner_[first] = RangeOwner{last, entry};
  }
  range = {first, last};
}

template <typename Entry>
void EntityAssigner<Entry>::EraseRange(size_t entry, size_t position) {
  auto& ranges = entries_[entry].ranges;
  if (indexed_) rangeOwner_.erase(ranges[position].first);
  ranges.erase(ranges.begin() + static_cast<std::ptrdiff_t>(position));
}

// Takes a number out of one entry; true when the entry held it.
template <typename Entry>
bool EntityAssigner<Entry>::RemoveFromEntry(size_t entry, int32_t number) {
  if (auto id = FindIdPosition(entry, number)) {
    EraseId(entry, *id);
    return true;
  }
  bool removed = false;
  auto& ranges = entries_[entry].ranges;
  for (size_t r = 0; r < ranges.size();) {
    auto [first, last] = ranges[r];
    if (number < first || number > last) {
      ++r;
      continue;
    }
    removed = true;
    // The runs first..number-1 and number+1..last that stay.
    int64_t lowCount = int64_t{number} - first;
    int64_t highCount = int64_t{last} - number;
    if (lowCount >= 2) {
      SetRange(entry, r++, first, number - 1);
    } else if (highCount >= 2) {
      SetRange(entry, r++, number + 1, last);
      highCount = 0;
    } else {
      EraseRange(entry, r);
    }
    if (lowCount == 1) AppendId(entry, first);
    if (highCount == 1) AppendId(entry, last);
    if (highCount >= 2) AppendRange(entry, number + 1, last);
  }
  return removed;
}

template <typename Entry>
void EntityAssigner<Entry>::AddToEntry(size_t entry, int32_t number) {
  if (Contains(entry, number)) return;
  const int64_t below = int64_t{number} - 1;
  const int64_t above = int64_t{number} + 1;
  auto& ranges = entries_[entry].ranges;
  auto rangeBelow = FindRangeEndingAt(entry, below);
  auto rangeAbove = FindRangeStartingAt(entry, above);
  if (rangeBelow && rangeAbove) {
    int32_t first = ranges[*rangeBelow].first;
    int32_t last = ranges[*rangeAbove].second;
    EraseRange(entry, *rangeAbove);
    rangeBelow = FindRangeEndingAt(entry, below);  // the erase may have moved it
    SetRange(entry, *rangeBelow, first, last);
    return;
  }
  auto singleAbove = FindIdPosition(entry, above);
  auto singleBelow = FindIdPosition(entry, below);
  if (singleAbove && !singleBelow) {
    if (rangeBelow) {
      SetRange(entry, *rangeBelow, ranges[*rangeBelow].first, static_cast<int32_t>(above));
    } else {
      AppendRange(entry, number, static_cast<int32_t>(above));
    }
    EraseId(entry, *singleAbove);
  } else if (singleBelow) {
    if (rangeAbove) {
      SetRange(entry, *rangeAbove, static_cast<int32_t>(below), ranges[*rangeAbove].second);
    } else if (singleAbove) {
      AppendRange(entry, static_cast<int32_t>(below), static_cast<int32_t>(above));
      EraseId(entry, *singleAbove);
    } else {
      AppendRange(entry, static_cast<int32_t>(below), number);
    }
    EraseId(entry, *FindIdPosition(entry, below));
  } else if (rangeBelow) {
    SetRange(entry, *rangeBelow, ranges[*rangeBelow].first, number);
  } else if (rangeAbove) {
    SetRange(entry, *rangeAbove, number, ranges[*rangeAbove].second);
  } else {
    AppendId(entry, number);
  }
}

// The last entry with the value that is not excluded.
template <typename Entry>
std::optional<size_t> EntityAssigner<Entry>::FindEntryWithValue(
    const Value& value, const std::vector<size_t>& excluded) const {
  auto isExcluded = [&excluded](size_t e) {
    return std::find(excluded.begin(), excluded.end(), e) != excluded.end();
  };
  if (indexed_) {
    auto found = valueEntries_.find(value);
    if (found == valueEntries_.end()) return std::nullopt;
    for (size_t i = found->second.size(); i-- > 0;) {
      if (!isExcluded(found->second[i])) return found->second[i];
    }
    return std::nullopt;
  }
  for (size_t e = entries_.size(); e-- > 0;) {
    if (entries_[e].value == value && !isExcluded(e)) return e;
  }
  return std::nullopt;
}

template <typename Entry>
void EntityAssigner<Entry>::EraseEntry(size_t entry) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(entry));
  if (indexed_) {
    // Entry positions after it moved: rare enough (only a reassignment empties an entry) to
    // index again.
    ClearIndex();
    BuildIndex();
  }
}

template <typename Entry>
void EntityAssigner<Entry>::Assign(int32_t entity, const Value& value) {
  std::vector<size_t> removedFrom;
  std::optional<size_t> emptied;
  for (size_t e : EntriesHolding(entity)) {
    if (!RemoveFromEntry(e, entity)) continue;
    removedFrom.push_back(e);
    if (!emptied && IsEmpty(entries_[e])) emptied = e;
  }
  std::optional<size_t> taken = FindEntryWithValue(value, removedFrom);
  if (!taken && emptied) {
    taken = emptied;
    if (indexed_) {
      auto& list = valueEntries_[entries_[*emptied].value];
      list.erase(std::find(list.begin(), list.end(), *emptied));
      auto& target = valueEntries_[value];
      target.insert(std::upper_bound(target.begin(), target.end(), *emptied), *emptied);
    }
    entries_[*emptied].value = value;
  } else if (!taken) {
    entries_.emplace_back();
    entries_.back().value = value;
    taken = entries_.size() - 1;
    if (indexed_) valueEntries_[value].push_back(*taken);
  }
  AddToEntry(*taken, entity);
  if (emptied && *emptied != *taken) EraseEntry(*emptied);
}

template class EntityAssigner<KIntEntry>;
template class EntityAssigner<KRealVectorEntry>;

namespace {

// Runs one set operation through an unindexed assigner over a list holding only that set.
template <typename Operation>
void WithSingleSet(KEntitySet& set, Operation operation) {
  std::vector<KIntEntry> list(1);
  static_cast<KEntitySet&>(list[0]) = std::move(set);
  EntityAssigner<KIntEntry> assigner(list, false);
  operation(assigner);
  set = std::move(static_cast<KEntitySet&>(list[0]));
}

}  // namespace

void RemoveEntity(KEntitySet& set, int32_t entity) {
  WithSingleSet(set, [entity](auto& assigner) { assigner.RemoveFromEntry(0, entity); });
}

void AddEntity(KEntitySet& set, int32_t entity) {
  WithSingleSet(set, [entity](auto& assigner) { assigner.AddToEntry(0, entity); });
}

bool AssignDenseValue(KEntityClass& entityClass, int32_t entity, int32_t value) {
  if (entityClass.denseFirst < 1 || entity < entityClass.denseFirst) return false;
  size_t position = static_cast<size_t>(int64_t{entity} - entityClass.denseFirst);
  // An entity number far beyond the block (a count from a hostile file) would make it grow by
  // gigabytes; such an entity gets its value among the entries instead.
  if (position >= kMaxDenseSize) return false;
  if (position >= entityClass.denseValues.size()) {
    entityClass.denseValues.resize(position + 1, kDenseFill);
  }
  entityClass.denseValues[position] = value;
  return true;
}

void AssignIntValue(KEntityClass& entityClass, int32_t entity, int32_t value) {
  if (AssignDenseValue(entityClass, entity, value)) return;
  EntityAssigner<KIntEntry>(entityClass.intValues).Assign(entity, value);
}

void AssignRealVector(KEntityClass& entityClass, int32_t entity, const std::vector<double>& value) {
  EntityAssigner<KRealVectorEntry>(entityClass.realVectors).Assign(entity, value);
}

namespace {

template <typename Entry>
void ResetTo(std::vector<Entry>& entries, decltype(Entry::value) value, int32_t first,
             int32_t last) {
  entries.clear();
  entries.emplace_back();
  entries.back().value = std::move(value);
  // A run of one entity is a single id, and an empty run leaves the entry empty: ranges always
  // hold two numbers or more.
  if (first < last) {
    entries.back().ranges.emplace_back(first, last);
  } else if (first == last) {
    entries.back().ids.push_back(first);
  }
}

}  // namespace

void ResetIntValues(KEntityClass& entityClass, int32_t first, int32_t last) {
  ResetTo(entityClass.intValues, 0, first, last);
}

void ResetRealVectors(KEntityClass& entityClass, int32_t first, int32_t last) {
  ResetTo(entityClass.realVectors, std::vector<double>{0.0, 0.0}, first, last);
}

}  // namespace ktpm::detail
