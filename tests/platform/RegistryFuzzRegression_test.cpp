// Replays the registry fuzzer's saved inputs through the registry file reader and KRegKey.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "RegistryEnv.h"

#include <ktpm/platform/KRegKey.h>

namespace {

int CountKeys(KRegKey& key, int depth) {
  int count = 1;
  std::string value;
  for (const char* name : {"Local1", "Remote1", "x"}) {
    if (key.QueryString(name, value) != 0) {
      EXPECT_LT(value.size(), static_cast<std::size_t>(KRegKey::kBufferSize));
    }
  }
  if (depth == 6) return count;
  for (int index = 0; const char* name = key.EnumSubKey(index); ++index) {
    KRegKey subKey = key.OpenSubKey(name);
    EXPECT_EQ(subKey.IsOpen(), 1) << name;
    count += CountKeys(subKey, depth + 1);
  }
  return count;
}

TEST(RegistryFuzzRegression, SavedInputsReadSafely) {
  const std::filesystem::path corpus =
      std::filesystem::path(KTPM_SOURCE_DIR) / "fuzz/corpus/platform_registry_fuzzer";
  ktpm::test::RegistryFileGuard registry;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    registry.Write(ktpm::test::ReadFile(entry.path().string()));
    KRegKey root(HKEY_LOCAL_MACHINE);
    EXPECT_GE(CountKeys(root, 0), 1) << entry.path();
    ++files;
  }
  EXPECT_GE(files, 3);
}

TEST(RegistryFuzzRegression, OddSectionNamesGiveTheExpectedKeys) {
  ktpm::test::RegistryFileGuard registry;
  registry.Write(ktpm::test::ReadFile(std::string(KTPM_SOURCE_DIR) +
                                      "/fuzz/corpus/platform_registry_fuzzer/odd_sections.ini"));
  KRegKey a = KRegKey(HKEY_LOCAL_MACHINE).OpenSubKey("a");
  ASSERT_EQ(a.IsOpen(), 1);
  ASSERT_NE(a.EnumSubKey(0), nullptr);
  EXPECT_STREQ(a.EnumSubKey(0), "B");
  EXPECT_EQ(a.EnumSubKey(1), nullptr);
  KRegKey b = a.OpenSubKey("b");
  std::string value;
  // "[A\\B\]" and "[A\B]" name the same key; the value after a null byte is cut there.
  ASSERT_EQ(b.QueryString("X", value), 1);
  EXPECT_EQ(value, "");
  ASSERT_EQ(b.QueryString("local1", value), 1);
  EXPECT_EQ(value, "spaced");
}

}  // namespace
