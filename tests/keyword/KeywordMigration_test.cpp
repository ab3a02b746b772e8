#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "KeywordTestSupport.h"

#include <ktpm/keyword/KKeywordFile.h>

namespace {

using ktpm::test::LoadAndSave;
using ktpm::test::ReadFileBytes;
using ktpm::test::TempDir;

// Runs MigrateKeyword on one entry of an empty object; returns the converted pair.
std::pair<std::string, std::string> Migrate(std::string keyword, std::string value) {
  KKeywordFile keywords;
  keywords.MigrateKeyword(keyword, value);
  return {keyword, value};
}

using Entry = std::pair<std::string, std::string>;

TEST(KeywordMigration, AnalysisTypeLeavesTheAim) {
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir, "3DFLOW_ANALYSIS_AIM: FAST_FILL\n"),
            "3DFLOW_ANALYSIS_TYPE: FAST\n3DFLOW_ANALYSIS_AIM: FILL\n");
  EXPECT_EQ(LoadAndSave(dir, "3DFLOW_ANALYSIS_AIM: FLOWCHECK_FILL_PACK\n"),
            "3DFLOW_ANALYSIS_TYPE: FLOWCHECK\n3DFLOW_ANALYSIS_AIM: FILL_PACK\n");
  EXPECT_EQ(LoadAndSave(dir, "3DFLOW_ANALYSIS_AIM: MULTI_PACK\n"),
            "3DFLOW_ANALYSIS_TYPE: MULTI\n3DFLOW_ANALYSIS_AIM: PACK\n");
}

TEST(KeywordMigration, AsymmetricAimLosesSixMoreCharacters) {
  EXPECT_EQ(Migrate("3DFLOW_ANALYSIS_AIM", "ASYMMETRIC_SHEAR_FILL"),
            (Entry{"3DFLOW_ANALYSIS_AIM", "FILL"}));
  EXPECT_EQ(Migrate("3DFLOW_ANALYSIS_AIM", "ASYMMETRIC_AB"), (Entry{"3DFLOW_ANALYSIS_AIM", ""}));
  KKeywordFile keywords;
  std::string keyword = "3DFLOW_ANALYSIS_AIM";
  std::string value = "ASYMMETRIC_SHEAR_PACK";
  keywords.MigrateKeyword(keyword, value);
  EXPECT_EQ(keywords.GetValue("3DFLOW_ANALYSIS_TYPE"), "ASYMMETRIC");
}

TEST(KeywordMigration, OtherAimsStayAsTheyAre) {
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir, "3DFLOW_ANALYSIS_AIM: FILL_PACK\n3DFLOW_ANALYSIS_AIM_X: FAST_Y\n"),
            "3DFLOW_ANALYSIS_AIM: FILL_PACK\n3DFLOW_ANALYSIS_AIM_X: FAST_Y\n");
  EXPECT_EQ(Migrate("3DFLOW_ANALYSIS_AIM", "fast_FILL"),
            (Entry{"3DFLOW_ANALYSIS_AIM", "fast_FILL"}));
}

TEST(KeywordMigration, PackProfileBecomesPressureControlProfile) {
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir, "3DFLOW_PACK_PROFILE: 0 80 10 80\n"),
            "3DFLOW_PRESSURE_CONTROL_PROFILE: PRESSURE\n"
            "3DFLOW_PRESSURE_CONTROL_PROFILE_PRESSURE: 0 80 10 80\n");
}

TEST(KeywordMigration, FillPressureControlKeywords) {
  EXPECT_EQ(Migrate("3DFLOW_FILL_INJECTION_PROFILE_RESCALE", "1"),
            (Entry{"3DFLOW_FILL_INJECTION_PROFILE_RESCALE", "1"}));
  EXPECT_EQ(Migrate("3DFLOW_FILL_PRESSURE_CONTROL_STATUS", "ON"),
            (Entry{"3DFLOW_PRESSURE_CONTROL_STATUS", "ON"}));
  EXPECT_EQ(Migrate("3DFLOW_FILL_PRESSURE_CONTROL_CHANGE_OVER", "AUTOMATIC"),
            (Entry{"3DFLOW_PRESSURE_CONTROL", "FACTOR"}));
  EXPECT_EQ(Migrate("3DFLOW_FILL_PRESSURE_CONTROL_CHANGE_OVER", "VOLUME"),
            (Entry{"3DFLOW_PRESSURE_CONTROL", "VOLUME"}));
  EXPECT_EQ(Migrate("3DFLOW_FILL_PRESSURE_CONTROL_CHANGE_OVER_AUTOMATIC", "99"),
            (Entry{"3DFLOW_PRESSURE_CONTROL_FACTOR", "99"}));
  EXPECT_EQ(Migrate("3DFLOW_FILL_PRESSURE_CONTROL_CHANGE_OVER_VOLUME", "AUTOMATIC"),
            (Entry{"3DFLOW_PRESSURE_CONTROL_VOLUME", "AUTOMATIC"}));
  EXPECT_EQ(Migrate("3DFLOW_FILL_PRESSURE_CONTROL", "1"),
            (Entry{"3DFLOW_VELOCITY_PRESSURE_TRANSITION", "1"}));
  EXPECT_EQ(Migrate("3DFLOW_FILL_PRESSURE_CONTROL_STATUS_OLD", "1"),
            (Entry{"3DFLOW_VELOCITY_PRESSURE_TRANSITION_STATUS_OLD", "1"}));
}

TEST(KeywordMigration, LeavesOtherKeywordsAlone) {
  EXPECT_EQ(Migrate("3DFLOW_FILL_PRESSURE_CONTROL_RANGE", "1"),
            (Entry{"3DFLOW_FILL_PRESSURE_CONTROL_RANGE", "1"}));
  EXPECT_EQ(Migrate("3DFLOW_PACK_PROFILE_RANGE", "1"), (Entry{"3DFLOW_PACK_PROFILE_RANGE", "1"}));
  EXPECT_EQ(Migrate("3dflow_fill_pressure_control", "1"),
            (Entry{"3dflow_fill_pressure_control", "1"}));
  EXPECT_EQ(Migrate("X3DFLOW_FILL_PRESSURE_CONTROL", "1"),
            (Entry{"X3DFLOW_FILL_PRESSURE_CONTROL", "1"}));
  EXPECT_EQ(Migrate(" 3DFLOW_PACK_PROFILE", "1"), (Entry{" 3DFLOW_PACK_PROFILE", "1"}));
}

TEST(KeywordMigration, LaterLineWinsWhenOldAndNewFormsMeet) {
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir,
                        "3DFLOW_PRESSURE_CONTROL_STATUS: NEW\n"
                        "3DFLOW_FILL_PRESSURE_CONTROL_STATUS: OLD\n"),
            "3DFLOW_PRESSURE_CONTROL_STATUS: OLD\n");
  EXPECT_EQ(LoadAndSave(dir,
                        "3DFLOW_FILL_PRESSURE_CONTROL_STATUS: OLD\n"
                        "3DFLOW_PRESSURE_CONTROL_STATUS: NEW\n"),
            "3DFLOW_PRESSURE_CONTROL_STATUS: NEW\n");
}

TEST(KeywordMigration, SavedFileHoldsOnlyCurrentKeywords) {
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir,
                        "3DFLOW_ANALYSIS_AIM: FAST_FILL\n"
                        "3DFLOW_FILL_PRESSURE_CONTROL_CHANGE_OVER: AUTOMATIC\n"
                        "3DFLOW_FILL_PRESSURE_CONTROL_CHANGE_OVER_AUTOMATIC: 98\n"
                        "3DFLOW_FILL_PRESSURE_CONTROL_TIME: 2.5\n"
                        "3DFLOW_MELT_TEMPERATURE: 230\n"),
            "3DFLOW_ANALYSIS_TYPE: FAST\n"
            "3DFLOW_ANALYSIS_AIM: FILL\n"
            "3DFLOW_PRESSURE_CONTROL: FACTOR\n"
            "3DFLOW_PRESSURE_CONTROL_FACTOR: 98\n"
            "3DFLOW_VELOCITY_PRESSURE_TRANSITION_TIME: 2.5\n"
            "3DFLOW_MELT_TEMPERATURE: 230\n");
}

// Migration sees the joined value and runs after the unset marker test.
TEST(KeywordMigration, RunsOnJoinedValuesAndNotOnUnsetLines) {
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir,
                        "3DFLOW_ANALYSIS_AIM: FAST_\\\nFILL\n"
                        "3DFLOW_PACK_PROFILE: -16384\n"),
            "3DFLOW_ANALYSIS_TYPE: FAST\n3DFLOW_ANALYSIS_AIM: \\\nFILL\n");
}

}  // namespace
