#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include <ktpm/platform/FileOperations.h>
#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/PathResolver.h>
#include <ktpm/platform/PathText.h>

namespace ktpm::detail {
namespace {

constexpr std::size_t kCopyBufferSize = 256 * 1024;

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool Fail(int error) {
  errno = error;
  return false;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  int Get() const { return m_fd; }

 private:
  int m_fd;
};

bool CopyContents(int from, int to) {
  std::vector<char> buffer(kCopyBufferSize);
  for (;;) {
    const ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    ssize_t written = 0;
    while (written < got) {
      const ssize_t put = ::write(to, buffer.data() + written, static_cast<size_t>(got - written));
      if (put < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      written += put;
    }
  }
}

bool RenameWithoutReplacing(const std::string& source, const std::string& target) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // Without kernel support the check before the call stands in for the flag.
  return ::rename(source.c_str(), target.c_str()) == 0;
}

}  // namespace

bool IsReadOnlyOnDisk(const std::string& path) {
  struct stat status;
  return ::stat(ToNativePath(path).c_str(), &status) == 0 && (status.st_mode & S_IWUSR) == 0;
}

bool IsSymbolicLink(const std::string& path) {
  struct stat status;
  return ::lstat(ToNativePath(path).c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool SetOwnerWrite(const std::string& path, bool writable) {
  const std::string native = ToNativePath(path);
  struct stat status;
  if (::lstat(native.c_str(), &status) != 0) return false;
  if (S_ISLNK(status.st_mode)) return Fail(ELOOP);
  const mode_t mode =
      writable ? (status.st_mode & 07777) | S_IWUSR : status.st_mode & 07777 & ~S_IWUSR;
  if (::fchmodat(AT_FDCWD, native.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0) return true;
  // Where the C library cannot change a mode without following links, the check above stands
  // in for the flag.
  if (errno != ENOTSUP && errno != EOPNOTSUPP) return false;
  if (IsSymbolicLink(path)) return Fail(ELOOP);
  return ::chmod(native.c_str(), mode) == 0;
}

bool CopyRegularFile(const std::string& source, const std::string& target) {
  const std::string from = ToNativePath(source);
  const std::string to = ToNativePath(target);
  FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return false;
  struct stat sourceStatus;
  if (::fstat(in.Get(), &sourceStatus) != 0) return false;
  if (!S_ISREG(sourceStatus.st_mode)) return Fail(S_ISDIR(sourceStatus.st_mode) ? EISDIR : EINVAL);
  struct stat targetStatus;
  if (::stat(to.c_str(), &targetStatus) == 0 && SameFile(sourceStatus, targetStatus)) {
    return Fail(EINVAL);
  }
  FileReplacement out(to);
  if (!out.IsOpen()) return false;
  if (!CopyContents(in.Get(), out.Descriptor())) return false;
  const struct timespec times[2] = {sourceStatus.st_atim, sourceStatus.st_mtim};
  ::futimens(out.Descriptor(), times);
  return ::fchmod(out.Descriptor(), sourceStatus.st_mode & 0777) == 0 && out.Commit();
}

bool MovePath(const std::string& source, const std::string& target, bool allowCopy) {
  const std::string from = ToNativePath(source);
  const std::string to = ToNativePath(target);
  struct stat sourceStatus;
  if (::lstat(from.c_str(), &sourceStatus) != 0) return false;
  std::string existing;
  if (ResolveExistingPath(to, existing)) {
    struct stat targetStatus;
    if (::lstat(existing.c_str(), &targetStatus) != 0 || !SameFile(sourceStatus, targetStatus)) {
      return Fail(EEXIST);
    }
    // The same file under another spelling: a change of letter case only.
    return ::rename(from.c_str(), to.c_str()) == 0;
  }
  if (RenameWithoutReplacing(from, to)) return true;
  if (errno != EXDEV || !allowCopy || !S_ISREG(sourceStatus.st_mode)) return false;
  if (!CopyRegularFile(from, to)) return false;
  if (::unlink(from.c_str()) != 0) {
    const int error = errno;
    ::unlink(to.c_str());
    return Fail(error);
  }
  return true;
}

bool RemoveFile(const std::string& path) {
  const std::string native = ToNativePath(path);
  struct stat status;
  if (::lstat(native.c_str(), &status) != 0) return false;
  if (S_ISDIR(status.st_mode)) return Fail(EISDIR);
  if (!S_ISLNK(status.st_mode) && (status.st_mode & S_IWUSR) == 0) return Fail(EACCES);
  return ::unlink(native.c_str()) == 0;
}

bool RemoveEmptyDirectory(const std::string& path) {
  const std::string native = ToNativePath(path);
  struct stat status;
  if (::lstat(native.c_str(), &status) != 0) return false;
  if (!S_ISDIR(status.st_mode)) return Fail(ENOTDIR);
  if ((status.st_mode & S_IWUSR) == 0) return Fail(EACCES);
  return ::rmdir(native.c_str()) == 0;
}

bool CreateDirectory(const std::string& path) {
  return ::mkdir(ToNativePath(path).c_str(), 0777) == 0;
}

bool ChangeCurrentDirectory(const std::string& path) {
  return ::chdir(ToNativePath(path).c_str()) == 0;
}

}  // namespace ktpm::detail
