#include <gtest/gtest.h>

#include <ktpm/matlib/MaterialQuery.h>

namespace ktpm::detail {
namespace {

TEST(MaterialQuery, ContainsPatternEscapesEveryPatternCharacter) {
  EXPECT_EQ(ContainsPattern(""), "%%");
  EXPECT_EQ(ContainsPattern("30%"), "%30\\%%");
  EXPECT_EQ(ContainsPattern("a_b\\c"), "%a\\_b\\\\c%");
}

TEST(MaterialQuery, ValuesNeverBecomeSqlText) {
  const std::string hostile = "x'); DELETE FROM materials; --";
  MaterialQuery query;
  ASSERT_TRUE(query.Build({{"GRADE", "EQUALS", hostile},
                           {"TRADE_NAME", "CONTAINS", hostile},
                           {"ANY", "CONTAINS", hostile},
                           {"DATABASE_TYPE", "CONTAINS", hostile}},
                          {1, 2}, 10, nullptr));
  EXPECT_EQ(query.Sql().find("DELETE"), std::string::npos) << query.Sql();
  EXPECT_EQ(query.Sql().find(hostile.substr(0, 3)), std::string::npos);
}

TEST(MaterialQuery, SubstringsOfThreeAsciiCharactersUseTheTextIndex) {
  MaterialQuery query;
  ASSERT_TRUE(query.Build({{"GRADE", "CONTAINS", "abc"}}, {}, 0, nullptr));
  EXPECT_NE(query.Sql().find("material_text MATCH"), std::string::npos);
  for (const char* value : {"ab", "\xe4\xe4\xe4", ""}) {
    ASSERT_TRUE(query.Build({{"GRADE", "CONTAINS", value}}, {}, 0, nullptr));
    EXPECT_EQ(query.Sql().find("material_text"), std::string::npos) << value;
  }
  ASSERT_TRUE(query.Build({{"DATABASE_TYPE", "CONTAINS", "thermo"}}, {}, 0, nullptr));
  EXPECT_EQ(query.Sql().find("material_text"), std::string::npos);
}

TEST(MaterialQuery, UnknownFieldsAndOperatorsAreRefused) {
  MaterialQuery query;
  std::string error;
  EXPECT_FALSE(query.Build({{"GRADE", "EQUALS", "a"}, {"id", "EQUALS", "1"}}, {}, 0, &error));
  EXPECT_EQ(error, "unknown search field \"id\"");
  EXPECT_FALSE(query.Build({{"GRADE", "STARTS", "a"}}, {}, 0, &error));
  EXPECT_EQ(error, "unknown search operator \"STARTS\"");
  EXPECT_FALSE(query.Build({{"GRADES", "EQUALS", "a"}}, {}, 0, &error));
  EXPECT_FALSE(query.Build({{"GRAD", "EQUALS", "a"}}, {}, 0, &error));
}

}  // namespace
}  // namespace ktpm::detail
