#include "Input.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <ktpm/platform/KFileEntry.h>

namespace ktpm::tool {

std::string DirectoryProblem(const std::string& path) {
  std::error_code error;
  std::filesystem::directory_iterator listing(path.empty() ? "." : path, error);
  return error ? error.message() : std::string();
}

std::string FileProblem(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error) {
    // The project's files are found in any letter case, as the library reads them.
    if (KFileEntry(path).Exists() && !KFileEntry(path).IsDirectory()) return {};
    return error.message();
  }
  if (std::filesystem::is_directory(status)) {
    return std::make_error_code(std::errc::is_a_directory).message();
  }
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    const int reason = errno != 0 ? errno : EACCES;
    return std::error_code(reason, std::generic_category()).message();
  }
  std::fclose(file);
  return {};
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

}  // namespace ktpm::tool
