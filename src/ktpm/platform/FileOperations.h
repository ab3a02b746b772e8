// The file-system operations behind KFileEntry, with the original platform's rules kept on
// POSIX: the owner-write bit (0200) is the read-only attribute and is honoured by the library
// itself, also when the process runs as root; a move never replaces an existing file; copying
// a file onto itself is refused rather than truncating it.
//
// Paths may use "/" or "\"; they are used as spelled (callers resolve letter case first, see
// PathResolver.h). Every function reports failure by its result and leaves errno set; none
// throws. Free functions, safe from any thread.
#pragma once

#include <string>

namespace ktpm::detail {

// Whether path exists and its owner-write bit is clear (symbolic links are followed).
bool IsReadOnlyOnDisk(const std::string& path);
// Whether path is a symbolic link (to anything, or dangling).
bool IsSymbolicLink(const std::string& path);

// Sets or clears the owner-write bit of a file or directory. A symbolic link is never followed:
// its target keeps its mode and the call fails (ELOOP).
bool SetOwnerWrite(const std::string& path, bool writable);

// Copies a regular file's contents, permission bits and modification time over target,
// replacing it through a temporary file (a link at target is replaced, its target left alone).
// Fails when target is read-only, is a directory or is the source itself; a copy that fails
// half-way leaves target as it was.
bool CopyRegularFile(const std::string& source, const std::string& target);

// Moves source to target, which must not exist (as spelled or in another letter case), unless
// it is the source itself under another spelling. With allowCopy, a regular file is copied
// and the source deleted when the two are on different file systems.
bool MovePath(const std::string& source, const std::string& target, bool allowCopy);

// Deletes a file or a symbolic link; fails for a directory and for a read-only file.
bool RemoveFile(const std::string& path);
// Removes an empty directory; fails when it is read-only.
bool RemoveEmptyDirectory(const std::string& path);
// Creates one directory (mode 0777 less the umask); fails when it exists.
bool CreateDirectory(const std::string& path);
// Makes path the process's current directory.
bool ChangeCurrentDirectory(const std::string& path);

}  // namespace ktpm::detail
