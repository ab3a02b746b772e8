// Feeds arbitrary bytes to the registry file reader as the registry file, then walks every key
// it yields through KRegKey: enumerating subkeys, opening them and querying values. Besides any
// crash or overread, it stops when an enumerated subkey does not open or a value that was read
// does not fit the 261-byte buffer. It also changes the parsed file as a write would and stops
// when the changed text does not read back with the new value and every other value as before.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <ktpm/platform/IniFile.h>
#include <ktpm/platform/KRegKey.h>
#include <ktpm/platform/RegistryFile.h>

namespace {

constexpr int kMaxDepth = 6;
constexpr int kMaxKeysPerLevel = 16;
constexpr int kMaxKeysPerInput = 64;

const std::string& ScratchRegistryFile() {
  static const std::string path = [] {
    std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("ktpm-registry-fuzz-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(directory);
    std::string file = (directory / "registry.ini").string();
    ::setenv("KT_REGISTRY_FILE", file.c_str(), 1);
    return file;
  }();
  return path;
}

void Walk(KRegKey& key, int depth, int& budget) {
  if (--budget < 0) return;
  std::string value;
  for (const char* name : {"Local1", "Remote1", "", "x"}) {
    if (key.QueryString(name, value) != 0 && value.size() >= KRegKey::kBufferSize) std::abort();
  }
  if (depth >= kMaxDepth) return;
  for (int index = 0; index < kMaxKeysPerLevel; ++index) {
    const char* subKeyName = key.EnumSubKey(index);
    if (subKeyName == nullptr) break;
    const std::string name = subKeyName;
    KRegKey subKey = key.OpenSubKey(name);
    // A name without separators that enumeration gave must open (one with "\" in it cannot
    // come from enumeration at all).
    if (subKey.IsOpen() == 0) std::abort();
    Walk(subKey, depth + 1, budget);
  }
}

bool SameName(const std::string& a, const std::string& b) {
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

// Every value of before, except key in section, reads the same from after.
void CheckOtherValuesKept(const std::vector<ktpm::detail::IniFile::Section>& before,
                          const ktpm::detail::IniFile& after, const std::string& section,
                          const std::string& key) {
  for (const auto& kept : before) {
    for (const auto& [name, value] : kept.values) {
      if (SameName(kept.name, section) && SameName(name, key)) continue;
      const std::string* read = after.Find(kept.name, name);
      if (read == nullptr || *read != value) std::abort();
    }
  }
}

// Sets a value in the first section (or a new one), then removes it again, reading the text
// back after each change.
void CheckChanges(const std::string& text) {
  ktpm::detail::IniFile file;
  file.Parse(text);
  const auto before = file.Sections();
  const std::string section = before.empty() ? "New" : before.front().name;
  const std::string key = "Local1";
  if (file.Set(section, key, "fuzz value") == 0) return;  // a name that cannot be written back
  ktpm::detail::IniFile changed;
  changed.Parse(file.Text());
  const std::string* value = changed.Find(section, key);
  if (value == nullptr || *value != "fuzz value") std::abort();
  CheckOtherValuesKept(before, changed, section, key);
  if (changed.Remove(section, key) == 0) std::abort();
  ktpm::detail::IniFile removed;
  removed.Parse(changed.Text());
  if (removed.Find(section, key) != nullptr) std::abort();
  CheckOtherValuesKept(before, removed, section, key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // The parser on its own, as in memory.
  auto parsed = ktpm::detail::RegistryData::Parse(text);
  std::string name;
  for (std::size_t i = 0; i < 4 && parsed->GetSubKey({}, i, name); ++i) {
    parsed->FindValue({name}, "Local1");
  }
  CheckChanges(text);
  // And the whole path from the file through KRegKey.
  {
    std::ofstream out(ScratchRegistryFile(), std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  KRegKey root(HKEY_LOCAL_MACHINE);
  int budget = kMaxKeysPerInput;
  Walk(root, 0, budget);
  return 0;
}
