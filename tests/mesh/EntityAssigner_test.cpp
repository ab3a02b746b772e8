#include <gtest/gtest.h>

#include <random>

#include <ktpm/mesh/EntityAssigner.h>

using ktpm::detail::AddEntity;
using ktpm::detail::AssignIntValue;
using ktpm::detail::AssignRealVector;
using ktpm::detail::EntityAssigner;
using ktpm::detail::RemoveEntity;

namespace {

using Pairs = std::vector<std::pair<int32_t, int32_t>>;
using Ids = std::vector<int32_t>;

KEntitySet Set(Ids ids, Pairs ranges) {
  KEntitySet set;
  set.ids = std::move(ids);
  set.ranges = std::move(ranges);
  return set;
}

KEntitySet Added(KEntitySet set, int32_t entity) {
  AddEntity(set, entity);
  return set;
}

KEntitySet Removed(KEntitySet set, int32_t entity) {
  RemoveEntity(set, entity);
  return set;
}

void ExpectSet(const KEntitySet& set, const Ids& ids, const Pairs& ranges) {
  EXPECT_EQ(ids, set.ids);
  EXPECT_EQ(ranges, set.ranges);
}

KIntEntry Entry(int32_t value, Ids ids, Pairs ranges) {
  KIntEntry entry;
  entry.value = value;
  static_cast<KEntitySet&>(entry) = Set(std::move(ids), std::move(ranges));
  return entry;
}

}  // namespace

TEST(EntityAssigner, AddJoinsNeighbours) {
  // Already held: nothing changes.
  ExpectSet(Added(Set({5}, {{1, 3}}), 2), {5}, {{1, 3}});
  ExpectSet(Added(Set({5}, {}), 5), {5}, {});
  // A range ending below and one starting above join.
  ExpectSet(Added(Set({}, {{1, 3}, {5, 9}}), 4), {}, {{1, 9}});
  // Single above, no single below: a range ending below grows to it, or a new range is made.
  ExpectSet(Added(Set({5}, {{1, 3}}), 4), {}, {{1, 5}});
  ExpectSet(Added(Set({8, 5}, {}), 4), {8}, {{4, 5}});
  // Single below: a range starting above takes it, or a new range of two or three is made.
  ExpectSet(Added(Set({3}, {{5, 7}}), 4), {}, {{3, 7}});
  ExpectSet(Added(Set({3, 9}, {}), 4), {9}, {{3, 4}});
  ExpectSet(Added(Set({3, 5}, {}), 4), {}, {{3, 5}});
  // No neighbouring single: ranges grow, or the entity becomes a single.
  ExpectSet(Added(Set({}, {{1, 3}}), 4), {}, {{1, 4}});
  ExpectSet(Added(Set({}, {{5, 6}}), 4), {}, {{4, 6}});
  ExpectSet(Added(Set({9}, {}), 4), {9, 4}, {});
}

TEST(EntityAssigner, RemoveSplitsRanges) {
  ExpectSet(Removed(Set({4, 7, 4}, {{1, 9}}), 4), {7, 4}, {{1, 9}});
  ExpectSet(Removed(Set({}, {{3, 4}}), 4), {3}, {});
  ExpectSet(Removed(Set({}, {{3, 4}}), 3), {4}, {});
  ExpectSet(Removed(Set({}, {{1, 9}}), 5), {}, {{1, 4}, {6, 9}});
  ExpectSet(Removed(Set({}, {{1, 9}}), 2), {1}, {{3, 9}});
  ExpectSet(Removed(Set({}, {{1, 9}}), 8), {9}, {{1, 7}});
  ExpectSet(Removed(Set({}, {{1, 3}}), 2), {1, 3}, {});
  ExpectSet(Removed(Set({}, {{1, 3}}), 1), {}, {{2, 3}});
  ExpectSet(Removed(Set({2}, {}), 7), {2}, {});
}

TEST(EntityAssigner, NewValueInTheMiddleOfARangeSplitsIt) {
  for (bool indexed : {true, false}) {
    std::vector<KIntEntry> entries = {Entry(0, {}, {{1, 10}})};
    EntityAssigner<KIntEntry> assigner(entries, indexed);
    ASSERT_EQ(indexed, assigner.IsIndexed());
    assigner.Assign(5, 7);
    assigner.Assign(6, 7);
    ASSERT_EQ(2u, entries.size());
    ExpectSet(entries[0], {}, {{1, 4}, {7, 10}});
    EXPECT_EQ(7, entries[1].value);
    ExpectSet(entries[1], {}, {{5, 6}});
    // Moving the entities back empties the entry of 7, which is then removed.
    assigner.Assign(5, 0);
    assigner.Assign(6, 0);
    ASSERT_EQ(1u, entries.size());
    ExpectSet(entries[0], {}, {{1, 10}});
  }
}

TEST(EntityAssigner, EmptiedEntryTakesTheNewValue) {
  for (bool indexed : {true, false}) {
    std::vector<KIntEntry> entries = {Entry(1, {4}, {}), Entry(2, {5}, {})};
    EntityAssigner<KIntEntry> assigner(entries, indexed);
    assigner.Assign(4, 3);
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(3, entries[0].value);
    ExpectSet(entries[0], {4}, {});
    // The emptied entry is dropped when another entry has the value.
    assigner.Assign(4, 2);
    ASSERT_EQ(1u, entries.size());
    ExpectSet(entries[0], {}, {{4, 5}});
  }
}

TEST(EntityAssigner, LastEntryWithTheValueIsTaken) {
  for (bool indexed : {true, false}) {
    std::vector<KIntEntry> entries = {Entry(1, {10}, {}), Entry(1, {20}, {}), Entry(2, {30}, {})};
    EntityAssigner<KIntEntry> assigner(entries, indexed);
    assigner.Assign(40, 1);
    ExpectSet(entries[1], {20, 40}, {});
    // An entity moves out of the entry it was in even for the same value: the entry it left is
    // not a candidate, so the other entry with that value takes it.
    assigner.Assign(40, 1);
    ExpectSet(entries[0], {10, 40}, {});
    ExpectSet(entries[1], {20}, {});
  }
}

TEST(EntityAssigner, UncleanListsAreWorkedOnByPlainSearch) {
  std::vector<KIntEntry> duplicated = {Entry(1, {3}, {}), Entry(2, {3}, {})};
  EXPECT_FALSE(EntityAssigner<KIntEntry>(duplicated).IsIndexed());
  std::vector<KIntEntry> overlapping = {Entry(1, {}, {{1, 5}}), Entry(2, {}, {{4, 8}})};
  EntityAssigner<KIntEntry> assigner(overlapping);
  EXPECT_FALSE(assigner.IsIndexed());
  assigner.Assign(4, 3);
  ExpectSet(overlapping[0], {5}, {{1, 3}});
  ExpectSet(overlapping[1], {}, {{5, 8}});
  ExpectSet(overlapping[2], {4}, {});
  std::vector<KIntEntry> single = {Entry(1, {}, {{4, 4}})};
  EXPECT_FALSE(EntityAssigner<KIntEntry>(single).IsIndexed());
  std::vector<KIntEntry> clean = {Entry(1, {9}, {{1, 5}}), Entry(2, {6}, {{7, 8}})};
  EXPECT_TRUE(EntityAssigner<KIntEntry>(clean).IsIndexed());
}

TEST(EntityAssigner, IndexedAndPlainSearchAgreeOnRandomAssignments) {
  std::mt19937 random(12345);
  for (int round = 0; round < 40; ++round) {
    std::vector<KIntEntry> indexedEntries = {Entry(0, {}, {{1, 30}})};
    std::vector<KIntEntry> plainEntries = indexedEntries;
    EntityAssigner<KIntEntry> indexed(indexedEntries, true);
    EntityAssigner<KIntEntry> plain(plainEntries, false);
    std::uniform_int_distribution<int32_t> entity(1, 40), value(0, 3);
    for (int step = 0; step < 200; ++step) {
      int32_t e = entity(random), v = value(random);
      indexed.Assign(e, v);
      plain.Assign(e, v);
      ASSERT_EQ(plainEntries.size(), indexedEntries.size()) << round << " " << step;
      for (size_t i = 0; i < plainEntries.size(); ++i) {
        ASSERT_EQ(plainEntries[i].value, indexedEntries[i].value);
        ASSERT_EQ(plainEntries[i].ids, indexedEntries[i].ids) << round << " " << step;
        ASSERT_EQ(plainEntries[i].ranges, indexedEntries[i].ranges) << round << " " << step;
      }
    }
    // Whatever the order, every entity is held exactly once.
    std::vector<int> held(41, 0);
    for (const auto& entry : indexedEntries) {
      for (int32_t id : entry.ids) ++held[id];
      for (auto [first, last] : entry.ranges) {
        ASSERT_LT(first, last);
        for (int32_t n = first; n <= last; ++n) ++held[n];
      }
    }
    for (int n = 1; n <= 40; ++n) EXPECT_LE(held[n], 1) << n;
  }
}

TEST(EntityAssigner, DenseBlockTakesEntitiesFromItsFirst) {
  KEntityClass c;
  c.denseFirst = 10;
  c.denseValues = {1, 2};
  AssignIntValue(c, 11, 5);
  AssignIntValue(c, 14, 6);
  EXPECT_EQ((Ids{1, 5, -16384, -16384, 6}), c.denseValues);
  EXPECT_TRUE(c.intValues.empty());
  AssignIntValue(c, 9, 6);
  ASSERT_EQ(1u, c.intValues.size());
  ExpectSet(c.intValues[0], {9}, {});
  // Far beyond the block the value goes to the entries rather than growing it by gigabytes.
  AssignIntValue(c, 2'000'000'000, 6);
  EXPECT_EQ(5u, c.denseValues.size());
  ExpectSet(c.intValues[0], {9, 2'000'000'000}, {});
  KEntityClass noBlock;
  AssignIntValue(noBlock, 3, 1);
  EXPECT_TRUE(noBlock.denseValues.empty());
  EXPECT_EQ(1u, noBlock.intValues.size());
}

TEST(EntityAssigner, RealVectorsCompareByLengthAndElements) {
  KEntityClass c;
  ktpm::detail::ResetRealVectors(c, 1, 3);
  AssignRealVector(c, 4, {1.5, 1.5});
  AssignRealVector(c, 5, {1.5, 2.0});
  AssignRealVector(c, 6, {1.5, 1.5});
  AssignRealVector(c, 7, {1.5});
  ASSERT_EQ(4u, c.realVectors.size());
  EXPECT_EQ((std::vector<double>{0.0, 0.0}), c.realVectors[0].value);
  ExpectSet(c.realVectors[0], {}, {{1, 3}});
  ExpectSet(c.realVectors[1], {4, 6}, {});
  ExpectSet(c.realVectors[2], {5}, {});
  ExpectSet(c.realVectors[3], {7}, {});
}

TEST(EntityAssigner, ResetMakesOneEntryOfZero) {
  KEntityClass c;
  c.intValues = {Entry(4, {1}, {}), Entry(5, {2}, {})};
  ktpm::detail::ResetIntValues(c, 1, 8);
  ASSERT_EQ(1u, c.intValues.size());
  ExpectSet(c.intValues[0], {}, {{1, 8}});
  ktpm::detail::ResetIntValues(c, 1, 1);
  ExpectSet(c.intValues[0], {1}, {});
  ktpm::detail::ResetIntValues(c, 1, 0);
  ExpectSet(c.intValues[0], {}, {});
}
