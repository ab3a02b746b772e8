#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <numeric>

#include <ktpm/platform/DirectoryListing.h>
#include <ktpm/platform/PathText.h>

namespace ktpm::detail {
namespace {

// Fills the type of an entry whose type the directory did not report (or a symbolic link,
// whose target decides whether it is a directory).
void StatEntry(int directoryFd, DirectoryItem& item) {
  struct stat status;
  if (::fstatat(directoryFd, item.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (S_ISLNK(status.st_mode)) {
    item.isSymlink = true;
    if (::fstatat(directoryFd, item.name.c_str(), &status, 0) != 0) return;
  }
  item.isDirectory = S_ISDIR(status.st_mode);
}

void SortListing(std::vector<DirectoryItem>& items) {
  std::vector<std::string> keys;
  keys.reserve(items.size());
  for (const DirectoryItem& item : items) keys.push_back(ToUpperAscii(item.name));
  std::vector<std::size_t> order(items.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const int byKey = keys[a].compare(keys[b]);
    return byKey != 0 ? byKey < 0 : items[a].name < items[b].name;
  });
  std::vector<DirectoryItem> sorted;
  sorted.reserve(items.size());
  for (std::size_t index : order) sorted.push_back(std::move(items[index]));
  items = std::move(sorted);
}

}  // namespace

bool ListingOrderLess(const std::string& a, const std::string& b) {
  const int byKey = ToUpperAscii(a).compare(ToUpperAscii(b));
  return byKey != 0 ? byKey < 0 : a < b;
}

bool ListDirectory(const std::string& directory, std::vector<DirectoryItem>& items) {
  items.clear();
  const std::string native = directory.empty() ? std::string(".") : ToNativePath(directory);
  DIR* stream = ::opendir(native.c_str());
  if (stream == nullptr) return false;
  const int directoryFd = ::dirfd(stream);
  while (const struct dirent* entry = ::readdir(stream)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    DirectoryItem item;
    item.name = entry->d_name;
#ifdef _DIRENT_HAVE_D_TYPE
    switch (entry->d_type) {
      case DT_DIR:
        item.isDirectory = true;
        break;
      case DT_REG:
      case DT_FIFO:
      case DT_CHR:
      case DT_BLK:
      case DT_SOCK:
        break;
      default:
        StatEntry(directoryFd, item);
        break;
    }
#else
    StatEntry(directoryFd, item);
#endif
    items.push_back(std::move(item));
  }
  ::closedir(stream);
  SortListing(items);
  return true;
}

std::vector<DirectoryItem> ListDirectory(const std::string& directory) {
  std::vector<DirectoryItem> items;
  ListDirectory(directory, items);
  return items;
}

}  // namespace ktpm::detail
