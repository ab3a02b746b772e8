#include <gtest/gtest.h>

#include <ktpm/platform/MountTable.h>
#include <ktpm/platform/NetworkNames.h>

namespace {

using ktpm::detail::FindMountOf;
using ktpm::detail::MountEntry;
using ktpm::detail::ParseMountTable;

constexpr const char* kTable =
    "/dev/sda1 / ext4 rw 0 0\n"
    "srv:/export /mnt/nfs nfs4 rw 0 0\n"
    "//winsrv/share /mnt/win cifs rw 0 0\n"
    "//winsrv/share2 /mnt/with\\040space smb3 rw 0 0\n"
    "tmpfs /mnt/nfs/tmp tmpfs rw 0 0\n"
    "broken\n";

TEST(MountTableTest, ParsesAndFindsTheLongestMountPoint) {
  const auto mounts = ParseMountTable(kTable);
  ASSERT_EQ(mounts.size(), 5u);
  EXPECT_EQ(mounts[3].mountPoint, "/mnt/with space");
  EXPECT_EQ(FindMountOf(mounts, "/mnt/nfs/a")->type, "nfs4");
  EXPECT_EQ(FindMountOf(mounts, "/mnt/nfs")->type, "nfs4");
  EXPECT_EQ(FindMountOf(mounts, "/mnt/nfsx/a")->type, "ext4");
  EXPECT_EQ(FindMountOf(mounts, "/mnt/nfs/tmp/a")->type, "tmpfs");
  EXPECT_EQ(FindMountOf({}, "/x"), nullptr);
}

TEST(MountTableTest, DefaultServiceNamesSharesAndProviders) {
  const auto mounts = std::make_shared<const std::vector<MountEntry>>(ParseMountTable(kTable));
  auto service = ktpm::detail::MakeMountTableNetworkNames([&] { return mounts; });

  EXPECT_EQ(service->GetUniversalName("/home/a.kwd").ok, 0);
  EXPECT_EQ(service->GetUniversalName("/mnt/nfs/tmp/a.kwd").ok, 0);
  const KUniversalName nfs = service->GetUniversalName("/mnt/nfs/proj/a.kwd");
  EXPECT_EQ(nfs.ok, 1);
  EXPECT_EQ(nfs.universalName, "srv:/export/proj/a.kwd");
  const KUniversalName cifs = service->GetUniversalName("/mnt/with space/b");
  EXPECT_EQ(cifs.universalName, "//winsrv/share2/b");

  const KNetworkResource unix = service->GetResourceInformation(nfs.universalName);
  EXPECT_EQ(unix.ok, 1);
  EXPECT_EQ(unix.remoteName, "srv:/export");
  EXPECT_EQ(unix.provider, "NFS");
  const KNetworkResource windows = service->GetResourceInformation("\\\\winsrv\\share2\\b");
  EXPECT_EQ(windows.remoteName, "//winsrv/share2");
  EXPECT_EQ(windows.provider, "Microsoft Windows Network");
  EXPECT_EQ(service->GetResourceInformation("//winsrv/share3/x").ok, 0);
}

TEST(MountTableTest, ProcessMountTableHoldsTheRoot) {
  const ktpm::detail::MountTable mounts = ktpm::detail::GetMountTable();
  ASSERT_NE(mounts, nullptr);
  const MountEntry* root = FindMountOf(*mounts, "/");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->mountPoint, "/");
}

}  // namespace
