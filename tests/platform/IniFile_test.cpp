#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "FileSizeLimit.h"
#include "TempDir.h"

#include <ktpm/platform/IniFile.h>

namespace {

using ktpm::detail::IniFile;
using ktpm::test::ReadFile;
using ktpm::test::TempDir;
using ktpm::test::WriteFile;

// Comments of both kinds, blank lines, a key outside any section, odd spacing, an unknown line
// and a last line without its line feed.
constexpr const char* kProfile =
    "; written by hand\n"
    "# second comment\n"
    "stray=before any section\n"
    "\n"
    "[Locations]\n"
    "  MachineDBPath = /data/machines   \n"
    "Unknown.Key=kept\n"
    "not an entry\n"
    "; about Empty\n"
    "\n"
    "[Empty]\n"
    "\n"
    "[Window]\n"
    "Left=10\n"
    "Top =20";

int FileMode(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

// kProfile with its first "from" replaced by "to".
std::string Edited(const std::string& from, const std::string& to) {
  std::string text = kProfile;
  const size_t at = text.find(from);
  return at == std::string::npos ? "(" + from + " not found)" : text.replace(at, from.size(), to);
}

TEST(IniFile, ChangesKeepEveryOtherLine) {
  const struct {
    const char* name;
    std::function<int(IniFile&)> change;
    int result;
    std::string text;
  } cases[] = {
      {"value replaced in place",
       [](IniFile& f) { return f.Set("LOCATIONS", "machinedbpath", "/elsewhere"); }, 1,
       Edited("= /data/machines   \n", "= /elsewhere\n")},
      {"new key after the last key of its section",
       [](IniFile& f) { return f.Set("locations", "New", "1"); }, 1,
       Edited("kept\n", "kept\nNew=1\n")},
      {"new key in a section without keys", [](IniFile& f) { return f.Set("Empty", "K", "v"); }, 1,
       Edited("[Empty]\n", "[Empty]\nK=v\n")},
      {"new section at the end", [](IniFile& f) { return f.Set("Added", "K", "v"); }, 1,
       Edited("Top =20", "Top =20\n\n[Added]\nK=v\n")},
      {"key removed", [](IniFile& f) { return f.Remove("window", "LEFT"); }, 1,
       Edited("Left=10\n", "")},
      {"section removed up to its last key",
       [](IniFile& f) { return f.RemoveSection("Locations"); }, 1,
       Edited("[Locations]\n  MachineDBPath = /data/machines   \nUnknown.Key=kept\n", "")},
      {"line break in a value refused",
       [](IniFile& f) { return f.Set("Window", "Left", "1\n[Evil]"); }, 0, kProfile},
      {"key that would read as a comment refused",
       [](IniFile& f) { return f.Set("Window", ";Left", "1"); }, 0, kProfile},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir / "profile.ini";
    WriteFile(path, kProfile);
    ASSERT_EQ(0, ::chmod(path.c_str(), 0640));
    IniFile file;
    ASSERT_EQ(1, file.Load(path));
    ASSERT_EQ(c.result, c.change(file));
    ASSERT_EQ(1, file.Save(path));
    EXPECT_EQ(c.text, ReadFile(path));
    EXPECT_EQ(0640, FileMode(path));
    // Nothing but the file is left in its directory.
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path()), {}));
  }
}

TEST(IniFile, FailedSaveLeavesTheFileAsItWas) {
  const struct {
    const char* name;
    std::string fileName;
    int mode;
    rlim_t sizeLimit;  // 0: none
  } cases[] = {
      {"read-only file", "profile.ini", 0444, 0},
      // The disk takes only the first bytes of the new file.
      {"file size limit", std::string(250, 'p'), 0644, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir / c.fileName;
    WriteFile(path, kProfile);
    ASSERT_EQ(0, ::chmod(path.c_str(), static_cast<mode_t>(c.mode)));
    IniFile file;
    ASSERT_EQ(1, file.Load(path));
    ASSERT_EQ(1, file.Set("Window", "Left", "99"));
    std::optional<ktpm::test::FileSizeLimit> limit;
    if (c.sizeLimit != 0) limit.emplace(c.sizeLimit);
    EXPECT_EQ(0, file.Save(path));
    limit.reset();
    EXPECT_EQ(kProfile, ReadFile(path));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path()), {}));
  }
  // A directory that cannot be made is a failure too.
  TempDir dir;
  WriteFile(dir / "file", "");
  EXPECT_EQ(0, IniFile().Save(dir / "file/below/profile.ini"));
}

}  // namespace
