// Feeds arbitrary bytes to KKeywordFile as a file, saves what it read, reads that back and saves
// again. Besides any crash or overread, it stops on a saved file that does not read back the same
// (inputs with 3D flow keywords are left out of that check: converting an old entry may leave
// another old-looking value behind, which the next reading converts again).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

#include "keyword/KKeywordFile.h"

namespace {

std::string ScratchPath(const char* name) {
  static const std::string directory = [] {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("ktpm-keyword-fuzz-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(path);
    return path.string();
  }();
  return directory + "/" + name;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = ScratchPath("input.kwd");
  const std::string first = ScratchPath("first.kwd");
  const std::string second = ScratchPath("second.kwd");
  std::FILE* file = std::fopen(input.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  KKeywordFile keywords;
  keywords.Load(input);
  keywords.GetValue("3DFLOW_ANALYSIS_AIM");
  if (keywords.Save(first) != 1) __builtin_trap();
  KKeywordFile again;
  again.Load(first);
  again.SetValue("_INTERNAL", "1");
  if (again.Save(second) != 1) __builtin_trap();

  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.find("3DFLOW_") == std::string_view::npos && ReadBytes(first) != ReadBytes(second)) {
    __builtin_trap();
  }
  return 0;
}
