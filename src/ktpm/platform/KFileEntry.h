// File and directory entries: one path with the file-system operations and path pieces the
// project needs, and the numbered names of new files through the counter file "keltravo.ctr".
//
// KFileEntry is a value object around one path (absolute, or relative to the current directory);
// KDirectoryEntry is the same for a directory, with recursive delete and tree copy. Both are
// made on the stack for one or a few calls; nothing here throws. File names are compared without
// regard to case: when a path does not exist as spelled, its last component is found
// case-insensitively inside its directory. Paths are split at both "/" and "\"; new paths are
// joined with "/", and "\" reaches the operating system as "/". The owner-write bit stands for
// the read-only attribute and is honoured by the library itself, also for root: deleting,
// copying over, moving onto or opening for writing a read-only file fails. A move or rename
// never replaces an existing file (one spelled in another letter case included). No write,
// mode change or counter update goes through a symbolic link at the last component.
//
// Threads: an entry is not shared; any thread may use its own entries. The case-folded directory
// listings behind name resolution are cached process-wide under a lock of their own.
#pragma once

#include <cstdint>
#include <string>

class KFileEntry {
 public:
  KFileEntry() = default;
  explicit KFileEntry(const std::string& path) : m_path(path) {}
  KFileEntry(const KFileEntry&) = default;
  KFileEntry& operator=(const KFileEntry&) = default;
  virtual ~KFileEntry() = default;

  const std::string& GetPath() const { return m_path; }
  void SetPath(const std::string& path) { m_path = path; }

  // Deletes the file; with makeWritable non-zero its read-only bit is cleared first. 1 on success.
  virtual int Delete(int makeWritable);
  // Moves the file to newPath; the held path becomes newPath whether or not the move succeeded.
  virtual void Rename(const std::string& newPath);
  // Copies sourcePath over this path (overwriting) and makes the copy writable. 1 on success;
  // 0 when the copy failed (missing source, read-only target, the file onto itself).
  virtual int CopyFrom(const std::string& sourcePath);
  // Copies this file to a file path or into an existing directory; the copy is made writable.
  virtual void CopyTo(const std::string& destination);
  // Moves this file to a file path or into an existing directory (copy and delete across file
  // systems). The held path is not changed.
  virtual void MoveTo(const std::string& destination);

  int Exists() const;
  int IsWriteProtected() const;
  // Sets or clears the owner-write bit. A symbolic link is not followed: its target keeps its
  // mode and the result is 0.
  int SetReadOnly(int readOnly);
  uint32_t GetSize() const;
  int IsDirectory() const;

  // directory + "/" + path (no second separator; an empty directory changes nothing).
  void PrependDirectory(const std::string& directory);
  std::string GetExtension() const;
  std::string GetPathWithoutExtension() const;
  std::string GetDirectory() const;
  int IsSamePath(const std::string& text) const;
  int HasPathWithoutExtension(const std::string& text) const;
  int HasSuffix(const std::string& suffix) const;
  void SetExtension(const std::string& extension);
  void SetPathWithoutExtension(const std::string& text);
  // Replaces the directory part of the path; nullptr or "" leaves the bare file name.
  void ReplaceDirectory(const char* directory);
  // Sets the path to a fresh numbered name (the file name in lower case; a directory given with
  // nameOnly 0 keeps its spelling) that no entry "<name><n>" or "<name><n>.*" uses, and
  // advances the counter file. extension is without its dot; nullptr for none.
  void MakeUniqueName(const std::string& name, const char* extension, int nameOnly);

 protected:
  std::string m_path;
};

// A directory: Delete(1) removes the whole tree (links inside it are removed, not followed),
// CopyTo copies the tree into a parent directory (not into the tree itself; links to
// directories are not followed). Delete(0) removes an empty, writable directory.
class KDirectoryEntry : public KFileEntry {
 public:
  using KFileEntry::KFileEntry;

  int Delete(int recursive) override;
  int CopyFrom(const std::string& sourcePath) override;
  void CopyTo(const std::string& parentDirectory) override;
};

// The process's current directory (empty when it cannot be read).
std::string GetCurrentDir();
