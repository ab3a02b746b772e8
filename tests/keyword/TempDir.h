// A scratch directory for one test, removed with everything in it when the test ends.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace ktpm::test {

class TempDir {
 public:
  TempDir() {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
      m_path = std::filesystem::temp_directory_path() /
               ("ktpm-keyword-" + std::to_string(stamp) + "-" + std::to_string(counter++));
      if (std::filesystem::create_directory(m_path)) break;
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }

  // The full path of a file name inside the directory.
  std::string File(const std::string& name) const { return (m_path / name).string(); }

  // Writes bytes exactly as given (no line-end translation) and returns the file's path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return File(name);
  }

 private:
  std::filesystem::path m_path;
};

// The whole content of a file, or "<missing>" when it cannot be opened.
inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace ktpm::test
