#include <algorithm>
#include <cctype>

#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/mesh/KMeshAttributeSet.h>
#include <ktpm/mesh/MeshAttributeLoader.h>
#include <ktpm/platform/KFileEntry.h>

namespace {

constexpr const char* kStandardNames[KMeshAttributeSet::kStandardCount] = {
    "BLOCK1",  "BLOCK2",   "COLOR",   "DIVISION", "GPROP",   "HEATXFER", "HTE",
    "INSCOND", "INSDENS",  "INSSPHT", "INTCON",   "LAYER",   "MATERIAL", "MODELTYP",
    "MPROP",   "NCIRCUIT", "NINSERT", "NTRIS",    "OLDELEM", "OLDNODE",  "OCCUR",
    "PARTS",   "REGION",   "SHAPE",   "SPROP",    "BEAMPOS", "BEAMID"};

constexpr int kModelTypeId = 13;

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

// The model file path taken from the current directory (an absolute path is kept as it is).
std::string ModelPathFromCurrentDir(const std::string& path) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return path;
  std::string directory = GetCurrentDir();
  if (directory.empty()) return path;
  if (directory.back() != '/' && directory.back() != '\\') directory += '/';
  return directory + path;
}

// The path with the extension after its last separator replaced (or appended when it has none).
std::string WithExtension(const std::string& path, const std::string& extension) {
  size_t dot = path.rfind('.');
  size_t separator = path.find_last_of("/\\");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
    return path + extension;
  }
  return path.substr(0, dot) + extension;
}

}  // namespace

KMeshAttributeSet::KMeshAttributeSet() {
  attributes.reserve(kStandardCount);
  for (int id = 0; id < kStandardCount; ++id) {
    auto attribute = std::make_unique<KMeshAttribute>();
    attribute->id = id;
    attribute->name = kStandardNames[id];
    attributes.push_back(std::move(attribute));
  }
}

KMeshAttributeSet::KMeshAttributeSet(const std::string& path) : KMeshAttributeSet() { Load(path); }

KMeshAttributeSet::~KMeshAttributeSet() = default;

int KMeshAttributeSet::Load(const std::string& path) {
  try {
    if (EndsWithNoCase(path, ".m3r") || EndsWithNoCase(path, ".m3i")) {
      KM3RReader::FillAttributeSet(*this, path);
      return 1;
    }
    std::string modelPath = ModelPathFromCurrentDir(path);
    ktpm::detail::LoadAttributeFiles(*this, WithExtension(modelPath, ".ain"),
                                     WithExtension(modelPath, ".ata"), path);
  } catch (const std::exception&) {
    // A load never fails: what was read stays in the set.
  }
  return 1;
}

KMeshAttribute* KMeshAttributeSet::FindAttribute(const std::string& name) {
  for (auto& attribute : attributes) {
    if (attribute->name == name) return attribute.get();
  }
  return nullptr;
}

const KMeshAttribute* KMeshAttributeSet::FindAttribute(const std::string& name) const {
  return const_cast<KMeshAttributeSet*>(this)->FindAttribute(name);
}

int KMeshAttributeSet::HasModelType(int value) const {
  if (attributes.size() <= kModelTypeId) return 0;
  for (const KIntEntry& entry : attributes[kModelTypeId]->classes[3].intValues) {
    if (entry.value == value) return 1;
  }
  return 0;
}

std::string KMeshAttributeSet::StandardAttributeName(int id) {
  if (id < 0 || id >= kStandardCount) return {};
  return kStandardNames[id];
}
