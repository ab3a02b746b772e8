#include <gtest/gtest.h>

#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/platform/Resources.h>

namespace {

class MaterialPrefsTest : public ::testing::Test {
 protected:
  void TearDown() override { WriteProfileString("Materials", "NameByManufacturer", ""); }
};

TEST_F(MaterialPrefsTest, MaterialsAreNamedBySupplierAndGradeUntilTheUserChooses) {
  EXPECT_EQ(KMatPrefs::GetMaterialPrefences(), 0);
  ASSERT_EQ(KMatPrefs::SetMaterialPrefences(1), 1);
  EXPECT_EQ(GetProfileString("Materials", "NameByManufacturer", ""), "1");
  EXPECT_EQ(KMatPrefs::GetMaterialPrefences(), 1);
  ASSERT_EQ(KMatPrefs::SetMaterialPrefences(0), 1);
  EXPECT_EQ(KMatPrefs::GetMaterialPrefences(), 0);
}

TEST_F(MaterialPrefsTest, AnythingButOneInTheProfileMeansSupplierAndGrade) {
  for (const char* value : {"yes", "2", "-1", "01", "true"}) {
    WriteProfileString("Materials", "NameByManufacturer", value);
    EXPECT_EQ(KMatPrefs::GetMaterialPrefences(), 0) << value;
  }
}

}  // namespace
