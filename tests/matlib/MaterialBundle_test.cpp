#include <gtest/gtest.h>

#include <ktpm/matlib/MaterialBundle.h>

namespace ktpm::detail {
namespace {

std::string Describe(const MaterialEntry& entry) {
  const KMaterialRecord& r = entry.record;
  std::string text = r.databaseType + "|" + r.supplier + "|" + r.grade + "|" + r.manufacturer +
                     "|" + r.tradeName + "|" + r.family + "|" + entry.filler;
  for (const auto& [keyword, value] : entry.keywords) text += "|" + keyword + "=" + value;
  return text;
}

TEST(MaterialBundle, GradesReadBackExactlyWhateverTheirText) {
  MaterialEntry odd;
  odd.record.databaseType = "USER";
  odd.record.supplier = "Caf\xe9";
  odd.record.grade = "back\\slash: and\nnewline";
  odd.record.manufacturer = " leading blank";
  odd.filler = "tab\there\r";
  odd.keywords = {{"MATERIAL_NOTE", "ends in \\"},
                  {"#hash:colon", ""},
                  {"", "no keyword"},
                  {"\x7f\x01", "\\x41"}};
  MaterialEntry plain;
  plain.record.supplier = "S";
  plain.record.grade = "G";
  std::vector<MaterialEntry> read;
  std::string error;
  ASSERT_TRUE(ParseMaterialBundle(FormatMaterialBundle({odd, plain}), read, &error)) << error;
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(Describe(read[0]), Describe(odd));
  EXPECT_EQ(Describe(read[1]), Describe(plain));
}

TEST(MaterialBundle, WhatIsNotAnEntryIsRefusedWithItsLine) {
  const std::string header = std::string(kMaterialBundleHeader) + "\n";
  const std::pair<std::string, std::string> cases[] = {
      {"MATERIAL_SUPPLIER: S\nno colon\n", "line 3: not a \"KEYWORD: value\" entry"},
      {"MATERIAL_SUPPLIER: S\nMATERIAL_GRADE: bad \\q\n", "line 3: not a \"KEYWORD: value\" entry"},
      {"MATERIAL_SUPPLIER: S\nMATERIAL_GRADE: \\x4\n", "line 3: not a \"KEYWORD: value\" entry"},
      {"MATERIAL_SUPPLIER: S\nMATERIAL_GRADE: G\n\n# next\nMATERIAL_GRADE: H\n",
       "line 6: the grade names no supplier and grade"},
  };
  for (const auto& [body, reason] : cases) {
    std::vector<MaterialEntry> read;
    std::string error;
    EXPECT_FALSE(ParseMaterialBundle(header + body, read, &error)) << body;
    EXPECT_EQ(error, reason) << body;
  }
}

}  // namespace
}  // namespace ktpm::detail
