#include <cctype>

#include <ktpm/analysis/JobServers.h>
#include <ktpm/platform/KRegKey.h>

namespace ktpm::detail {

namespace {

char FoldPathCharacter(char c) {
  if (c == '\\') return '/';
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

int DirectoryContainsPath(const std::string& directory, const std::string& path) {
  std::string folded;
  for (char c : directory) folded.push_back(FoldPathCharacter(c));
  while (folded.size() > 1 && folded.back() == '/') folded.pop_back();
  if (folded.empty() || path.size() < folded.size()) return 0;
  for (size_t i = 0; i < folded.size(); ++i)
    if (FoldPathCharacter(path[i]) != folded[i]) return 0;
  if (path.size() == folded.size() || folded.back() == '/') return 1;
  return FoldPathCharacter(path[folded.size()]) == '/' ? 1 : 0;
}

namespace {

constexpr const char* kServersKey = "SOFTWARE\\Keltravo\\Keltravo Job Manager\\Servers";
// A server list longer than this is not a configuration anybody wrote by hand.
constexpr int kMaxDirMapEntries = 10000;

// Opens the server's key into key. A name with a backslash would reach into other keys.
bool OpenServerKey(const std::string& server, KRegKey& key) {
  if (server.empty() || server.find('\\') != std::string::npos) return false;
  KRegKey servers = KRegKey(HKEY_LOCAL_MACHINE).OpenSubKey(kServersKey);
  if (!servers.IsOpen()) return false;
  key = servers.OpenSubKey(server);
  return key.IsOpen() == 1;
}

}  // namespace

int IsKnownJobServer(const std::string& server) {
  KRegKey key;
  return OpenServerKey(server, key) ? 1 : 0;
}

int JobServerMapsPath(const std::string& server, const std::string& path) {
  KRegKey serverKey;
  if (!OpenServerKey(server, serverKey)) return 0;
  KRegKey dirMap = serverKey.OpenSubKey("DirMap");
  if (!dirMap.IsOpen()) return 0;
  for (int n = 1; n <= kMaxDirMapEntries; ++n) {
    std::string local;
    if (!dirMap.QueryString("Local" + std::to_string(n), local)) break;
    if (DirectoryContainsPath(local, path)) return 1;
  }
  return 0;
}

}  // namespace ktpm::detail
