#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <ktpm/mesh/UnitNames.h>

namespace {

// The name GetUnitName writes, or "<failed>" when it returns 0.
std::string UnitName(unsigned int unitId, int unitSystem) {
  char buffer[KT_UNIT_NAME_SIZE];
  std::memset(buffer, '#', sizeof buffer);
  if (GetUnitName(unitId, unitSystem, buffer) != 1) return "<failed>";
  return buffer;
}

TEST(UnitNames, NamesByIdAndSystem) {
  EXPECT_EQ(UnitName(0, 0), "mm");
  EXPECT_EQ(UnitName(0, 1), "inch");
  EXPECT_EQ(UnitName(0, -1), "m");
  EXPECT_EQ(UnitName(8, -1), "N");
  EXPECT_EQ(UnitName(28, -1), "m");
  EXPECT_EQ(UnitName(29, 1), "BTU/hr/sqft/degF");
  EXPECT_EQ(UnitName(43, 0), "g/10 min");
  EXPECT_EQ(UnitName(54, 0), "1/mm");
  EXPECT_EQ(UnitName(54, 1), "1/inch");
  EXPECT_EQ(UnitName(54, -1), "1/m");
}

TEST(UnitNames, SameNameInEverySystem) {
  for (int system : {0, 1, -1}) {
    EXPECT_EQ(UnitName(1, system), "sec");
    EXPECT_EQ(UnitName(35, system), "");
    EXPECT_EQ(UnitName(19, system), "%");
  }
}

TEST(UnitNames, OnlyTheSignOfTheSystemCounts) {
  for (unsigned int id = 0; id <= KT_MAX_UNIT_ID; ++id) {
    EXPECT_EQ(UnitName(id, 5), UnitName(id, 1)) << id;
    EXPECT_EQ(UnitName(id, 2147483647), UnitName(id, 1)) << id;
    EXPECT_EQ(UnitName(id, -3), UnitName(id, -1)) << id;
    EXPECT_EQ(UnitName(id, -2147483647 - 1), UnitName(id, -1)) << id;
  }
}

TEST(UnitNames, UnknownIdLeavesTheBufferAlone) {
  char buffer[KT_UNIT_NAME_SIZE] = "untouched";
  EXPECT_EQ(GetUnitName(55, 0, buffer), 0);
  EXPECT_EQ(GetUnitName(1000, 1, buffer), 0);
  EXPECT_EQ(GetUnitName(static_cast<unsigned int>(-1), -1, buffer), 0);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(GetUnitName(1, 0, static_cast<char*>(nullptr)), 0);
}

TEST(UnitNames, UnitSystemIsWhatTheHostSets) {
  EXPECT_EQ(GetUnitSystem(), 0);
  SetUnitSystem(1);
  EXPECT_EQ(GetUnitSystem(), 1);
  SetUnitSystem(-1);
  EXPECT_EQ(GetUnitSystem(), -1);
  SetUnitSystem(0);
  EXPECT_EQ(GetUnitSystem(), 0);
}

}  // namespace
