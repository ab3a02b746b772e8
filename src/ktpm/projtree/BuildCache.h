// BuildCache: what one tree build knows about the project directory, so that it asks the disk
// once per file: the names of the directory's listing (taken at the start of the build) and the
// keyword files already parsed.
//
// Owned by KProjectTree for the length of one BuildTree, and used only under its tree lock. A
// file made by the build itself is added with AddListed; anything else that changes the
// directory during the build wakes the watcher, whose resync builds again.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

class KKeywordFile;

namespace ktpm::detail {

class BuildCache {
 public:
  void AddListed(const std::string& name);
  // Whether the listing holds the name (without regard to case).
  bool IsListed(const std::string& name) const;
  // The keyword file, parsed on first use.
  std::shared_ptr<KKeywordFile> Keywords(const std::string& name);
  // Keywords the build reads for the name instead of the file's.
  void SetKeywords(const std::string& name, std::shared_ptr<KKeywordFile> keywords);

  // Files whose write protection the build could not change, beyond those already told.
  int untoldProtectionFailures = 0;
  int toldProtectionFailures = 0;

 private:
  std::unordered_set<std::string> m_listed;
  std::unordered_map<std::string, std::shared_ptr<KKeywordFile>> m_keywords;
};

}  // namespace ktpm::detail
