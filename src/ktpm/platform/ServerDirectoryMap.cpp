#include <ktpm/platform/KRegKey.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/platform/ServerDirectoryMap.h>

namespace ktpm::detail {
namespace {

constexpr const char* kServersKey = "SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers";
constexpr const char* kDirMapKey = "DirMap";

// Whether the DirMap of one server sends a directory above lowerPath to a UNIX directory.
bool ServerMapsToUnix(KRegKey& dirMap, const std::string& lowerPath) {
  for (int n = 1;; ++n) {
    std::string local;
    if (dirMap.QueryString("Local" + std::to_string(n), local) == 0) return false;
    const std::string lowerLocal = ToLowerAscii(ToNativePath(local));
    if (lowerPath.compare(0, lowerLocal.size(), lowerLocal) != 0) continue;
    std::string remote;
    if (dirMap.QueryString("Remote" + std::to_string(n), remote) != 0 && !remote.empty() &&
        remote[0] == '/') {
      return true;
    }
  }
}

}  // namespace

bool IsMappedToUnixDirectory(const std::string& path) {
  const std::string lowerPath = ToLowerAscii(ToNativePath(path));
  KRegKey machine(HKEY_LOCAL_MACHINE);
  KRegKey servers = machine.OpenSubKey(kServersKey);
  if (servers.IsOpen() == 0) return false;
  for (int index = 0;; ++index) {
    const char* server = servers.EnumSubKey(index);
    if (server == nullptr) return false;
    KRegKey dirMap = servers.OpenSubKey(std::string(server) + "\\" + kDirMapKey);
    if (dirMap.IsOpen() != 0 && ServerMapsToUnix(dirMap, lowerPath)) return true;
  }
}

}  // namespace ktpm::detail
