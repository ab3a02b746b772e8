// Fuzzes the 3D mesh file reader: the input is written as a ".m3r" file and filled into an
// attribute set, then read record by record.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/mesh/KMeshAttributeSet.h>
#include <ktpm/platform/Resources.h>

namespace {

const std::string& FuzzFilePath() {
  static const std::string path =
      (std::filesystem::temp_directory_path() /
       ("ktpm-m3r-fuzz-" + std::to_string(std::random_device()()) + ".m3r"))
          .string();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool configured = [] {
    SetMessageBoxHandler([](const std::string&, const std::string&) {});
    KM3RReader::SetRetryDelay(std::chrono::milliseconds(0));
    return true;
  }();
  (void)configured;
  const std::string& path = FuzzFilePath();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  KMeshAttributeSet set(path);
  KM3RReader reader;
  if (reader.Open(path)) {
    std::vector<int32_t> values;
    reader.ReadIntAttribute("SHAPE", values);
    reader.ReadRegion(values);
    std::vector<std::pair<double, double>> thickness;
    reader.ReadThickness(thickness);
  }
  return 0;
}
