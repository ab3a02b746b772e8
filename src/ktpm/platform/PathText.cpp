#include <vector>

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/PathText.h>

namespace ktpm::detail {
namespace {

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasDriveLetter(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

std::size_t FindLastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

std::string ToNativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

std::string ToUpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperChar(c);
  return result;
}

std::string ToLowerAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowerChar(c);
  return result;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  if (directory.empty()) return std::string(name);
  std::string joined(directory);
  if (name.empty()) return joined;
  if (!IsPathSeparator(joined.back())) joined += '/';
  joined += name;
  return joined;
}

std::string DirectoryOf(std::string_view path) {
  const std::size_t separator = FindLastSeparator(path);
  if (separator == std::string_view::npos) return {};
  if (separator == 0) return std::string(path.substr(0, 1));
  return std::string(path.substr(0, separator));
}

std::string NameOf(std::string_view path) {
  const std::size_t separator = FindLastSeparator(path);
  if (separator == std::string_view::npos) return std::string(path);
  return std::string(path.substr(separator + 1));
}

std::string MakeAbsolutePath(std::string_view path) {
  std::string prefix;
  std::string_view rest = path;
  if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) &&
      (path.size() == 2 || !IsPathSeparator(path[2]))) {
    prefix = "//";  // a universal name keeps its two leading separators
    rest = path.substr(2);
  } else if (HasDriveLetter(path)) {
    prefix = std::string(path.substr(0, 2)) + "/";
    rest = path.substr(2);
  } else if (!path.empty() && IsPathSeparator(path[0])) {
    prefix = "/";
  } else {
    const std::string current = GetCurrentDir();
    if (current.empty()) return {};
    return MakeAbsolutePath(JoinPath(current, path));
  }
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = rest.size();
    const std::string_view part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result = prefix;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) result += '/';
    result += parts[i];
  }
  return result;
}

}  // namespace ktpm::detail
