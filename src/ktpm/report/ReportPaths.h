// Path helpers of the report subsystem (internal).
//
// Paths read from template files were written on machines with either separator; they are held
// with the native one. HTML report directories and the report data directory are deleted with
// everything in them, so a directory named in a file is deleted only when it lies strictly
// inside the directory that holds its template. Any thread may call these functions.
#pragma once

#include <string>

namespace ktpm::detail {

// The native directory separator.
#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
#else
inline constexpr char kNativeSeparator = '/';
#endif

// path with every "/" and "\" turned into the native separator.
std::string ToNativeSeparators(const std::string& path);

// The last component of path: the text after the last "/", or after the last "\" when there is
// no "/".
std::string LastPathComponent(const std::string& path);

// The directory that holds the file path ("." for a bare name, empty for an empty path).
std::string DirectoryOfFile(const std::string& path);

// Resolves directory as the file system would (symbolic links followed, a last component that
// does not exist as spelled found without regard to case) and returns its full path when it is
// a real directory, not itself a symbolic link, strictly inside the directory that holds the
// file templatePath. Returns an empty text otherwise: "/", "..", ".", the template's own
// directory and every place outside it are refused.
std::string ResolveDirectoryInsideTemplateDir(const std::string& templatePath,
                                              const std::string& directory);

// Deletes directory with everything in it when ResolveDirectoryInsideTemplateDir accepts it.
// 1 when it was deleted.
int DeleteDirectoryInsideTemplateDir(const std::string& templatePath, const std::string& directory);

}  // namespace ktpm::detail
