#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include <ktpm/platform/LocaleFreeNumbers.h>

namespace {

using ktpm::detail::FormatFixed;
using ktpm::detail::FormatRealConversion;
using ktpm::detail::ParseDouble;
using ktpm::detail::ParseFloat;

// The tests run in the "C" locale, where printf and strtod are the reference.
TEST(LocaleFreeNumbers, FormatsAsPrintfDoes) {
  ASSERT_STREQ("C", std::setlocale(LC_NUMERIC, nullptr));
  const double kInf = std::numeric_limits<double>::infinity();
  const struct {
    const char* conversion;
    double value;
  } cases[] = {
      {"%f", 1.25},       {"%f", -0.0},         {"%.2f", 0.125},      {"%.0f", 2.5},
      {"%.2f", 45.0},     {"%f", 1e300},        {"%f", 5e-324},       {"%f", kInf},
      {"%F", -kInf},      {"%f", std::nan("")}, {"%+08.3f", 3.14159}, {"%-9.1f", 2.0},
      {"% f", 1.0},       {"%012f", -kInf},     {"%#.0f", 3.0},       {"%e", 123456.789},
      {"%.0E", 0.0001},   {"%g", 0.0001},       {"%g", 1e-5},         {"%G", 123456789.0},
      {"%.0g", 25.0},     {"%#g", 1.5},         {"%#.3g", 0.0001},    {"%10.4g", -1.0 / 3},
      {"%.99f", 1.0 / 3},
  };
  for (const auto& c : cases) {
    const std::string conversion = c.conversion;
    char expected[1024];
    std::snprintf(expected, sizeof expected, conversion.c_str(), c.value);
    std::string formatted = "<";
    EXPECT_TRUE(FormatRealConversion(conversion, c.value, formatted)) << conversion;
    EXPECT_EQ(std::string("<") + expected, formatted) << conversion;
  }
  EXPECT_EQ("0.333333", FormatFixed(1.0 / 3));
  EXPECT_EQ("-2", FormatFixed(-1.5, 0));
  for (const char* bad : {"", "f", "%", "%d", "%5", "%.2", "%lf", "%123f", "%.2f ", "%s"}) {
    std::string out;
    EXPECT_FALSE(FormatRealConversion(bad, 1.0, out)) << bad;
    EXPECT_EQ("", out) << bad;
  }
}

TEST(LocaleFreeNumbers, ParsesAsStrtodDoes) {
  const char* cases[] = {"1.5",
                         "  \t+1.5e3x",
                         "-.5",
                         "5.",
                         ".",
                         "-",
                         "+-1",
                         "1,5",
                         ",5",
                         "1e",
                         "1e+",
                         "0x1p3",
                         "0X.8",
                         "0x",
                         "0xg",
                         "-inf",
                         "Infinity",
                         "nan(12)",
                         "NaNx",
                         "1e400",
                         "-1e400",
                         "1e-400",
                         "1e-310",
                         "1e39",
                         "0.000000000000000000000000000000000000000000001e-300",
                         "\v\f\r\n7",
                         "abc",
                         ""};
  for (const char* text : cases) {
    char* end = nullptr;
    const double expected = std::strtod(text, &end);
    double parsed = -1.0;
    std::size_t used = 99;
    EXPECT_EQ(end != text, ParseDouble(text, parsed, &used)) << text;
    EXPECT_EQ(static_cast<std::size_t>(end - text), used) << text;
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(parsed)) << text;
    } else {
      EXPECT_EQ(0, std::memcmp(&expected, &parsed, sizeof parsed)) << text << " " << parsed;
    }
    const float expectedFloat = std::strtof(text, nullptr);
    float parsedFloat = -1.0f;
    ParseFloat(text, parsedFloat);
    if (!std::isnan(expectedFloat)) {
      EXPECT_EQ(expectedFloat, parsedFloat) << text;
    }
  }
}

}  // namespace
