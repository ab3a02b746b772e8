#include "keyword/UnsetMarker.h"

#include <gtest/gtest.h>

namespace {

using ktpm::detail::IsFloatUnsetMarker;
using ktpm::detail::IsIntegerUnsetMarker;
using ktpm::detail::IsUnsetMarker;

TEST(UnsetMarker, IntegerReading) {
  EXPECT_TRUE(IsIntegerUnsetMarker("-16384"));
  EXPECT_TRUE(IsIntegerUnsetMarker(" \t-16384"));
  EXPECT_TRUE(IsIntegerUnsetMarker("-016384"));
  EXPECT_TRUE(IsIntegerUnsetMarker("-16384.5"));
  EXPECT_TRUE(IsIntegerUnsetMarker("-16384abc"));
  EXPECT_FALSE(IsIntegerUnsetMarker("-16383"));
  EXPECT_FALSE(IsIntegerUnsetMarker("-163840"));
  EXPECT_FALSE(IsIntegerUnsetMarker("16384"));
  EXPECT_FALSE(IsIntegerUnsetMarker("- 16384"));
  EXPECT_FALSE(IsIntegerUnsetMarker("--16384"));
  EXPECT_FALSE(IsIntegerUnsetMarker("x-16384"));
  EXPECT_FALSE(IsIntegerUnsetMarker("-1.6384e4"));
  EXPECT_FALSE(IsIntegerUnsetMarker(""));
  EXPECT_FALSE(IsIntegerUnsetMarker("-"));
}

// Numbers beyond the range of an int are not the marker, even where the bits of a wrapped
// conversion would be: -4294983680 is -(2^32 + 16384).
TEST(UnsetMarker, IntegerReadingDoesNotWrap) {
  EXPECT_FALSE(IsIntegerUnsetMarker("-4294983680"));
  EXPECT_FALSE(IsIntegerUnsetMarker("-18446744073709568000"));
}

TEST(UnsetMarker, FloatReading) {
  EXPECT_TRUE(IsFloatUnsetMarker("-16384"));
  EXPECT_TRUE(IsFloatUnsetMarker("-16384.0"));
  EXPECT_TRUE(IsFloatUnsetMarker("-16384."));
  EXPECT_TRUE(IsFloatUnsetMarker("  -1.6384e4"));
  EXPECT_TRUE(IsFloatUnsetMarker("-1.6384E+4 mm"));
  EXPECT_TRUE(IsFloatUnsetMarker("-163840e-1"));
  EXPECT_TRUE(IsFloatUnsetMarker("-16384.000000000000000000001"));
  EXPECT_TRUE(IsFloatUnsetMarker("-16384e"));
  EXPECT_FALSE(IsFloatUnsetMarker("-16384.5"));
  EXPECT_FALSE(IsFloatUnsetMarker("-16383.9"));
  EXPECT_FALSE(IsFloatUnsetMarker("16384.0"));
  EXPECT_FALSE(IsFloatUnsetMarker("-0x4000"));
  EXPECT_FALSE(IsFloatUnsetMarker("-inf"));
  EXPECT_FALSE(IsFloatUnsetMarker("-1e999999"));
  EXPECT_FALSE(IsFloatUnsetMarker("-."));
  EXPECT_FALSE(IsFloatUnsetMarker(""));
}

TEST(UnsetMarker, EitherReading) {
  EXPECT_TRUE(IsUnsetMarker("-16384.5"));
  EXPECT_TRUE(IsUnsetMarker("-1.6384e4"));
  EXPECT_FALSE(IsUnsetMarker("-16383"));
  EXPECT_FALSE(IsUnsetMarker("FILL"));
}

}  // namespace
