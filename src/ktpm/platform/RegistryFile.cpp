#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include <ktpm/platform/FileTimes.h>
#include <ktpm/platform/IniFile.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/platform/RegistryFile.h>
#include <ktpm/platform/UserDirs.h>

namespace ktpm::detail {
namespace {

// A registry file is a few kilobytes; anything past this is not read.
constexpr std::size_t kMaxRegistryFileSize = 16 * 1024 * 1024;

RegistryData::KeyPath UpperPath(const RegistryData::KeyPath& path) {
  RegistryData::KeyPath upper;
  upper.reserve(path.size());
  for (const std::string& component : path) upper.push_back(ToUpperAscii(component));
  return upper;
}

// What identifies one version of the registry file on disk.
struct FileSignature {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  struct timespec modified = {};
  struct timespec changed = {};

  bool operator==(const FileSignature& other) const {
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec && changed.tv_sec == other.changed.tv_sec &&
           changed.tv_nsec == other.changed.tv_nsec;
  }
};

FileSignature SignatureOf(const struct stat& status) {
  FileSignature signature;
  signature.exists = true;
  signature.device = status.st_dev;
  signature.inode = status.st_ino;
  signature.size = status.st_size;
  signature.modified = status.st_mtim;
  signature.changed = status.st_ctim;
  return signature;
}

// Reads at most kMaxRegistryFileSize bytes of the file; fills the signature of what was read.
std::string ReadRegistryText(const std::string& path, FileSignature& signature) {
  signature = FileSignature();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string text;
  struct stat status;
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
    signature = SignatureOf(status);
    char buffer[64 * 1024];
    while (text.size() < kMaxRegistryFileSize) {
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      text.append(buffer, static_cast<std::size_t>(got));
    }
    if (text.size() > kMaxRegistryFileSize) text.resize(kMaxRegistryFileSize);
  }
  ::close(fd);
  return text;
}

struct RegistrySnapshot {
  std::string path;
  FileSignature signature;
  bool settled = false;
  std::shared_ptr<const RegistryData> data;
};

}  // namespace

std::shared_ptr<const RegistryData> RegistryData::Parse(const std::string& text) {
  IniFile ini;
  ini.Parse(text);
  auto data = std::make_shared<RegistryData>();
  for (const IniFile::Section& section : ini.Sections()) {
    Section parsed;
    parsed.path = SplitKeyPath(section.name);
    parsed.upperPath = UpperPath(parsed.path);
    parsed.values = section.values;
    data->m_sections.push_back(std::move(parsed));
  }
  return data;
}

RegistryData::KeyPath RegistryData::SplitKeyPath(std::string_view path) {
  KeyPath components;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    // A key name ends at a null byte, as every name the registry hands out does.
    std::string_view component = path.substr(start, end - start);
    component = component.substr(0, component.find('\0'));
    if (!component.empty()) components.emplace_back(component);
    start = end + 1;
  }
  return components;
}

bool RegistryData::StartsWith(const KeyPath& path, const KeyPath& prefix) {
  if (path.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (path[i] != prefix[i]) return false;
  }
  return true;
}

bool RegistryData::HasKey(const KeyPath& key) const {
  if (key.empty()) return true;
  const KeyPath upper = UpperPath(key);
  for (const Section& section : m_sections) {
    if (StartsWith(section.upperPath, upper)) return true;
  }
  return false;
}

const std::string* RegistryData::FindValue(const KeyPath& key, std::string_view name) const {
  const KeyPath upper = UpperPath(key);
  for (const Section& section : m_sections) {
    if (section.upperPath != upper) continue;
    for (const auto& [valueName, value] : section.values) {
      if (EqualsNoCase(valueName, name)) return &value;
    }
  }
  return nullptr;
}

bool RegistryData::GetSubKey(const KeyPath& key, std::size_t index, std::string& name) const {
  const KeyPath upper = UpperPath(key);
  std::vector<const std::string*> seen;  // upper-cased names already counted
  for (const Section& section : m_sections) {
    if (section.upperPath.size() <= upper.size() || !StartsWith(section.upperPath, upper)) {
      continue;
    }
    const std::string& next = section.upperPath[upper.size()];
    bool known = false;
    for (const std::string* earlier : seen) known = known || *earlier == next;
    if (known) continue;
    if (seen.size() == index) {
      name = section.path[upper.size()];
      return true;
    }
    seen.push_back(&next);
  }
  return false;
}

std::vector<std::string> FindKeySections(const IniFile& file, const RegistryData::KeyPath& key,
                                         bool below) {
  const RegistryData::KeyPath upper = UpperPath(key);
  std::vector<std::string> names;
  for (const IniFile::Section& section : file.Sections()) {
    const RegistryData::KeyPath path = UpperPath(RegistryData::SplitKeyPath(section.name));
    const bool same = path == upper;
    const bool under =
        below && path.size() > upper.size() && std::equal(upper.begin(), upper.end(), path.begin());
    if (same || under) names.push_back(section.name);
  }
  return names;
}

int UpdateRegistryFile(const std::function<int(IniFile& file)>& edit) {
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  const std::string path = GetRegistryFilePath();
  IniFile file;
  if (file.Load(path) < 0 || edit(file) == 0) return 0;
  return file.Save(path);
}

std::string GetRegistryFilePath() {
  const std::string configured = GetEnvironment("KT_REGISTRY_FILE");
  if (!configured.empty()) return configured;
  return GetUserConfigDir() + "/keltravo/registry.ini";
}

std::shared_ptr<const RegistryData> GetRegistry() {
  static std::mutex mutex;
  static auto* snapshot = new RegistrySnapshot;  // kept until exit
  const std::string path = GetRegistryFilePath();
  struct stat status;
  FileSignature current;
  if (::stat(path.c_str(), &status) == 0) current = SignatureOf(status);
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (snapshot->data && snapshot->settled && snapshot->path == path &&
        snapshot->signature == current) {
      return snapshot->data;
    }
  }
  FileSignature read;
  auto data = RegistryData::Parse(ReadRegistryText(path, read));
  std::lock_guard<std::mutex> lock(mutex);
  snapshot->path = path;
  snapshot->signature = read;
  // A file changed within the last timestamp tick may change again unseen: read it again.
  snapshot->settled = IsTimestampSettled(read.modified) && IsTimestampSettled(read.changed);
  snapshot->data = data;
  return data;
}

}  // namespace ktpm::detail
