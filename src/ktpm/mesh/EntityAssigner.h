// Assigning values to single entities of an entity class while keeping entity sets compact:
// the entity leaves every entry that holds it, joins the entry with its new value, and merges
// with neighbouring single ids and ranges of that entry.
//
// EntityAssigner works on one entry list (the integer entries or the real vector entries of a
// class) for a series of assignments. When every entity number appears at most once in the list
// and every range holds at least two numbers (as the assignment itself keeps it), it answers its
// questions from hash and ordered indexes built once, so that filling a class element by element
// costs near-linear time; any other list is worked on by plain search with the same results.
// The assigner holds a reference to the list and must be the list's only writer while it lives.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include <ktpm/mesh/KMeshAttributeSet.h>
#include <ktpm/mesh/ValueHash.h>

namespace ktpm::detail {

// Removes an entity from an entity set: from the ids when it is there, otherwise from every range
// that holds it (a remaining run of one number becomes a single id, a range that loses an inner
// number is split and its upper part appended).
void RemoveEntity(KEntitySet& set, int32_t entity);
// Adds an entity to an entity set, joining it with neighbouring ids and ranges.
void AddEntity(KEntitySet& set, int32_t entity);

template <typename Entry>
class EntityAssigner {
 public:
  using Value = decltype(Entry::value);

  // indexed false forces plain search (for comparison in tests).
  explicit EntityAssigner(std::vector<Entry>& entries, bool indexed = true);

  // Moves entity to the entry with value.
  void Assign(int32_t entity, const Value& value);
  bool IsIndexed() const { return indexed_; }
  // The two halves of an assignment on one entry (by position in the list): take the number out
  // (true when the entry held it), put it in.
  bool RemoveFromEntry(size_t entry, int32_t number);
  void AddToEntry(size_t entry, int32_t number);

 private:
  struct RangeOwner {
    int32_t last;
    size_t entry;
  };

  void BuildIndex();
  void ClearIndex();
  std::optional<size_t> FindIdPosition(size_t entry, int64_t number) const;
  std::optional<size_t> FindRangeEndingAt(size_t entry, int64_t number) const;
  std::optional<size_t> FindRangeStartingAt(size_t entry, int64_t number) const;
  bool Contains(size_t entry, int32_t number) const;
  std::optional<size_t> FindEntryWithValue(const Value& value,
                                           const std::vector<size_t>& excluded) const;
  std::vector<size_t> EntriesHolding(int32_t number) const;
  void EraseEntry(size_t entry);

  void AppendId(size_t entry, int32_t number);
  void EraseId(size_t entry, size_t position);
  void AppendRange(size_t entry, int32_t first, int32_t last);
  void SetRange(size_t entry, size_t position, int32_t first, int32_t last);
  void EraseRange(size_t entry, size_t position);

  std::vector<Entry>& entries_;
  bool indexed_;
  // With indexed_: the entry of each single id, the ranges of all entries by first number (they
  // do not overlap), and the entries of each value in list order.
  std::unordered_map<int32_t, size_t> idOwner_;
  std::map<int32_t, RangeOwner> rangeOwner_;
  std::unordered_map<Value, std::vector<size_t>, ValueHash> valueEntries_;
};

extern template class EntityAssigner<KIntEntry>;
extern template class EntityAssigner<KRealVectorEntry>;

// Assigns an integer value to an entity of a class: into the dense block when the entity is at
// or after its first entity (the block grows, new positions before it holding -16384, up to
// 10,000,000 values), otherwise into the integer entries.
void AssignIntValue(KEntityClass& entityClass, int32_t entity, int32_t value);
// Assigns a real vector to an entity of a class (real vector entries).
void AssignRealVector(KEntityClass& entityClass, int32_t entity, const std::vector<double>& value);
// Writes a value into the dense block when the entity belongs there; false otherwise.
bool AssignDenseValue(KEntityClass& entityClass, int32_t entity, int32_t value);

// Makes the class's integer entries one entry of value 0 holding entities first to last.
void ResetIntValues(KEntityClass& entityClass, int32_t first, int32_t last);
// Makes the class's real vector entries one entry of (0.0, 0.0) holding entities first to last.
void ResetRealVectors(KEntityClass& entityClass, int32_t first, int32_t last);

}  // namespace ktpm::detail
