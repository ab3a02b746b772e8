#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

#include <ktpm/platform/FileOperations.h>
#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/MappedFile.h>
#include <ktpm/platform/PathResolver.h>
#include <ktpm/platform/PathText.h>

namespace {

using ktpm::detail::FindLastSeparator;
using ktpm::detail::ToNativePath;

constexpr const char* kCounterFileName = "keltravo.ctr";
// The counter file's first line is read into a buffer of this size (79 characters and the
// terminating null).
constexpr int kCounterLineSize = 80;

// stat of the path, its last component resolved without regard to case.
bool StatResolved(const std::string& path, struct stat& status) {
  const std::string resolved = ktpm::detail::ResolvePath(path);
  return !path.empty() && ::stat(ToNativePath(resolved).c_str(), &status) == 0;
}

// The decimal value at the start of text as the C library's atoi reads it (leading blanks, an
// optional sign, digits), saturated at the limits of int instead of overflowing.
int64_t ReadCounterValue(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > std::numeric_limits<int>::max()) {
      return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
  }
  return negative ? -value : value;
}

// The counter file's start number: 1 when it does not open, else its first line's value.
int64_t ReadCounter(const std::string& counterPath) {
  FILE* file = MappedFopen(counterPath, "r");
  if (file == nullptr) return 1;
  char line[kCounterLineSize] = {};
  if (std::fgets(line, sizeof line, file) == nullptr) line[0] = '\0';
  std::fclose(file);
  return ReadCounterValue(line);
}

// Replaces the counter file rather than writing into it: a counter file that is a link is
// replaced by a file of its own, and the link's target keeps its text.
void WriteCounter(const std::string& counterPath, int64_t next) {
  ktpm::detail::ReplaceFileContents(counterPath, std::to_string(next) + "\n");
}

// Cuts trailing decimal digits off name; the first character is never examined.
void StripTrailingDigits(std::string& name) {
  for (std::size_t i = name.size(); i > 1; --i) {
    const char c = name[i - 1];
    if (c < '0' || c > '9') {
      name.resize(i);
      return;
    }
  }
}

}  // namespace

int KFileEntry::Delete(int makeWritable) {
  const std::string resolved = ktpm::detail::ResolvePath(m_path);
  // Making a link writable would change its target, which the link's deletion leaves alone.
  if (makeWritable != 0 && !ktpm::detail::IsSymbolicLink(resolved)) SetReadOnly(0);
  return ktpm::detail::RemoveFile(resolved) ? 1 : 0;
}

void KFileEntry::Rename(const std::string& newPath) {
  ktpm::detail::MovePath(ktpm::detail::ResolvePath(m_path), newPath, false);
  m_path = newPath;
}

int KFileEntry::CopyFrom(const std::string& sourcePath) {
  std::string source;
  if (!ktpm::detail::ResolveExistingPath(sourcePath, source)) return 0;
  if (!ktpm::detail::CopyRegularFile(source, ktpm::detail::ResolvePath(m_path))) return 0;
  return SetReadOnly(0);
}

namespace {

// The target of a copy or move: destination itself, or the file of the same name inside it
// when destination is an existing directory.
std::string TargetPath(const KFileEntry& entry, const std::string& destination) {
  if (KFileEntry(destination).IsDirectory() == 0) return destination;
  KFileEntry target(entry.GetPath());
  target.ReplaceDirectory(destination.c_str());
  return target.GetPath();
}

}  // namespace

void KFileEntry::CopyTo(const std::string& destination) {
  std::string source;
  if (!ktpm::detail::ResolveExistingPath(m_path, source)) return;
  const std::string target = ktpm::detail::ResolvePath(TargetPath(*this, destination));
  if (ktpm::detail::CopyRegularFile(source, target)) KFileEntry(target).SetReadOnly(0);
}

void KFileEntry::MoveTo(const std::string& destination) {
  std::string source;
  if (!ktpm::detail::ResolveExistingPath(m_path, source)) return;
  ktpm::detail::MovePath(source, TargetPath(*this, destination), true);
}

int KFileEntry::Exists() const {
  std::string resolved;
  if (!ktpm::detail::ResolveExistingPath(m_path, resolved)) return 0;
  return ::access(ToNativePath(resolved).c_str(), F_OK) == 0 ? 1 : 0;
}

int KFileEntry::IsWriteProtected() const {
  struct stat status;
  if (!StatResolved(m_path, status)) return 0;
  if ((status.st_mode & S_IWUSR) == 0) return 1;
  if (S_ISDIR(status.st_mode)) return 0;
  // Writable by its bits; a file this process may not write to (another owner's, or on a
  // read-only file system) is protected all the same. Asked without opening the file, so that
  // no watcher sees it opened for writing.
  const std::string native = ToNativePath(ktpm::detail::ResolvePath(m_path));
  return ::faccessat(AT_FDCWD, native.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : 1;
}

int KFileEntry::SetReadOnly(int readOnly) {
  if (m_path.empty()) return 0;
  return ktpm::detail::SetOwnerWrite(ktpm::detail::ResolvePath(m_path), readOnly == 0) ? 1 : 0;
}

uint32_t KFileEntry::GetSize() const {
  struct stat status;
  if (!StatResolved(m_path, status) || status.st_size < 0) return 0;
  // Sizes beyond 32 bits read as the largest 32-bit size rather than wrapping around.
  if (static_cast<uint64_t>(status.st_size) > std::numeric_limits<uint32_t>::max()) {
    return std::numeric_limits<uint32_t>::max();
  }
  return static_cast<uint32_t>(status.st_size);
}

int KFileEntry::IsDirectory() const {
  struct stat status;
  return StatResolved(m_path, status) && S_ISDIR(status.st_mode) ? 1 : 0;
}

void KFileEntry::PrependDirectory(const std::string& directory) {
  m_path = ktpm::detail::JoinPath(directory, m_path);
}

std::string KFileEntry::GetExtension() const {
  const std::size_t dot = m_path.rfind('.');
  return dot == std::string::npos ? std::string() : m_path.substr(dot);
}

std::string KFileEntry::GetPathWithoutExtension() const {
  const std::size_t dot = m_path.rfind('.');
  const std::size_t separator = FindLastSeparator(m_path);
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
    return m_path;
  }
  return m_path.substr(0, dot);
}

std::string KFileEntry::GetDirectory() const {
  // A "/" wins over any "\": only when there is no "/" does the last "\" count.
  std::size_t p = m_path.rfind('/');
  if (p == std::string::npos) p = m_path.rfind('\\');
  if (p == std::string::npos) return {};
  if (p == 2 && m_path[1] == ':') p = m_path.size() > 3 ? 3 : 0;
  if (p == 0 && m_path.size() > 1) p = 1;
  return m_path.substr(0, p);
}

int KFileEntry::IsSamePath(const std::string& text) const {
  return ktpm::detail::EqualsNoCase(m_path, text) ? 1 : 0;
}

int KFileEntry::HasPathWithoutExtension(const std::string& text) const {
  return ktpm::detail::EqualsNoCase(GetPathWithoutExtension(), text) ? 1 : 0;
}

int KFileEntry::HasSuffix(const std::string& suffix) const {
  const std::size_t start = m_path.size() > suffix.size() ? m_path.size() - suffix.size() : 0;
  return ktpm::detail::EqualsNoCase(std::string_view(m_path).substr(start), suffix) ? 1 : 0;
}

void KFileEntry::SetExtension(const std::string& extension) {
  m_path = GetPathWithoutExtension() + extension;
}

void KFileEntry::SetPathWithoutExtension(const std::string& text) {
  m_path = text + GetExtension();
}

void KFileEntry::ReplaceDirectory(const char* directory) {
  const std::size_t separator = FindLastSeparator(m_path);
  const bool hasDirectory = directory != nullptr && directory[0] != '\0';
  if (separator == std::string::npos) {
    if (hasDirectory) m_path = ktpm::detail::JoinPath(directory, m_path);
    return;
  }
  if (!hasDirectory) {
    m_path = m_path.substr(separator + 1);
    return;
  }
  m_path = ktpm::detail::JoinPath(directory, std::string_view(m_path).substr(separator + 1));
}

void KFileEntry::MakeUniqueName(const std::string& name, const char* extension, int nameOnly) {
  std::string base = name;
  std::string directory;  // with its trailing separator, as given
  const std::size_t separator = FindLastSeparator(base);
  if (separator != std::string::npos) {
    if (nameOnly != 0) {
      base = base.substr(separator + 1);
    } else {
      directory = base.substr(0, separator + 1);
      base = base.substr(separator + 1);
    }
  }
  const std::size_t dot = base.rfind('.');
  if (dot != std::string::npos) base.resize(dot);

  const std::string counterPath = directory + kCounterFileName;
  int64_t next = ReadCounter(counterPath);
  StripTrailingDigits(base);
  base = ktpm::detail::ToLowerAscii(base);

  // One snapshot of the directory serves the whole search.
  const auto listing = ktpm::detail::GetFoldedListing(directory);
  std::string candidate;
  for (;;) {
    candidate = base + std::to_string(next);
    ++next;
    if (!listing->HasStem(candidate)) break;
  }
  m_path = directory + candidate;
  if (extension != nullptr) m_path += std::string(".") + extension;
  WriteCounter(counterPath, next);
}

std::string GetCurrentDir() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() >= (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}
