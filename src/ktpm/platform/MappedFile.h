// Opening text files in the mode their host wants.
//
// A file on a UNIX-hosted network share (an NFS mount, or a directory that the job manager's
// server directory map sends to a UNIX directory) is opened in binary mode so that line ends stay
// a bare line feed; every other file in text mode. MappedFopen and KMappedStdioFile are the only
// ways the library opens text files. The decision caches whole shares process-wide, under a lock
// of its own: every function here may be called from any thread.
#pragma once

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

// Longest path the original platform allowed; GetUniversalPath's char buffer has this size.
inline constexpr int KT_MAX_PATH = 260;

// An open failure of KMappedStdioFile: the cause, the operating-system error and the file name.
class KFileException : public std::exception {
 public:
  enum Cause {
    none = 0,
    generic,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  KFileException() = default;
  KFileException(int cause, int osError, const std::string& fileName);

  int m_cause = none;
  int m_lOsError = 0;
  std::string m_strFileName;

  const char* what() const noexcept override { return m_what.c_str(); }

 private:
  std::string m_what = "file error";
};

// 1 when path is to be opened in text mode (local, or a Windows-hosted share), 0 for binary.
int IsWindowsHostedPath(const char* path);
inline int IsWindowsHostedPath(const std::string& path) {
  return IsWindowsHostedPath(path.c_str());
}

// Rewrites a full path on a network mount into its universal form ("server:/export/file",
// "//server/share/file") in place. 1 for a network path (a path already in universal form, with
// two leading separators, stays as it is), 0 for a local one. The char buffer holds KT_MAX_PATH
// bytes: a universal form that does not fit leaves the path unchanged and counts as local, and
// a buffer without a terminating null counts as local. The string form has no such limit.
int GetUniversalPath(char* path);
int GetUniversalPath(std::string& path);

// fopen with the mode made binary for UNIX-hosted paths ("r" -> "rb", "wt" -> "wb", "a+" -> "a+b").
// The file is found without regard to the case of its name when it does not exist as spelled;
// opening a read-only file (owner-write bit clear) for writing fails with errno EACCES, and
// opening a symbolic link for writing with ELOOP (writes never go through a link).
FILE* MappedFopen(const std::string& path, const std::string& mode);

// A buffered text file whose Open chooses the mode by the host of the path. Lines are read
// without their line end; in text mode a "\r\n" line end reads as a bare line end, in binary
// mode the "\r" stays. Writes are written as given (a bare line feed on POSIX in both modes).
// The file is found without regard to the case of its name; opening a read-only file (owner-
// write bit clear) for writing fails with accessDenied, also for root; a symbolic link is never
// opened for writing (writes never go through a link).
//
// Owned by its maker; one thread at a time.
class KMappedStdioFile {
 public:
  // The open flags of the original platform. modeCreate creates or truncates (kept with
  // modeNoTruncate); without it the file must exist; writes start at the beginning. The share
  // and no-inherit flags have no effect on POSIX (descriptors are always close-on-exec).
  enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };

  KMappedStdioFile();
  // Opens at once; throws KFileException when the file cannot be opened.
  KMappedStdioFile(const std::string& path, unsigned flags);
  KMappedStdioFile(const KMappedStdioFile&) = delete;
  KMappedStdioFile& operator=(const KMappedStdioFile&) = delete;
  virtual ~KMappedStdioFile();

  // 1 when opened; on failure fills *error (when given) and returns 0.
  virtual int Open(const std::string& path, unsigned flags, KFileException* error = nullptr);
  int IsOpen() const;
  // Reads the next line without its line end; 0 at the end of the file.
  int ReadString(std::string& line);
  void WriteString(const std::string& text);
  // Closes the file (nothing when it is not open).
  void Close();
  const std::string& GetFilePath() const;
  // 1 when a write, or the flush when closing, has failed since the file was opened.
  int HasWriteError() const { return m_writeError ? 1 : 0; }

 private:
  FILE* m_file = nullptr;
  bool m_binary = false;
  bool m_writeError = false;
  std::string m_path;
  char* m_lineBuffer = nullptr;  // grown by getline, freed by the destructor
  size_t m_lineCapacity = 0;
};
