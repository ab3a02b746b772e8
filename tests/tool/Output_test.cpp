#include "Output.h"

#include <gtest/gtest.h>

#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace {

using ktpm::tool::DumpJson;
using ktpm::tool::EscapeText;
using ktpm::tool::TextTable;
using ktpm::tool::ValidUtf8;

const std::string kReplacement = "\xEF\xBF\xBD";

struct TextCase {
  std::string text;
  std::string validUtf8;
  std::string escaped;
};

TEST(Output, NamesAsValidUtf8AndAsOneLineOfText) {
  const TextCase cases[] = {
      {"plain.ktl", "plain.ktl", "plain.ktl"},
      {"caf\xC3\xA9.ktl", "caf\xC3\xA9.ktl", "caf\xC3\xA9.ktl"},
      {"caf\xE9.ktl", "caf" + kReplacement + ".ktl", "caf\\xE9.ktl"},
      {"a\nb\tc\rd\\e", "a\nb\tc\rd\\e", "a\\nb\\tc\\rd\\\\e"},
      {std::string("\x01\x7F\x00", 3), std::string("\x01\x7F\x00", 3), "\\x01\\x7F\\x00"},
      {"\xC2\x85", "\xC2\x85", "\\u0085"},
      // A cut sequence is one replacement; surrogates, overlong forms and code points above
      // U+10FFFF are one per byte.
      {"\xE2\x82", kReplacement, "\\xE2\\x82"},
      {"\xED\xA0\x80", kReplacement + kReplacement + kReplacement, "\\xED\\xA0\\x80"},
      {"\xC0\xAF", kReplacement + kReplacement, "\\xC0\\xAF"},
      {"\xF4\x90\x80\x80x", kReplacement + kReplacement + kReplacement + kReplacement + "x",
       "\\xF4\\x90\\x80\\x80x"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(ValidUtf8(c.text), c.validUtf8) << EscapeText(c.text);
    EXPECT_EQ(EscapeText(c.text), c.escaped) << c.escaped;
  }
}

TEST(Output, JsonReplacesBytesThatAreNotUtf8InKeysAndValues) {
  const nlohmann::json value = {{"path", "caf\xE9"}, {"files", {"a\xFF"}}, {"k\xE9y", 1}};
  const std::string text = DumpJson(value, -1);
  ASSERT_TRUE(nlohmann::json::accept(text)) << text;
  const nlohmann::json back = nlohmann::json::parse(text);
  EXPECT_EQ(back["path"], "caf" + kReplacement);
  EXPECT_EQ(back["files"][0], "a" + kReplacement);
  EXPECT_EQ(back["k" + kReplacement + "y"], 1);
}

TEST(Output, TableColumnsAreAsWideAsTheirWidestCharacters) {
  TextTable table({"NAME", "KIND"});
  table.AddRow({"caf\xC3\xA9", "Mesh"});
  table.AddRow({"two\nlines", "-"});
  table.AddLine("  file: a\tb");
  std::ostringstream out;
  std::streambuf* previous = std::cout.rdbuf(out.rdbuf());
  table.Print();
  std::cout.rdbuf(previous);
  EXPECT_EQ(out.str(),
            "NAME        KIND\n"
            "caf\xC3\xA9        Mesh\n"
            "two\\nlines  -\n"
            "  file: a\\tb\n");
}

}  // namespace
