#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <ktpm/platform/FileOperations.h>
#include <ktpm/platform/MappedFile.h>
#include <ktpm/platform/PathResolver.h>
#include <ktpm/platform/PathText.h>

namespace {

// Large enough that reading a keyword file costs a handful of system calls.
constexpr size_t kStreamBufferSize = 64 * 1024;

int CauseOf(int error) {
  switch (error) {
    case ENOENT:
      return KFileException::fileNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return KFileException::accessDenied;
    case EMFILE:
    case ENFILE:
      return KFileException::tooManyOpenFiles;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return KFileException::badPath;
    case ENOSPC:
      return KFileException::diskFull;
    case ETXTBSY:
      return KFileException::sharingViolation;
    default:
      return KFileException::generic;
  }
}

int OpenFlagsFor(unsigned flags) {
  int openFlags = O_CLOEXEC | O_NOCTTY;
  if ((flags & KMappedStdioFile::modeReadWrite) != 0) {
    openFlags |= O_RDWR;
  } else if ((flags & KMappedStdioFile::modeWrite) != 0) {
    openFlags |= O_WRONLY;
  } else {
    openFlags |= O_RDONLY;
  }
  // Writes never go through a symbolic link at the last component (ELOOP).
  if ((openFlags & O_ACCMODE) != O_RDONLY) openFlags |= O_NOFOLLOW;
  if ((flags & KMappedStdioFile::modeCreate) != 0) {
    openFlags |= O_CREAT;
    if ((flags & KMappedStdioFile::modeNoTruncate) == 0) openFlags |= O_TRUNC;
  }
  return openFlags;
}

const char* StreamModeFor(int openFlags) {
  switch (openFlags & O_ACCMODE) {
    case O_WRONLY:
      return "w";  // fdopen never truncates: the descriptor decides
    case O_RDWR:
      return "r+";
    default:
      return "r";
  }
}

}  // namespace

KMappedStdioFile::KMappedStdioFile() = default;

KMappedStdioFile::KMappedStdioFile(const std::string& path, unsigned flags) {
  KFileException error;
  if (Open(path, flags, &error) == 0) throw error;
}

KMappedStdioFile::~KMappedStdioFile() {
  Close();
  std::free(m_lineBuffer);
}

int KMappedStdioFile::Open(const std::string& path, unsigned flags, KFileException* error) {
  Close();
  if (IsWindowsHostedPath(path) == 0) {
    flags = (flags & ~static_cast<unsigned>(typeText)) | typeBinary;
  }
  const int openFlags = OpenFlagsFor(flags);
  const std::string resolved = ktpm::detail::ResolvePath(path);
  const std::string native = ktpm::detail::ToNativePath(resolved);
  auto fail = [&](int osError) {
    if (error != nullptr) *error = KFileException(CauseOf(osError), osError, path);
    errno = osError;
    return 0;
  };
  if (path.empty()) return fail(ENOENT);
  // The read-only attribute holds for every process, root included.
  if ((openFlags & O_ACCMODE) != O_RDONLY && ktpm::detail::IsReadOnlyOnDisk(resolved)) {
    return fail(EACCES);
  }
  const int fd = ::open(native.c_str(), openFlags, 0666);
  if (fd < 0) return fail(errno);
  struct stat status;
  if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(fd);
    return fail(EISDIR);
  }
  FILE* file = ::fdopen(fd, StreamModeFor(openFlags));
  if (file == nullptr) {
    const int openError = errno;
    ::close(fd);
    return fail(openError);
  }
  std::setvbuf(file, nullptr, _IOFBF, kStreamBufferSize);
  m_file = file;
  m_binary = (flags & typeBinary) != 0;
  m_writeError = false;
  m_path = resolved;
  return 1;
}

int KMappedStdioFile::IsOpen() const { return m_file != nullptr ? 1 : 0; }

int KMappedStdioFile::ReadString(std::string& line) {
  if (m_file == nullptr) return 0;
  const ssize_t got = ::getline(&m_lineBuffer, &m_lineCapacity, m_file);
  if (got <= 0) return 0;
  size_t length = static_cast<size_t>(got);
  if (m_lineBuffer[length - 1] == '\n') {
    --length;
    // A text-mode read turns "\r\n" into "\n", as the original platform's C library does.
    if (!m_binary && length > 0 && m_lineBuffer[length - 1] == '\r') --length;
  }
  line.assign(m_lineBuffer, length);
  return 1;
}

void KMappedStdioFile::WriteString(const std::string& text) {
  if (m_file == nullptr) {
    m_writeError = true;
    return;
  }
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), m_file) != text.size()) {
    m_writeError = true;
  }
}

void KMappedStdioFile::Close() {
  if (m_file == nullptr) return;
  if (std::fclose(m_file) != 0) m_writeError = true;
  m_file = nullptr;
}

const std::string& KMappedStdioFile::GetFilePath() const { return m_path; }
