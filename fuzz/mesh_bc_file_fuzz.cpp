// Fuzzes the boundary-condition file: the input is loaded, given a model, saved and loaded again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include <ktpm/mesh/KBCFile.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string base = (std::filesystem::temp_directory_path() /
                                   ("ktpm-bc-fuzz-" + std::to_string(std::random_device()())))
                                      .string();
  const std::string input = base + ".bc3";
  const std::string output = base + "-out.bc3";
  FILE* file = std::fopen(input.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  KBCFile bc(input);
  bc.GetLocalAxes();
  bc.HasStructuralLoads();
  bc.SetModel(bc.GetModel() + ".ktl");
  bc.Save(output);
  KBCFile reread(output);
  reread.GetModel();
  return 0;
}
