// Path text helpers shared by the file layer: separators, case folding and joining.
//
// Paths handed to the library may use "/" or "\" between components (names written on the
// original platform use "\"); new paths are joined with "/", and a path goes to the operating
// system with every "\" turned into "/". Letter case is folded in ASCII only, so results do not
// depend on the process's locale. Pure functions, safe from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ktpm::detail {

inline bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

// Position of the last "/" or "\", npos when there is none.
std::size_t FindLastSeparator(std::string_view path);

// The path as the operating system spells it: every "\" becomes "/".
std::string ToNativePath(std::string_view path);

// ASCII upper and lower case.
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
// Case-insensitive (ASCII) equality.
bool EqualsNoCase(std::string_view a, std::string_view b);

// directory + "/" + name; directory alone when name is empty, name alone when directory is
// empty, and no second separator when directory already ends with one.
std::string JoinPath(std::string_view directory, std::string_view name);

// The directory part of path (up to, not including, the last separator; "/" for a name directly
// under the root; "" when there is no separator) and the name after the last separator.
std::string DirectoryOf(std::string_view path);
std::string NameOf(std::string_view path);

// The path made absolute against the current directory and cleaned lexically: native
// separators, "." and empty components dropped, ".." removing the component before it. A path
// that starts with a separator is already absolute; so is a path with a drive letter ("X:"),
// which is only cleaned. Empty when the current directory cannot be read.
std::string MakeAbsolutePath(std::string_view path);

}  // namespace ktpm::detail
