// File-name rules of the project tree: extensions, suffixes and which names may become nodes.
// Pure functions, safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace ktpm::detail {

// The text from the last "." of the name, with the dot; empty when there is none.
std::string ExtensionOf(std::string_view name);
// The name with the text from its last "." replaced by extension (appended when there is none).
std::string WithExtension(std::string_view name, std::string_view extension);
// The name up to its last "." (the whole name when there is none).
std::string CutExtension(std::string_view name);
// Whether text ends with suffix, without regard to case.
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Appends extension unless the name already ends with it (without regard to case).
std::string EnsureExtension(std::string_view name, std::string_view extension);
// The main extensions of meshes (".ktl") and of 3D meshes (".m3i"), from the file-type registry.
const std::string& MeshExtension();
const std::string& Mesh3DExtension();
// A mesh file name as keyword and boundary-condition files give it: ".ktl" appended unless the
// name already ends with ".ktl" or ".m3i".
std::string MeshFileName(std::string_view name);

// Whether a name read from a project file may name a file of the project: a plain name in the
// project directory, without directory parts, not "." or "..". Names that fail are ignored, so
// that no file outside the project is ever made, changed or deleted through a reference.
bool IsProjectFileName(std::string_view name);

}  // namespace ktpm::detail
