#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <ktpm/platform/InstallLocation.h>
#include <ktpm/platform/UserDirs.h>

namespace ktpm::detail {
namespace {

std::string ParentOf(const std::string& path) {
  const std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

// The path of the object that holds this function. The main program's link map has an empty
// name; its path comes from /proc, since argv[0] may be relative to a directory left since.
std::string ModulePath() {
  Dl_info info;
  link_map* map = nullptr;
  if (dladdr1(reinterpret_cast<void*>(&ModulePath), &info, reinterpret_cast<void**>(&map),
              RTLD_DL_LINKMAP) != 0 &&
      map != nullptr && map->l_name != nullptr && map->l_name[0] == '/') {
    std::string path = RealPath(map->l_name);
    if (!path.empty()) return path;
  }
  return RealPath("/proc/self/exe");
}

}  // namespace

const std::string& GetModuleDirectory() {
  static const std::string directory = ParentOf(ModulePath());
  return directory;
}

std::string FindBesideModule(const std::string& relative) {
  std::string folder = GetModuleDirectory();
  for (int level = 0; level < 3 && !folder.empty(); ++level) {
    std::string candidate = (folder == "/" ? std::string() : folder) + "/" + relative;
    if (IsDirectory(candidate)) return candidate;
    if (folder == "/") break;
    folder = ParentOf(folder);
  }
  return {};
}

std::string GetDataDirectory() {
  std::string configured = GetEnvironment("KTPM_DATA_DIR");
  if (!configured.empty()) return configured;
  return FindBesideModule("share/ktpm");
}

std::string GetHelperProgramDirectory() { return FindBesideModule("libexec/ktpm"); }

}  // namespace ktpm::detail
