#include <filesystem>
#include <system_error>

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/report/ReportPaths.h>

namespace ktpm::detail {

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
    char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

// The entry called name in the (canonical) directory parent: the exact spelling first, else the
// first entry whose name matches without regard to case, in sorted order. Empty when none.
fs::path FindEntry(const fs::path& parent, const std::string& name) {
  std::error_code ec;
  fs::path exact = parent / name;
  if (fs::exists(fs::symlink_status(exact, ec))) return exact;
  fs::path found;
  for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
    std::string candidate = it->path().filename().string();
    if (EqualsIgnoringCase(candidate, name) && (found.empty() || it->path() < found)) {
      found = it->path();
    }
  }
  return found;
}

}  // namespace

std::string ToNativeSeparators(const std::string& path) {
  std::string native = path;
  for (char& c : native) {
    if (IsSeparator(c)) c = kNativeSeparator;
  }
  return native;
}

std::string LastPathComponent(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryOfFile(const std::string& path) {
  if (path.empty()) return std::string();
  size_t separator = path.find_last_of("/\\");
  if (separator == std::string::npos) return ".";
  if (separator == 0) return path.substr(0, 1);
  return path.substr(0, separator);
}

std::string ResolveDirectoryInsideTemplateDir(const std::string& templatePath,
                                              const std::string& directory) {
  std::error_code ec;
  std::string templateDir = DirectoryOfFile(templatePath);
  if (templateDir.empty()) return std::string();
  fs::path base = fs::canonical(ToNativeSeparators(templateDir), ec);
  if (ec) return std::string();

  // Split the directory into its parent and its last component, ignoring trailing separators.
  std::string target = ToNativeSeparators(directory);
  while (target.size() > 1 && target.back() == kNativeSeparator) target.pop_back();
  std::string name = LastPathComponent(target);
  if (name.empty() || name == "." || name == "..") return std::string();
  std::string parentText = target.substr(0, target.size() - name.size());
  if (parentText.empty()) parentText.assign(1, '.');
  fs::path parent = fs::canonical(parentText, ec);
  if (ec) return std::string();

  fs::path entry = FindEntry(parent, name);
  if (entry.empty()) return std::string();
  fs::file_status status = fs::symlink_status(entry, ec);
  if (ec || fs::is_symlink(status) || !fs::is_directory(status)) return std::string();

  // Both paths are free of links and dot components now, so a lexical comparison is exact.
  fs::path relative = entry.lexically_relative(base);
  if (relative.empty() || relative == "." || *relative.begin() == "..") return std::string();
  return entry.string();
}

int DeleteDirectoryInsideTemplateDir(const std::string& templatePath,
                                     const std::string& directory) {
  std::string resolved = ResolveDirectoryInsideTemplateDir(templatePath, directory);
  if (resolved.empty()) return 0;
  return KDirectoryEntry(resolved).Delete(1) ? 1 : 0;
}

}  // namespace ktpm::detail
