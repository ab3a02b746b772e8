// Fuzzes the mesh attribute loader with an index file and a data file: the input up to its first
// NUL byte is the index, the rest the data.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <ktpm/mesh/KMeshAttributeSet.h>
#include <ktpm/mesh/MeshAttributeLoader.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find('\0');
  std::string_view index = input.substr(0, split);
  std::string_view attributeData =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
  KMeshAttributeSet set;
  ktpm::detail::LoadAttributeText(set, index, attributeData, "fuzz.ktl");
  set.HasModelType(4);
  return 0;
}
