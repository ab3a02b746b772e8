#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include <ktpm/platform/UserDirs.h>

namespace ktpm::detail {
namespace {

std::string HomeDir() {
  std::string home = GetEnvironment("HOME");
  if (!home.empty()) return home;
  struct passwd entry;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return "/tmp";
}

std::string XdgDir(const char* variable, const char* fallbackUnderHome) {
  std::string dir = GetEnvironment(variable);
  // Relative values are invalid for the XDG variables and are ignored.
  if (!dir.empty() && dir[0] == '/') return dir;
  return HomeDir() + fallbackUnderHome;
}

}  // namespace

std::string GetEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string GetUserConfigDir() { return XdgDir("XDG_CONFIG_HOME", "/.config"); }
std::string GetUserStateDir() { return XdgDir("XDG_STATE_HOME", "/.local/state"); }
std::string GetUserDataDir() { return XdgDir("XDG_DATA_HOME", "/.local/share"); }

}  // namespace ktpm::detail
