// Case-insensitive name resolution over a process-wide cache of directory listings.
//
// File names in a project compare without regard to case, but POSIX file systems are case
// sensitive: when a path does not exist as spelled, its last component is looked up
// case-insensitively in its directory. The exact spelling is always tried first. The
// case-folded listing of each directory is cached and validated on every use by the
// directory's identity and modification time (nanoseconds), so asking for thousands of missing
// names does not read the directory each time, and a cached answer is never stale: a listing
// taken within the same timestamp tick as the directory's last change is used once and not
// kept (see FileTimes.h).
//
// Free functions, safe from any thread; the cache has a lock of its own, never held while a
// directory is read. Listings handed out are immutable snapshots, kept alive by their holders.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ktpm::detail {

// The entries of one directory, case-folded and sorted by upper-cased name.
class FoldedListing {
 public:
  struct Entry {
    std::string upperName;
    std::string name;
    bool isDirectory = false;
  };

  explicit FoldedListing(std::vector<Entry> entries);

  // The name on disk that equals name without regard to case (the first in listing order when
  // several do); nullptr when none.
  const std::string* Find(std::string_view name) const;
  // Whether some entry is named stem, or stem followed by "." and anything (the pattern
  // "stem.*" of the original platform's file finder), without regard to case.
  bool HasStem(std::string_view stem) const;
  const std::vector<Entry>& Entries() const { return m_entries; }

 private:
  std::vector<Entry> m_entries;
};

// The listing of directory ("" is the current directory); an empty listing when the directory
// cannot be read.
std::shared_ptr<const FoldedListing> GetFoldedListing(const std::string& directory);

// The path with its last component spelled as it exists on disk; the path itself when it
// exists as spelled or when no entry matches. The directory part is kept as given.
std::string ResolvePath(const std::string& path);
// As ResolvePath; true when the returned path names an existing entry.
bool ResolveExistingPath(const std::string& path, std::string& resolved);

// Drops every cached listing (for tests; the cache is never stale, so nothing else needs it).
void ClearDirectoryCache();

}  // namespace ktpm::detail
