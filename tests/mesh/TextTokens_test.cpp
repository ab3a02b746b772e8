#include <gtest/gtest.h>

#include <cmath>

#include <ktpm/mesh/TextTokens.h>

using ktpm::detail::ParseInt;
using ktpm::detail::ParseReal;
using ktpm::detail::TokenCursor;

TEST(TextTokens, CursorStepsOverTheDelimiterThatEndsAToken) {
  TokenCursor cursor("  *MODEL\tname  rest \t");
  std::string_view token;
  ASSERT_TRUE(cursor.Next(" \t", token));
  EXPECT_EQ("*MODEL", token);
  EXPECT_EQ("name  rest \t", cursor.Rest());
  ASSERT_TRUE(cursor.Next(" ", token));
  EXPECT_EQ("name", token);
  ASSERT_TRUE(cursor.Next(" ", token));
  EXPECT_EQ("rest", token);
  ASSERT_TRUE(cursor.Next(" ", token));
  EXPECT_EQ("\t", token);
  EXPECT_FALSE(cursor.Next(" ", token));
  EXPECT_FALSE(TokenCursor("").Next(" ", token));
  EXPECT_FALSE(TokenCursor(" \r\n").Next(ktpm::detail::kWhiteSpace, token));
}

TEST(TextTokens, IntegersConvertLikeTheCLibrary) {
  EXPECT_EQ(42, ParseInt("  42abc"));
  EXPECT_EQ(-7, ParseInt("\t-7"));
  EXPECT_EQ(3, ParseInt("+3"));
  EXPECT_EQ(0, ParseInt("abc"));
  EXPECT_EQ(0, ParseInt(""));
  EXPECT_EQ(0, ParseInt("-"));
  EXPECT_EQ(1, ParseInt("1\t2"));
  EXPECT_EQ(2147483647, ParseInt("99999999999999999999"));
  EXPECT_EQ(-2147483647 - 1, ParseInt("-99999999999999999999"));
  EXPECT_EQ(-2147483647 - 1, ParseInt("-2147483648"));
}

TEST(TextTokens, RealsConvertLikeTheCLibrary) {
  EXPECT_EQ(1.5, ParseReal(" 1.5xyz"));
  EXPECT_EQ(-250.0, ParseReal("-2.5e2"));
  EXPECT_EQ(0.5, ParseReal("+.5"));
  EXPECT_EQ(0.0, ParseReal("e5"));
  EXPECT_EQ(0.0, ParseReal("+-1"));
  EXPECT_EQ(3.0, ParseReal("3\t4"));
  EXPECT_TRUE(std::isinf(ParseReal("1e999")));
  EXPECT_EQ(0.0, ParseReal("1e-999"));
  EXPECT_TRUE(std::isnan(ParseReal("nan")));
}
