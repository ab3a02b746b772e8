#include "analysis/JobServers.h"

#include <cctype>

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

int IsKnownJobServer(const std::string&) { return 0; }

int JobServerMapsPath(const std::string&, const std::string&) { return 0; }

}  // namespace ktpm::detail
