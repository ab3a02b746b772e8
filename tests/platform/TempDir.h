// Test helpers: a temporary directory removed with its contents at the end of the test, and
// small file helpers. Tests run as root in CI, so permission checks must come from the library.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ktpm::test {

class TempDir {
 public:
  TempDir() : TempDir(std::filesystem::temp_directory_path().string()) {}
  // A temporary directory inside parent.
  explicit TempDir(const std::string& parent) {
    std::string pattern = parent + "/ktpm-platform-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) m_path = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    if (m_path.empty()) return;
    std::error_code ignored;
    // Read-only files left by a test must not stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (!it->is_symlink()) ::chmod(it->path().c_str(), 0755);
    }
    ::chmod(m_path.c_str(), 0755);
    std::filesystem::remove_all(m_path, ignored);
  }

  const std::string& path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// Runs the test body with the current directory set to a directory, restoring it afterwards.
class CurrentDirGuard {
 public:
  explicit CurrentDirGuard(const std::string& directory) {
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer) != nullptr) m_previous = buffer;
    if (::chdir(directory.c_str()) != 0) m_previous.clear();
  }
  CurrentDirGuard(const CurrentDirGuard&) = delete;
  CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;
  ~CurrentDirGuard() {
    if (!m_previous.empty() && ::chdir(m_previous.c_str()) != 0) std::abort();
  }

 private:
  std::string m_previous;
};

inline void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline bool PathExists(const std::string& path) {
  struct stat status;
  return ::lstat(path.c_str(), &status) == 0;
}

inline bool OwnerWritable(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && (status.st_mode & S_IWUSR) != 0;
}

inline void MakeReadOnly(const std::string& path) { ::chmod(path.c_str(), 0444); }

// Sets a file's or directory's modification time into the past, so that listings of it are
// settled at once.
inline void AgeTimestamp(const std::string& path) {
  struct timespec times[2];
  ::clock_gettime(CLOCK_REALTIME, &times[0]);
  times[0].tv_sec -= 10;
  times[1] = times[0];
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace ktpm::test
