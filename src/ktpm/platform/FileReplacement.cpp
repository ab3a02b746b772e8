#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/PathResolver.h>
#include <ktpm/platform/PathText.h>

namespace ktpm::detail {
namespace {

// Marks a temporary's name; the name starts with a dot, which no project file does.
constexpr std::string_view kTemporaryMark = ".ktpm-tmp";
// Attempts at a temporary name that no other writer holds.
constexpr int kTemporaryNameAttempts = 16;
// The part of the target's name kept in the temporary's, so that the temporary's name stays
// within the file system's limit of 255 bytes.
constexpr std::size_t kNameKept = 200;

// The temporary's path for the target's directory and name, with a number no other
// replacement in this process uses.
std::string TemporaryPath(const std::string& directory, const std::string& name) {
  static std::atomic<unsigned> counter{0};
  // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on "." + std::string at -O3.
  std::string temporary(1, '.');
  temporary.append(name, 0, kNameKept)
      .append(kTemporaryMark)
      .append(std::to_string(::getpid()))
      .append("-")
      .append(std::to_string(counter++));
  return directory.empty() ? temporary : JoinPath(directory, temporary);
}

// Refuses what a replacement may not replace: a write-protected file (also through a link, as
// the caller sees it) and anything but a regular file. existing is null for a new file.
bool MayReplace(const struct stat* existing) {
  if (existing == nullptr) return true;
  if (!S_ISREG(existing->st_mode)) {
    errno = S_ISDIR(existing->st_mode) ? EISDIR : EINVAL;
    return false;
  }
  if ((existing->st_mode & S_IWUSR) == 0) {
    errno = EACCES;
    return false;
  }
  return true;
}

// Gives the new file the permission bits of the file it replaces (the umask may have taken
// some away) and, for a regular file that is not a link, its owner where the process may.
bool TakeOverMode(int fd, const struct stat& existing, bool keepOwner) {
  if (::fchmod(fd, existing.st_mode & 07777) != 0) return false;
  if (keepOwner && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())) {
    [[maybe_unused]] const int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
  }
  return true;
}

// Makes a rename in directory durable; file systems that cannot sync a directory are left be.
void SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

FileReplacement::FileReplacement(const std::string& path) {
  if (path.empty()) {
    errno = ENOENT;
    return;
  }
  m_target = ToNativePath(ResolvePath(path));
  struct stat link;
  struct stat existing;
  const bool isLink = ::lstat(m_target.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
  // A link's target decides whether the caller may write (it is what the caller sees); a
  // dangling link is replaced like a missing file.
  const bool exists = ::stat(m_target.c_str(), &existing) == 0;
  if (!MayReplace(exists ? &existing : nullptr)) return;
  const std::string directory = DirectoryOf(m_target);
  const std::string name = NameOf(m_target);
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::string temporary = TemporaryPath(directory, name);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                          exists ? (existing.st_mode & 07777) : 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return;
    }
    m_fd = fd;
    m_temporary = std::move(temporary);
    if (exists && !TakeOverMode(fd, existing, !isLink)) Discard();
    return;
  }
  errno = EEXIST;
}

FileReplacement::~FileReplacement() {
  const int error = errno;
  Discard();
  errno = error;
}

std::FILE* FileReplacement::Stream() {
  if (m_stream == nullptr && m_fd >= 0) {
    m_stream = ::fdopen(m_fd, "wb");
    if (m_stream == nullptr) m_failed = true;
  }
  return m_stream;
}

bool FileReplacement::Write(std::string_view text) {
  std::FILE* stream = Stream();
  if (stream == nullptr || std::fwrite(text.data(), 1, text.size(), stream) != text.size()) {
    m_failed = true;
  }
  return !m_failed;
}

bool FileReplacement::Commit() {
  if (m_fd < 0) return false;
  bool written = !m_failed;
  if (m_stream != nullptr) {
    written = std::fflush(m_stream) == 0 && std::ferror(m_stream) == 0 && written;
  }
  // The data reaches the disk before the rename makes it the file.
  written = ::fsync(m_fd) == 0 && written;
  const bool closed = m_stream != nullptr ? std::fclose(m_stream) == 0 : ::close(m_fd) == 0;
  m_stream = nullptr;
  m_fd = -1;
  if (!written || !closed || ::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    Discard();
    return false;
  }
  m_temporary.clear();
  const std::string directory = DirectoryOf(m_target);
  SyncDirectory(directory.empty() ? "." : directory);
  return true;
}

void FileReplacement::Discard() {
  if (m_stream != nullptr) {
    std::fclose(m_stream);
  } else if (m_fd >= 0) {
    ::close(m_fd);
  }
  m_stream = nullptr;
  m_fd = -1;
  if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
  m_temporary.clear();
}

bool ReplaceFileContents(const std::string& path, std::string_view content) {
  FileReplacement file(path);
  if (!file.IsOpen()) return false;
  // Written through the descriptor: one system call for a small file, no stream buffer.
  std::size_t written = 0;
  while (written < content.size()) {
    const ssize_t put =
        ::write(file.Descriptor(), content.data() + written, content.size() - written);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<std::size_t>(put);
  }
  return file.Commit();
}

bool IsReplacementTemporaryName(std::string_view name) {
  return !name.empty() && name.front() == '.' &&
         name.find(kTemporaryMark) != std::string_view::npos;
}

}  // namespace ktpm::detail
