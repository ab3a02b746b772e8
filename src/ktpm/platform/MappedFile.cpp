// Text or binary mode by the host of a path, the share cache, and MappedFopen.
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include <ktpm/platform/FileModes.h>
#include <ktpm/platform/FileOperations.h>
#include <ktpm/platform/MappedFile.h>
#include <ktpm/platform/NetworkNames.h>
#include <ktpm/platform/PathResolver.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/platform/ServerDirectoryMap.h>

namespace {

// The shares classified so far, by their remote names; entries are only ever added.
class ShareCache {
 public:
  static ShareCache& Instance() {
    static ShareCache* cache = new ShareCache;  // used until exit
    return *cache;
  }

  // 0 for a UNIX-hosted share, 1 for a Windows-hosted one, -1 when the share is not known.
  // The UNIX list is consulted first.
  int Lookup(const std::string& universalPath) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (MatchesAny(m_unixShares, universalPath)) return 0;
    if (MatchesAny(m_windowsShares, universalPath)) return 1;
    return -1;
  }

  void Add(const std::string& remoteName, int windowsHosted) {
    std::lock_guard<std::mutex> lock(m_mutex);
    (windowsHosted != 0 ? m_windowsShares : m_unixShares).push_back(remoteName);
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_unixShares.clear();
    m_windowsShares.clear();
  }

 private:
  // A path lies on a share when it begins with the share's remote name (byte for byte) and the
  // name ends there at a component boundary, so that share "//srv/a" does not claim "//srv/ab".
  static bool MatchesAny(const std::vector<std::string>& shares, const std::string& path) {
    for (const std::string& share : shares) {
      if (share.empty() || path.compare(0, share.size(), share) != 0) continue;
      if (path.size() == share.size() || ktpm::detail::IsPathSeparator(share.back()) ||
          ktpm::detail::IsPathSeparator(path[share.size()])) {
        return true;
      }
    }
    return false;
  }

  std::mutex m_mutex;
  std::vector<std::string> m_unixShares;
  std::vector<std::string> m_windowsShares;
};

bool IsUniversalForm(const std::string& path) {
  return path.size() >= 2 && ktpm::detail::IsPathSeparator(path[0]) &&
         ktpm::detail::IsPathSeparator(path[1]);
}

// Step 5: the host by the provider's name. Providers that are neither NFS nor Microsoft's or
// Windows' own are taken as UNIX hosts, and so is an unanswered query.
int ClassifyProvider(const KNetworkResource& resource) {
  const std::string& provider = resource.provider;
  if (resource.ok == 0 || provider.empty()) return 0;
  if (provider.find("NFS") != std::string::npos) return 0;
  if (provider.find("Microsoft") != std::string::npos ||
      provider.find("Windows") != std::string::npos) {
    return 1;
  }
  return 0;
}

bool IsWriteMode(const std::string& mode) { return mode.find_first_of("wa+") != std::string::npos; }

// Opens a file for writing as fopen would with mode, except that a symbolic link at the last
// component is not followed (ELOOP): no write goes through a link to a file elsewhere.
FILE* OpenForWriting(const std::string& native, const std::string& mode) {
  const bool update = mode.find('+') != std::string::npos;
  int flags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | (update ? O_RDWR : O_WRONLY);
  if (mode.front() == 'w') flags |= O_CREAT | O_TRUNC;
  if (mode.front() == 'a') flags |= O_CREAT | O_APPEND;
  if (mode.find('x') != std::string::npos) flags |= O_EXCL;
  const int fd = ::open(native.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  FILE* file = ::fdopen(fd, mode.c_str());
  if (file == nullptr) {
    const int error = errno;
    ::close(fd);
    errno = error;
  }
  return file;
}

}  // namespace

int GetUniversalPath(std::string& path) {
  if (IsUniversalForm(path)) return 1;
  // Drive C: is always local on the original platform; such a path is never asked about.
  if (path.size() >= 2 && path[0] == 'C' && path[1] == ':') return 0;
  const KUniversalName answer = GetNetworkNames()->GetUniversalName(path);
  if (answer.ok == 0) return 0;
  if (!answer.universalName.empty()) {
    path = answer.universalName;
  } else if (!answer.connectionName.empty() && !answer.remainingPath.empty()) {
    path = answer.connectionName + answer.remainingPath;
  }
  return 1;
}

int GetUniversalPath(char* path) {
  if (path == nullptr) return 0;
  const std::size_t length = ::strnlen(path, KT_MAX_PATH);
  if (length == KT_MAX_PATH) return 0;  // no terminating null inside the buffer
  std::string rewritten(path, length);
  if (GetUniversalPath(rewritten) == 0) return 0;
  // A universal form that does not fit the buffer cannot be written back: treat it as local.
  if (rewritten.size() + 1 > static_cast<std::size_t>(KT_MAX_PATH)) return 0;
  std::memcpy(path, rewritten.c_str(), rewritten.size() + 1);
  return 1;
}

int IsWindowsHostedPath(const char* path) {
  if (path == nullptr || path[0] == '\0') return 1;
  const std::string absolute = ktpm::detail::MakeAbsolutePath(path);
  if (absolute.empty()) return 1;
  std::string universal = absolute;
  if (GetUniversalPath(universal) == 0) return 1;

  ShareCache& cache = ShareCache::Instance();
  const int cached = cache.Lookup(universal);
  if (cached >= 0) return cached;

  // Neither the network nor the registry is asked with the cache lock held.
  const KNetworkResource resource = GetNetworkNames()->GetResourceInformation(universal);
  int windowsHosted = ClassifyProvider(resource);
  if (windowsHosted != 0 && ktpm::detail::IsMappedToUnixDirectory(absolute)) windowsHosted = 0;
  // An unanswered query names no share: nothing is recorded, and the next path asks again.
  if (resource.ok != 0 && !resource.remoteName.empty()) {
    cache.Add(resource.remoteName, windowsHosted);
  }
  return windowsHosted;
}

void ClearShareCache() { ShareCache::Instance().Clear(); }

namespace ktpm::detail {

std::string BinaryModeOf(const std::string& mode) {
  std::string binary = mode.substr(0, 4);
  const std::size_t text = binary.find('t');
  if (text != std::string::npos) {
    binary[text] = 'b';
  } else {
    binary += 'b';
  }
  return binary;
}

}  // namespace ktpm::detail

FILE* MappedFopen(const std::string& path, const std::string& mode) {
  const std::string actualMode =
      IsWindowsHostedPath(path) != 0 ? mode : ktpm::detail::BinaryModeOf(mode);
  const std::string resolved = ktpm::detail::ResolvePath(path);
  // The read-only attribute holds for every process, root included.
  if (IsWriteMode(actualMode) && ktpm::detail::IsReadOnlyOnDisk(resolved)) {
    errno = EACCES;
    return nullptr;
  }
  if (!actualMode.empty() && IsWriteMode(actualMode)) {
    return OpenForWriting(ktpm::detail::ToNativePath(resolved), actualMode);
  }
  return std::fopen(ktpm::detail::ToNativePath(resolved).c_str(), actualMode.c_str());
}
