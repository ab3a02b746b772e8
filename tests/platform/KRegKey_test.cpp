#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "RegistryEnv.h"

#include <ktpm/platform/KRegKey.h>

namespace {

using ktpm::test::RegistryFileGuard;

constexpr const char* kSample =
    "; job manager configuration\n"
    "[SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers\\hpc1\\DirMap]\n"
    "Local1 = /mnt/Projects \r\n"
    "Remote1=/home/projects\n"
    "[SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers\\PC2\\DirMap]\n"
    "Local1=/data\n"
    "[software\\keltravo\\keltravo job manager\\servers\\HPC1\\Other]\n"
    "[SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers\\zeta]\n"
    "garbage line without equals\n"
    "=nameless\n";

std::vector<std::string> SubKeys(KRegKey& key) {
  std::vector<std::string> names;
  for (int i = 0; const char* name = key.EnumSubKey(i); ++i) names.push_back(name);
  return names;
}

TEST(KRegKeyTest, OpensKeysAndQueriesValuesWithoutRegardToCase) {
  RegistryFileGuard registry;
  registry.Write(kSample);
  KRegKey machine(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(machine.IsOpen(), 1);
  KRegKey dirMap =
      machine.OpenSubKey("software\\KELTRAVO\\Keltravo Job Manager\\Servers\\Hpc1\\dirmap");
  ASSERT_EQ(dirMap.IsOpen(), 1);
  std::string value = "untouched";
  EXPECT_EQ(dirMap.QueryString("LOCAL1", value), 1);
  EXPECT_EQ(value, "/mnt/Projects");
  EXPECT_EQ(dirMap.QueryString("Remote1", value), 1);
  EXPECT_EQ(value, "/home/projects");
  EXPECT_EQ(dirMap.QueryString("Local2", value), 0);
  EXPECT_EQ(value, "/home/projects");
  EXPECT_EQ(dirMap.GetLastErrorCode(), KRegKey::kFileNotFound);

  KRegKey missing = machine.OpenSubKey("SOFTWARE\\Nobody");
  EXPECT_EQ(missing.IsOpen(), 0);
  EXPECT_EQ(machine.GetLastErrorCode(), KRegKey::kFileNotFound);
  EXPECT_EQ(missing.QueryString("x", value), 0);
  EXPECT_EQ(missing.EnumSubKey(0), nullptr);
  EXPECT_EQ(missing.OpenSubKey("x").IsOpen(), 0);
}

TEST(KRegKeyTest, SubKeysComeFromSectionNamesInFileOrder) {
  RegistryFileGuard registry;
  registry.Write(kSample);
  KRegKey servers =
      KRegKey(HKEY_LOCAL_MACHINE).OpenSubKey("SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers");
  ASSERT_EQ(servers.IsOpen(), 1);
  EXPECT_EQ(SubKeys(servers), (std::vector<std::string>{"hpc1", "PC2", "zeta"}));
  KRegKey hpc1 = servers.OpenSubKey("HPC1");
  EXPECT_EQ(SubKeys(hpc1), (std::vector<std::string>{"DirMap", "Other"}));
  EXPECT_EQ(servers.EnumSubKey(-1), nullptr);
  KRegKey root(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(SubKeys(root), (std::vector<std::string>{"SOFTWARE"}));
}

TEST(KRegKeyTest, WritesChangeOnlyTheirOwnLines) {
  RegistryFileGuard registry;
  registry.Write(kSample);
  KRegKey servers =
      KRegKey(HKEY_LOCAL_MACHINE).OpenSubKey("SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers");
  KRegKey dirMap = servers.OpenSubKey("HPC1\\DirMap");
  EXPECT_EQ(dirMap.SetString("LOCAL1", "/mnt/other"), 1);
  EXPECT_EQ(dirMap.SetString("Local2", "two\nlines"), 0);
  EXPECT_EQ(dirMap.GetLastErrorCode(), KRegKey::kAccessDenied);
  EXPECT_EQ(dirMap.DeleteValue("remote1"), 1);
  EXPECT_EQ(dirMap.DeleteValue("remote1"), 0);
  EXPECT_EQ(dirMap.GetLastErrorCode(), KRegKey::kFileNotFound);
  KRegKey added = servers.CreateSubKey("new\\DirMap");
  ASSERT_EQ(added.IsOpen(), 1);
  EXPECT_EQ(added.SetString("Local1", "/n"), 1);
  EXPECT_EQ(servers.DeleteSubKey("pc2"), 1);
  EXPECT_EQ(servers.DeleteSubKey("pc2"), 0);
  EXPECT_EQ(servers.DeleteSubKey(""), 0);

  EXPECT_EQ(ktpm::test::ReadFile(registry.path()),
            "; job manager configuration\n"
            "[SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers\\hpc1\\DirMap]\n"
            "Local1 = /mnt/other\r\n"
            "[software\\keltravo\\keltravo job manager\\servers\\HPC1\\Other]\n"
            "[SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers\\zeta]\n"
            "garbage line without equals\n"
            "=nameless\n"
            "\n"
            "[SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers\\new\\DirMap]\n"
            "Local1=/n\n");
  std::string value;
  EXPECT_EQ(dirMap.QueryString("Local1", value), 1);
  EXPECT_EQ(value, "/mnt/other");
  EXPECT_EQ(SubKeys(servers), (std::vector<std::string>{"hpc1", "zeta", "new"}));
}

TEST(KRegKeyTest, ValuesMustFitTheBuffer) {
  RegistryFileGuard registry;
  const std::string fits(260, 'f');
  const std::string tooLong(261, 'l');
  registry.Write("[K]\nFits=" + fits + "\nLong=" + tooLong + "\n[K\\" + tooLong + "]\n[K\\b]\n");
  KRegKey key = KRegKey(HKEY_LOCAL_MACHINE).OpenSubKey("K");
  std::string value;
  EXPECT_EQ(key.QueryString("Fits", value), 1);
  EXPECT_EQ(value, fits);
  EXPECT_EQ(key.QueryString("Long", value), 0);
  EXPECT_EQ(key.GetLastErrorCode(), KRegKey::kMoreData);
  EXPECT_EQ(value, fits);
  // A subkey name that does not fit ends the enumeration there.
  EXPECT_EQ(key.EnumSubKey(0), nullptr);
  ASSERT_NE(key.EnumSubKey(1), nullptr);
  EXPECT_STREQ(key.EnumSubKey(1), "b");
}

TEST(KRegKeyTest, FileIsReadAgainWhenItChanges) {
  RegistryFileGuard registry;
  registry.Write("[K]\nV=1\n");
  KRegKey key = KRegKey(HKEY_LOCAL_MACHINE).OpenSubKey("K");
  std::string value;
  ASSERT_EQ(key.QueryString("V", value), 1);
  EXPECT_EQ(value, "1");
  registry.Write("[K]\nV=2\n");
  ASSERT_EQ(key.QueryString("V", value), 1);
  EXPECT_EQ(value, "2");
  // Rewritten in place with the same size, within the same timestamp tick.
  ktpm::test::WriteFile(registry.path(), "[K]\nV=3\n");
  ASSERT_EQ(key.QueryString("V", value), 1);
  EXPECT_EQ(value, "3");
  ::unlink(registry.path().c_str());
  EXPECT_EQ(key.QueryString("V", value), 0);
  EXPECT_EQ(KRegKey(HKEY_LOCAL_MACHINE).OpenSubKey("K").IsOpen(), 0);
}

TEST(KRegKeyTest, CopiesShareTheHandleUntilTheLastRelease) {
  RegistryFileGuard registry;
  registry.Write("[A\\B]\nV=x\n");
  KRegKey key = KRegKey(HKEY_LOCAL_MACHINE).OpenSubKey("A");
  KRegKey copy = key;
  key.Release();
  EXPECT_EQ(key.IsOpen(), 0);
  key.Release();  // a second release of the same object does nothing
  EXPECT_EQ(copy.IsOpen(), 1);
  ASSERT_NE(copy.EnumSubKey(0), nullptr);
  EXPECT_STREQ(copy.EnumSubKey(0), "B");
  KRegKey assigned(HKEY_LOCAL_MACHINE);
  assigned = copy;
  KRegKey& self = assigned;
  assigned = self;
  KRegKey moved = std::move(copy);
  EXPECT_EQ(moved.IsOpen(), 1);
  EXPECT_EQ(assigned.IsOpen(), 1);
  EXPECT_EQ(copy.IsOpen(), 0);
}

TEST(KRegKeyTest, CopiesAreReleasedConcurrently) {
  RegistryFileGuard registry;
  registry.Write("[A\\B]\nV=x\n");
  for (int round = 0; round < 20; ++round) {
    KRegKey key = KRegKey(HKEY_LOCAL_MACHINE).OpenSubKey("A\\B");
    std::vector<KRegKey> copies(8, key);
    key.Release();
    std::vector<std::thread> threads;
    for (KRegKey& copy : copies) {
      threads.emplace_back([&copy] {
        std::string value;
        EXPECT_EQ(copy.QueryString("V", value), 1);
        copy.Release();
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
}

TEST(KRegKeyTest, MissingFileHasOnlyTheRoot) {
  RegistryFileGuard registry;
  KRegKey root(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(root.IsOpen(), 1);
  EXPECT_EQ(root.EnumSubKey(0), nullptr);
  EXPECT_EQ(root.OpenSubKey("SOFTWARE").IsOpen(), 0);
}

}  // namespace
