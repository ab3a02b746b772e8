#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <ktpm/platform/CommandLine.h>

namespace ktpm::detail {
namespace {

using Arguments = std::vector<std::string>;

struct SplitCase {
  const char* line;
  Arguments expected;
};

// The Windows rules: blanks separate, quotes group, backslashes only escape before a quote.
TEST(CommandLine, SplitsByTheWindowsRules) {
  const SplitCase cases[] = {
      {"prog a b", {"prog", "a", "b"}},
      {"  prog \t a   b  ", {"prog", "a", "b"}},
      {"prog \"a b\" c", {"prog", "a b", "c"}},
      {"prog a\"b c\"d", {"prog", "ab cd"}},
      {"prog a\\b c\\\\d", {"prog", "a\\b", "c\\\\d"}},
      {"prog a\\\"b", {"prog", "a\"b"}},
      {"prog a\\\\\"b c\"", {"prog", "a\\b c"}},
      {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},
      {"prog \"a\\\\\"", {"prog", "a\\"}},
      {"prog a\\", {"prog", "a\\"}},
      {"prog \"\" x", {"prog", "", "x"}},
      {"prog \"\"", {"prog", ""}},
      {"prog \"a\"\"b\"", {"prog", "a\"b"}},
      {"prog \"x; rm -rf ~\" $(touch f)", {"prog", "x; rm -rf ~", "$(touch", "f)"}},
      {"\"C:\\Program Files\\kt\\ktl\" -input a.001",
       {"C:\\Program Files\\kt\\ktl", "-input", "a.001"}},
      {"dir\\prog\\ x", {"dir\\prog\\", "x"}},
      {"ktmesh3d \"part 1.ktl\"", {"ktmesh3d", "part 1.ktl"}},
  };
  for (const SplitCase& c : cases) {
    SplitCommandLineResult result = SplitCommandLine(c.line);
    EXPECT_EQ(result.error, "") << c.line;
    EXPECT_EQ(result.arguments, c.expected) << c.line;
  }
}

TEST(CommandLine, BlankLineGivesNoArguments) {
  for (const char* line : {"", "   ", "\t \t"}) {
    SplitCommandLineResult result = SplitCommandLine(line);
    EXPECT_TRUE(result.arguments.empty()) << '"' << line << '"';
    EXPECT_EQ(result.error, "");
  }
}

TEST(CommandLine, UnbalancedQuotesAreRefused) {
  for (const char* line : {"prog \"a b", "\"prog a", "prog a\\\\\"b", "prog \"a\\\"\"\""}) {
    SplitCommandLineResult result = SplitCommandLine(line);
    EXPECT_TRUE(result.arguments.empty()) << line;
    EXPECT_EQ(result.error, "unbalanced double quotes in the command line") << line;
  }
}

TEST(CommandLine, QuotedArgumentsSplitBackUnchanged) {
  const Arguments arguments = {"plain",    "",          "two words",   "say \"hi\"", "ends\\",
                               "a\\\\\"b", "tab\there", "x; rm -rf ~", "$(touch f)", "\\\\"};
  std::string line = "prog";
  for (const std::string& argument : arguments) line += " " + QuoteCommandLineArgument(argument);
  SplitCommandLineResult result = SplitCommandLine(line);
  ASSERT_EQ(result.error, "");
  Arguments expected = {"prog"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(result.arguments, expected);
  EXPECT_EQ(QuoteCommandLineArgument("plain"), "plain");
  EXPECT_EQ(QuoteCommandLineArgument("a b\\"), "\"a b\\\\\"");
}

}  // namespace
}  // namespace ktpm::detail
