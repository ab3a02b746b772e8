#include <algorithm>
#include <cctype>

#include <ktpm/mesh/KModelFile.h>
#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/MappedFile.h>

namespace {

constexpr const char* kOldTypePrefix = "Mesh Type";
constexpr const char* kTypePrefix = "MESH_MODEL_TYPE:";
constexpr const char* kCavityPrefix = "Cavity Model";
constexpr const char* kUnvPrefix = "UNV|";
constexpr size_t kUnvNameStart = 4;  // just after "UNV|"

bool EqualNoCase(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// The line without its leading blanks and tabs.
std::string_view WithoutLeadingBlanks(const std::string& line) {
  size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return std::string_view(line).substr(first);
}

std::string Trim(std::string_view text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), EqualNoCase);
}

// The model a "*_c.ktl" file is the cavity of: the same path less the "_c" before the extension.
std::string CavityPartPath(const std::string& path) {
  return path.substr(0, path.size() - 6) + path.substr(path.size() - 4);
}

MeshModelType TypeFromText(const std::string& text) {
  if (text == "FUSION") return MMT_FUSION;
  if (text == "MIDPLANE") return MMT_MIDPLANE;
  if (text == "XSECTION") return MMT_XSECTION;
  return MMT_UNKNOWN;
}

}  // namespace

KModelFile::KModelFile(const std::string& filePath) {
  KMappedStdioFile file;
  if (!file.Open(filePath, KMappedStdioFile::modeRead | KMappedStdioFile::typeText)) return;
  path = filePath;
  std::string line;
  while (file.ReadString(line)) lines.push_back(line);
}

int KModelFile::FindLine(const std::string& prefix) const {
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view text = WithoutLeadingBlanks(lines[i]);
    if (text.size() >= prefix.size() &&
        std::equal(prefix.begin(), prefix.end(), text.begin(), EqualNoCase)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int KModelFile::GetValue(const std::string& prefix, std::string& value) const {
  int index = FindLine(prefix);
  if (index < 0) return 0;
  std::string_view text = WithoutLeadingBlanks(lines[static_cast<size_t>(index)]);
  // The prefix and the one separator character after it.
  size_t skip = std::min(text.size(), prefix.size() + 1);
  value = Trim(text.substr(skip));
  return 1;
}

int KModelFile::Save() {
  if (path.empty()) return 0;
  // A write-protected model is made writable for the write and protected again after it; the
  // new file is written beside the old one and replaces it whole, or not at all.
  KFileEntry entry(path);
  const bool wasReadOnly = entry.IsWriteProtected() != 0;
  if (wasReadOnly && entry.SetReadOnly(0) == 0) return 0;
  int written = 0;
  {
    ktpm::detail::FileReplacement file(path);
    bool complete = file.IsOpen();
    for (size_t i = 0; i < lines.size() && complete; ++i) {
      complete = file.Write(lines[i]) && file.Write("\n");
    }
    written = complete && file.Commit() ? 1 : 0;
  }
  if (wasReadOnly) entry.SetReadOnly(1);
  return written;
}

std::string KModelFile::MeshModelTypeText(int type) {
  switch (type) {
    case MMT_FUSION:
      return "FUSION";
    case MMT_MIDPLANE:
      return "MIDPLANE";
    case MMT_XSECTION:
      return "XSECTION";
    default:
      return "UNKNOWN";
  }
}

MeshModelType KModelFile::GetMeshModelType() const {
  std::string value;
  if (GetValue(kOldTypePrefix, value) || GetValue(kTypePrefix, value)) return TypeFromText(value);
  return MMT_UNKNOWN;
}

int KModelFile::SetMeshModelType(MeshModelType type) {
  std::string line = std::string(kTypePrefix) + " " + MeshModelTypeText(type);
  int index = FindLine(kOldTypePrefix);
  if (index < 0) index = FindLine(kTypePrefix);
  if (index < 0) {
    lines.push_back(line);
  } else if (lines[static_cast<size_t>(index)] == line) {
    return 1;
  } else {
    lines[static_cast<size_t>(index)] = line;
  }
  return Save();
}

int KModelFile::SetCavityModel(const std::string& cavityPath) {
  std::string line = std::string(" ") + kCavityPrefix + "  " + cavityPath;
  int index = FindLine(kCavityPrefix);
  if (index < 0) {
    lines.push_back(line);
  } else {
    lines[static_cast<size_t>(index)] = line;
  }
  return Save();
}

int KModelFile::GetCavityModel(std::string& cavityPath) const {
  if (GetValue(kCavityPrefix, cavityPath)) return 1;
  if (!EndsWithNoCase(path, "_c.ktl")) return 0;
  std::string partPath = CavityPartPath(path);
  if (!KFileEntry(partPath).Exists()) return 0;
  cavityPath = partPath;
  return 1;
}

int KModelFile::GetUnvSource(std::string& name) const {
  int index = FindLine(kUnvPrefix);
  if (index < 0) return 0;
  // The line as stored, from just after "UNV|" up to the next bar.
  const std::string& line = lines[static_cast<size_t>(index)];
  if (line.size() <= kUnvNameStart) {
    name.clear();
    return 1;
  }
  size_t bar = line.find('|', kUnvNameStart);
  name = line.substr(kUnvNameStart,
                     bar == std::string::npos ? std::string::npos : bar - kUnvNameStart);
  return 1;
}

int KModelFile::IsMoldMesh() const {
  int index = FindLine(kUnvPrefix);
  if (index < 0) {
    std::string cavityPath;
    return GetCavityModel(cavityPath);
  }
  const std::string& line = lines[static_cast<size_t>(index)];
  size_t bar = line.size() > kUnvNameStart ? line.find('|', kUnvNameStart) : std::string::npos;
  if (bar == std::string::npos) return 0;
  return line.compare(bar + 1, 5, "MOLD ") == 0 && line.size() >= bar + 6 ? 1 : 0;
}
