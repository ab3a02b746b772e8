// A temporary directory for one test, removed with everything in it when the test ends.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ktpm::test {

class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0;; ++attempt) {
      m_path = std::filesystem::temp_directory_path() /
               ("ktpm-report-" + std::to_string(stamp) + "-" + std::to_string(counter++));
      if (std::filesystem::create_directory(m_path) || attempt > 100) break;
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
  }

  const std::filesystem::path& Path() const { return m_path; }
  // The full path of name inside the directory.
  std::string File(const std::string& name) const { return (m_path / name).string(); }

  // Writes text to name (made inside the directory) and returns its full path.
  std::string Write(const std::string& name, const std::string& text) const {
    std::string path = File(name);
    std::ofstream out(path, std::ios::binary);
    out << text;
    return path;
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::filesystem::path m_path;
};

}  // namespace ktpm::test
