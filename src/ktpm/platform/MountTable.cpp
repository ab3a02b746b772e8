#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>

#include <ktpm/platform/MountTable.h>

namespace ktpm::detail {
namespace {

constexpr auto kMountTableLifetime = std::chrono::seconds(1);

// Mount tables write blanks, tabs, newlines and backslashes in names as \ooo.
std::string DecodeOctalEscapes(const std::string& field) {
  std::string decoded;
  decoded.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      decoded += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                   (field[i + 3] - '0'));
      i += 3;
    } else {
      decoded += field[i];
    }
  }
  return decoded;
}

std::string ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  return text.str();
}

}  // namespace

std::vector<MountEntry> ParseMountTable(const std::string& text) {
  std::vector<MountEntry> mounts;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    MountEntry entry;
    if (!(fields >> entry.source >> entry.mountPoint >> entry.type)) continue;
    entry.source = DecodeOctalEscapes(entry.source);
    entry.mountPoint = DecodeOctalEscapes(entry.mountPoint);
    if (entry.mountPoint.empty() || entry.mountPoint[0] != '/') continue;
    mounts.push_back(std::move(entry));
  }
  return mounts;
}

MountTable GetMountTable() {
  static std::mutex mutex;
  static auto* table = new MountTable;  // kept until exit
  static std::chrono::steady_clock::time_point readAt;
  std::lock_guard<std::mutex> lock(mutex);
  const auto now = std::chrono::steady_clock::now();
  if (!*table || now - readAt >= kMountTableLifetime) {
    std::string text = ReadWholeFile("/proc/self/mounts");
    if (text.empty()) text = ReadWholeFile("/etc/mtab");
    *table = std::make_shared<const std::vector<MountEntry>>(ParseMountTable(text));
    readAt = now;
  }
  return *table;
}

const MountEntry* FindMountOf(const std::vector<MountEntry>& mounts, const std::string& path) {
  const MountEntry* best = nullptr;
  for (const MountEntry& mount : mounts) {
    const std::string& point = mount.mountPoint;
    if (path.compare(0, point.size(), point) != 0) continue;
    const bool wholeComponent =
        point == "/" || path.size() == point.size() || path[point.size()] == '/';
    if (!wholeComponent) continue;
    // Of equal mount points the later line wins: it is mounted over the earlier one.
    if (best == nullptr || point.size() >= best->mountPoint.size()) best = &mount;
  }
  return best;
}

}  // namespace ktpm::detail
