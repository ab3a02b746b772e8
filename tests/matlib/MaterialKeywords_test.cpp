#include <gtest/gtest.h>

#include <ktpm/matlib/MaterialKeywords.h>

namespace ktpm::detail {
namespace {

TEST(MaterialKeywords, AMaterialFileCarriesTheIdentityFirstAndSkipsEmptyFields) {
  MaterialEntry entry;
  entry.record.databaseType = "THERMOPLASTIC";
  entry.record.supplier = "Generic";
  entry.record.grade = "Line\r\nbreak";
  entry.record.family = "PP";
  entry.keywords = {{"MATERIAL_RECOMMENDED_MELT_TEMPERATURE_DEFAULT", "230"},
                    {"PLASTIC_MODEL", "stale.ktl"},
                    {"MATERIAL_SUPPLIER", "shadowed"},
                    {"MATERIAL_EMPTY", ""}};
  const MaterialKeywordList expected = {{"MATERIAL_DATABASE_TYPE", "THERMOPLASTIC"},
                                        {"MATERIAL_SUPPLIER", "Generic"},
                                        {"MATERIAL_GRADE", "Line  break"},
                                        {"MATERIAL_FAMILY", "PP"},
                                        {"MATERIAL_RECOMMENDED_MELT_TEMPERATURE_DEFAULT", "230"}};
  EXPECT_EQ(MaterialFileKeywords(entry), expected);
}

TEST(MaterialKeywords, KeywordsReadBackIntoTheSameEntry) {
  const MaterialKeywordList file = {{"PLASTIC_MODEL", "part.ktl"},
                                    {"MATERIAL_SUPPLIER", "S"},
                                    {"MATERIAL_GRADE", "G"},
                                    {"MATERIAL_MANUFACTURER", "M"},
                                    {"MATERIAL_TRADE_NAME", "T"},
                                    {"MATERIAL_FAMILY", "PA6"},
                                    {"MATERIAL_FILLER", "Glass fibre 30%"},
                                    {"MATERIAL_AVERAGE_FIBER_LENGTH", "0.3"}};
  const MaterialEntry entry = MaterialEntryFromKeywords(file);
  EXPECT_EQ(entry.record.supplier, "S");
  EXPECT_EQ(entry.record.tradeName, "T");
  EXPECT_EQ(entry.filler, "Glass fibre 30%");
  EXPECT_EQ(entry.keywords, (MaterialKeywordList{{"MATERIAL_AVERAGE_FIBER_LENGTH", "0.3"}}));
  EXPECT_EQ(MaterialFileKeywords(entry), MaterialKeywordList(file.begin() + 1, file.end()));
  EXPECT_TRUE(IsIdentityKeyword("MATERIAL_FILLER"));
  EXPECT_FALSE(IsIdentityKeyword("PLASTIC_MODEL"));
}

}  // namespace
}  // namespace ktpm::detail
