#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "TempDir.h"

#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/MappedFile.h>

namespace {

using ktpm::detail::ReplaceFileContents;
using ktpm::test::ReadFile;
using ktpm::test::TempDir;
using ktpm::test::WriteFile;

mode_t ModeOf(const std::string& path) {
  struct stat status {};
  ::stat(path.c_str(), &status);
  return status.st_mode & 07777;
}

size_t EntryCount(const std::string& directory) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(directory), {}));
}

TEST(FileReplacement, TheNewFileKeepsTheModeAndNoTemporaryStays) {
  TempDir dir;
  const std::string path = dir / "part.ktl";
  WriteFile(path, "old\n");
  ASSERT_EQ(0, ::chmod(path.c_str(), 0640));
  EXPECT_TRUE(ReplaceFileContents(path, "new\n"));
  EXPECT_EQ("new\n", ReadFile(path));
  EXPECT_EQ(0640u, ModeOf(path));
  EXPECT_EQ(1u, EntryCount(dir.path()));
}

// A project file that is a link to a file outside the project: no operation changes the
// outside file's text or mode.
TEST(FileReplacement, NoWriteOrProtectionGoesThroughALinkOutOfTheProject) {
  const struct {
    const char* name;
    const char* linkName;
    std::function<void(const std::string& project, const std::string& link)> act;
  } cases[] = {
      {"counter file update", "keltravo.ctr",
       [](const std::string& project, const std::string&) {
         KFileEntry entry;
         entry.MakeUniqueName(project + "/part.fsu", "fsu", 0);
         EXPECT_EQ(project + "/part8.fsu", entry.GetPath());  // read through the link
       }},
      {"write protection", "part.ktl",
       [](const std::string&, const std::string& link) {
         EXPECT_EQ(0, KFileEntry(link).SetReadOnly(1));
       }},
      {"copy over", "part.ktl",
       [](const std::string& project, const std::string& link) {
         WriteFile(project + "/source.ktl", "copied\n");
         EXPECT_EQ(1, KFileEntry(link).CopyFrom(project + "/source.ktl"));
         EXPECT_EQ("copied\n", ReadFile(link));
       }},
      {"open for writing", "part.lbl",
       [](const std::string&, const std::string& link) {
         EXPECT_EQ(nullptr, MappedFopen(link, "w"));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir outside;
    TempDir project;
    const std::string target = outside / "target";
    WriteFile(target, "8\n");
    ASSERT_EQ(0, ::chmod(target.c_str(), 0644));
    const std::string link = project / c.linkName;
    ASSERT_EQ(0, ::symlink(target.c_str(), link.c_str()));
    c.act(project.path(), link);
    EXPECT_EQ("8\n", ReadFile(target));
    EXPECT_EQ(0644u, ModeOf(target));
  }
}

}  // namespace
