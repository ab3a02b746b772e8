#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <unordered_map>

#include <ktpm/platform/DirectoryListing.h>
#include <ktpm/platform/FileTimes.h>
#include <ktpm/platform/PathResolver.h>
#include <ktpm/platform/PathText.h>

namespace ktpm::detail {
namespace {

// Enough for every directory a session works in; when full, the cache starts afresh.
constexpr std::size_t kMaxCachedDirectories = 256;

struct DirectoryIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  struct timespec modified = {};

  bool operator==(const DirectoryIdentity& other) const {
    return device == other.device && inode == other.inode &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

struct CachedListing {
  DirectoryIdentity identity;
  std::shared_ptr<const FoldedListing> listing;
};

class DirectoryCache {
 public:
  static DirectoryCache& Instance() {
    static DirectoryCache* cache = new DirectoryCache;  // never destroyed: used until exit
    return *cache;
  }

  std::shared_ptr<const FoldedListing> Get(const std::string& directory) {
    const std::string native = directory.empty() ? std::string(".") : ToNativePath(directory);
    DirectoryIdentity identity;
    if (!Identify(native, identity)) return Empty();
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      auto found = m_listings.find(native);
      if (found != m_listings.end() && found->second.identity == identity) {
        return found->second.listing;
      }
    }
    auto listing = ReadListing(native);
    if (IsTimestampSettled(identity.modified)) {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_listings.size() >= kMaxCachedDirectories) m_listings.clear();
      m_listings[native] = CachedListing{identity, listing};
    }
    return listing;
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listings.clear();
  }

 private:
  static bool Identify(const std::string& native, DirectoryIdentity& identity) {
    struct stat status;
    if (::stat(native.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
    identity.modified = status.st_mtim;
    return true;
  }

  static std::shared_ptr<const FoldedListing> Empty() {
    return std::make_shared<const FoldedListing>(std::vector<FoldedListing::Entry>{});
  }

  static std::shared_ptr<const FoldedListing> ReadListing(const std::string& native) {
    std::vector<DirectoryItem> items;
    ListDirectory(native, items);
    std::vector<FoldedListing::Entry> entries;
    entries.reserve(items.size());
    for (DirectoryItem& item : items) {
      entries.push_back({ToUpperAscii(item.name), std::move(item.name), item.isDirectory});
    }
    return std::make_shared<const FoldedListing>(std::move(entries));
  }

  std::mutex m_mutex;
  std::unordered_map<std::string, CachedListing> m_listings;
};

bool ExistsAsSpelled(const std::string& path, int& error) {
  struct stat status;
  if (::lstat(ToNativePath(path).c_str(), &status) == 0) return true;
  error = errno;
  return false;
}

}  // namespace

FoldedListing::FoldedListing(std::vector<Entry> entries) : m_entries(std::move(entries)) {
  // ListDirectory already sorts this way; sorting again keeps the class sound on its own.
  std::stable_sort(m_entries.begin(), m_entries.end(),
                   [](const Entry& a, const Entry& b) { return a.upperName < b.upperName; });
}

const std::string* FoldedListing::Find(std::string_view name) const {
  const std::string upper = ToUpperAscii(name);
  auto found = std::lower_bound(
      m_entries.begin(), m_entries.end(), upper,
      [](const Entry& entry, const std::string& key) { return entry.upperName < key; });
  if (found == m_entries.end() || found->upperName != upper) return nullptr;
  return &found->name;
}

bool FoldedListing::HasStem(std::string_view stem) const {
  const std::string upper = ToUpperAscii(stem);
  auto entry = std::lower_bound(
      m_entries.begin(), m_entries.end(), upper,
      [](const Entry& candidate, const std::string& key) { return candidate.upperName < key; });
  for (; entry != m_entries.end(); ++entry) {
    if (entry->upperName.compare(0, upper.size(), upper) != 0) return false;
    if (entry->upperName.size() == upper.size() || entry->upperName[upper.size()] == '.') {
      return true;
    }
  }
  return false;
}

std::shared_ptr<const FoldedListing> GetFoldedListing(const std::string& directory) {
  return DirectoryCache::Instance().Get(directory);
}

bool ResolveExistingPath(const std::string& path, std::string& resolved) {
  resolved = path;
  if (path.empty()) return false;
  int error = 0;
  if (ExistsAsSpelled(path, error)) return true;
  if (error != ENOENT) return false;
  const std::size_t separator = FindLastSeparator(path);
  const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  if (name.empty() || name == "." || name == "..") return false;
  const std::string directory = separator == std::string::npos ? std::string()
                                : separator == 0               ? path.substr(0, 1)
                                                               : path.substr(0, separator);
  auto listing = GetFoldedListing(directory);
  const std::string* onDisk = listing->Find(name);
  if (onDisk == nullptr) return false;
  resolved =
      (separator == std::string::npos ? std::string() : path.substr(0, separator + 1)) + *onDisk;
  return true;
}

std::string ResolvePath(const std::string& path) {
  std::string resolved;
  ResolveExistingPath(path, resolved);
  return resolved;
}

void ClearDirectoryCache() { DirectoryCache::Instance().Clear(); }

}  // namespace ktpm::detail
