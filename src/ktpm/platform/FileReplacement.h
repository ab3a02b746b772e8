// Writing a file as one step: the new contents go to a temporary file beside the target, are
// flushed to the disk and renamed over the target, so that a crash, a full disk or a file-size
// limit leaves either the old file whole or the new one whole, never a truncated file.
//
// FileReplacement owns the temporary and the stream on it: Commit makes it the target; a
// replacement destroyed without a successful Commit removes its temporary and leaves the target
// as it was. The new file keeps the permission bits (and, where the process may set it, the
// owner) of the file it replaces; a new file gets the umask's bits. The owner-write bit is
// honoured: a write-protected target, a directory or any other non-regular file is refused. A
// symbolic link at the last component is replaced by the new file and its target never written,
// so no write leaves the directory through a link. Temporaries are hidden names (see
// IsReplacementTemporaryName) that no project file can have.
//
// Threads: a replacement belongs to one thread; distinct replacements may run at once, also of
// the same target (the last Commit wins).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace ktpm::detail {

class FileReplacement {
 public:
  // Creates the temporary beside path (its last component resolved without regard to case).
  // IsOpen tells whether that worked; errno says why not.
  explicit FileReplacement(const std::string& path);
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  ~FileReplacement();

  bool IsOpen() const { return m_fd >= 0; }
  // The descriptor of the temporary (-1 when not open), for writers that use descriptors; owned
  // by the replacement. Not to be mixed with Stream().
  int Descriptor() const { return m_fd; }
  // A stdio stream on the temporary (nullptr when not open), owned by the replacement. Write
  // errors stay in the stream and make Commit fail.
  std::FILE* Stream();
  // Appends text to the stream; false (and Commit fails) when it could not be written.
  bool Write(std::string_view text);
  // Flushes and syncs the temporary, renames it over the target and syncs the directory. false,
  // with the temporary removed and the target unchanged, when any step failed.
  bool Commit();

 private:
  void Discard();

  std::string m_target;     // native path of the file replaced
  std::string m_temporary;  // native path of the temporary; empty once renamed or removed
  int m_fd = -1;
  std::FILE* m_stream = nullptr;
  bool m_failed = false;
};

// Replaces path's contents with content through a FileReplacement. true when committed.
bool ReplaceFileContents(const std::string& path, std::string_view content);

// Whether a file name (no directory) is a temporary of a replacement in progress: a directory
// watcher or listing may pass over it.
bool IsReplacementTemporaryName(std::string_view name);

}  // namespace ktpm::detail
