#include <ktpm/platform/PathText.h>
#include <ktpm/projtree/FileNameRules.h>
#include <ktpm/projtree/NodeTypes.h>

namespace ktpm::detail {

std::string ExtensionOf(std::string_view name) {
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string CutExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string WithExtension(std::string_view name, std::string_view extension) {
  return CutExtension(name) + std::string(extension);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string EnsureExtension(std::string_view name, std::string_view extension) {
  std::string result(name);
  if (!EndsWithNoCase(name, extension)) result += extension;
  return result;
}

const std::string& MeshExtension() {
  static const std::string extension = GetRegistryExtension(NT_MESH, NST_DEFAULT, RC_MAIN);
  return extension;
}

const std::string& Mesh3DExtension() {
  static const std::string extension = GetRegistryExtension(NT_MESH, NST_MESH_3D, RC_MAIN);
  return extension;
}

std::string MeshFileName(std::string_view name) {
  std::string result(name);
  if (!EndsWithNoCase(name, MeshExtension()) && !EndsWithNoCase(name, Mesh3DExtension())) {
    result += MeshExtension();
  }
  return result;
}

bool IsProjectFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    if (IsPathSeparator(c) || c == '\0') return false;
  }
  // A drive-qualified name ("C:x") also leaves the project directory.
  return !(name.size() >= 2 && name[1] == ':');
}

}  // namespace ktpm::detail
