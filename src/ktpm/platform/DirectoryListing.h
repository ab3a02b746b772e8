// Listing a directory the way the project sees it: every entry but "." and "..", sorted by the
// upper-cased name in byte order (the order the original platform's volumes return), so that
// trees come out the same on every machine.
//
// One pass over the directory; the entry type comes from the directory itself where the file
// system reports it, so a directory of 50,000 files costs one read and one sort. Free
// functions, safe from any thread.
#pragma once

#include <string>
#include <vector>

namespace ktpm::detail {

struct DirectoryItem {
  std::string name;          // the name as stored on disk
  bool isDirectory = false;  // a directory, or a symbolic link to one
  bool isSymlink = false;    // a symbolic link (to anything, or dangling)
};

// The entries of directory ("" means the current directory; "/" and "\" both separate), sorted
// by upper-cased name, ties by name. Empty when the directory cannot be read.
std::vector<DirectoryItem> ListDirectory(const std::string& directory);

// Whether the listing could be read at all (an empty directory lists as true).
bool ListDirectory(const std::string& directory, std::vector<DirectoryItem>& items);

// The byte order of ListDirectory: upper-cased names, ties broken by the names themselves.
bool ListingOrderLess(const std::string& a, const std::string& b);

}  // namespace ktpm::detail
