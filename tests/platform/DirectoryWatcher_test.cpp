// The platform's directory watcher on real directories.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TempDir.h"

#include <ktpm/platform/DirectoryWatcher.h>
#include <ktpm/platform/KEvent.h>

namespace {

using ktpm::detail::CreateDirectoryWatcher;
using ktpm::detail::DirectoryWatcher;
namespace fs = std::filesystem;

void Touch(const fs::path& path) { std::ofstream(path) << "x"; }

}  // namespace

// A project reached through a symbolic link is watched where the link leads, subdirectories
// included.
TEST(DirectoryWatcher, WatchesTheDirectoryASymbolicLinkLeadsTo) {
  ktpm::test::TempDir temp;
  const fs::path real = fs::path(temp.path()) / "real";
  fs::create_directories(real / "sub");
  fs::create_directory_symlink(real, fs::path(temp.path()) / "link");
  auto watcher = CreateDirectoryWatcher();
  ktpm::detail::KEvent stop;
  ASSERT_TRUE(watcher->Start(temp.path() + "/link"));
  EXPECT_TRUE(watcher->TakeProblems().empty());
  EXPECT_EQ(watcher->WatchCount(), 2u);
  Touch(real / "sub" / "new.stl");
  EXPECT_EQ(watcher->Wait(stop, 10000), DirectoryWatcher::WaitResult::kChanged);
}
