#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <ktpm/platform/Resources.h>

namespace {

class ProfileFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ktpm-profile-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_dir = pattern;
    setenv("KT_PROFILE_FILE", (m_dir + "/sub/profile.ini").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KT_PROFILE_FILE");
    std::filesystem::remove_all(m_dir);
  }
  std::string m_dir;
};

}  // namespace

TEST(Resources, BuiltInAndReplacedStrings) {
  EXPECT_EQ(GetResourceString(18068), "%.2f%% full");
  EXPECT_EQ(GetResourceString(18273), "TESSARA");
  EXPECT_EQ(GetResourceString(1), "");
  SetResourceString(18114, "Bericht");
  EXPECT_EQ(GetResourceString(18114), "Bericht");
  SetResourceString(18114, "Report");
}

TEST(Resources, MessageBoxGoesToTheHandler) {
  std::string seen;
  SetMessageBoxHandler(
      [&](const std::string& text, const std::string& caption) { seen = caption + "|" + text; });
  ShowMessageBox("Cannot open file", "Mesh");
  EXPECT_EQ(seen, "Mesh|Cannot open file");
  SetMessageBoxHandler(nullptr);
}

TEST_F(ProfileFile, WritesAndReadsBackWithoutRegardToCase) {
  EXPECT_EQ(GetProfileString("Locations", "MachineDBPath", "none"), "none");
  EXPECT_EQ(WriteProfileString("Locations", "MachineDBPath", "/data/machines"), 1);
  EXPECT_EQ(WriteProfileString("Other", "Key", "v"), 1);
  EXPECT_EQ(GetProfileString("locations", "machinedbpath", ""), "/data/machines");
  EXPECT_EQ(WriteProfileString("LOCATIONS", "MachineDBPath", "/elsewhere"), 1);
  EXPECT_EQ(GetProfileString("Locations", "MachineDBPath", ""), "/elsewhere");
  EXPECT_EQ(GetProfileString("Other", "Key", ""), "v");
}

TEST_F(ProfileFile, DamagedProfileReadsWhatItCan) {
  std::filesystem::create_directories(m_dir + "/sub");
  const char text[] = "garbage\0line\n[Locations]\r\nMachineDBPath = /m \r\nno equals\n";
  std::ofstream(m_dir + "/sub/profile.ini", std::ios::binary) << std::string(text, sizeof text - 1);
  EXPECT_EQ(GetProfileString("Locations", "MachineDBPath", ""), "/m");
}
