#include <gtest/gtest.h>

#include <string_view>

#include <ktpm/keyword/UnsetMarker.h>

namespace {

using ktpm::detail::IsFloatUnsetMarker;
using ktpm::detail::IsIntegerUnsetMarker;

struct Case {
  std::string_view value;
  bool integerMarker;
  bool floatMarker;
};

// -4294983680 is -(2^32 + 16384): an int conversion that wraps would call it the marker.
constexpr Case kCases[] = {
    {"-16384", true, true},      {" \t-016384", true, true},
    {"-16384.5", true, false},   {"-16384abc", true, true},
    {"-1.6384e4", false, true},  {"-1.6384E+4 mm", false, true},
    {"-16384.", true, true},     {"-16384.000000000000000000001", true, true},
    {"-16383", false, false},    {"-163840", false, false},
    {"16384", false, false},     {"- 16384", false, false},
    {"--16384", false, false},   {"-4294983680", false, false},
    {"-0x4000", false, false},   {"-inf", false, false},
    {"-1e999999", false, false}, {"", false, false},
    {"-", false, false},         {"-.", false, false},
};

TEST(UnsetMarker, IntegerAndFloatReadings) {
  for (const Case& c : kCases) {
    EXPECT_EQ(IsIntegerUnsetMarker(c.value), c.integerMarker) << c.value;
    EXPECT_EQ(IsFloatUnsetMarker(c.value), c.floatMarker) << c.value;
  }
}

}  // namespace
