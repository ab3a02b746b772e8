// The directory watcher on Linux: inotify on every directory of the subtree, polled together
// with the stop event's descriptor.
#include <dirent.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include <ktpm/platform/DirectoryWatcher.h>
#include <ktpm/platform/PathText.h>

namespace ktpm::detail {
namespace {

constexpr uint32_t kNameEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DONT_FOLLOW | IN_ONLYDIR;

class InotifyWatcher : public DirectoryWatcher {
 public:
  InotifyWatcher() : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), m_initError(errno) {}
  ~InotifyWatcher() override {
    if (m_fd >= 0) close(m_fd);
  }

  bool Start(const std::string& directory) override {
    if (m_fd < 0) {
      AddProblem("Cannot watch " + directory + " for changes: " + ErrorText(m_initError) + ".");
      return false;
    }
    // The directory the path leads to is watched: a project reached through a symbolic link
    // (the link itself or one above it) changes where the link points.
    const std::string resolved = ResolvedDirectory(directory);
    if (resolved.empty() || !AddWatch(resolved)) {
      AddProblem("Cannot watch " + directory + " for changes: " + ErrorText(errno) + ".");
      return false;
    }
    AddSubdirectories(resolved);
    return true;
  }

  WaitResult Wait(KEvent& stop, int timeoutMs) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
      int remaining = -1;
      if (timeoutMs >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        remaining = left.count() > 0 ? static_cast<int>(left.count()) : 0;
      }
      pollfd entries[2] = {{stop.Descriptor(), POLLIN, 0}, {m_fd, POLLIN, 0}};
      const int ready = poll(entries, 2, remaining);
      if (ready < 0) {
        if (errno == EINTR) continue;
        AddProblem("Watching for changes stopped: " + ErrorText(errno) + ".");
        return WaitResult::kFailed;
      }
      if (ready == 0) return WaitResult::kTimeout;
      if ((entries[0].revents & POLLIN) && stop.TryConsume()) return WaitResult::kStopped;
      if (entries[1].revents & (POLLERR | POLLNVAL)) {
        AddProblem("Watching for changes stopped: the notification queue failed.");
        return WaitResult::kFailed;
      }
      if ((entries[1].revents & POLLIN) && DrainEvents()) return WaitResult::kChanged;
    }
  }

  size_t WatchCount() const override { return m_paths.size(); }

 private:
  // The path with every symbolic link resolved; empty (errno set) when it leads nowhere.
  static std::string ResolvedDirectory(const std::string& directory) {
    char* resolved = realpath(ToNativePath(directory).c_str(), nullptr);
    if (resolved == nullptr) return {};
    std::string path = resolved;
    std::free(resolved);
    return path;
  }

  // Subdirectories are watched without following a symbolic link, so a link inside the project
  // cannot make a loop.
  bool AddWatch(const std::string& directory) {
    const int wd = inotify_add_watch(m_fd, directory.c_str(), kNameEvents);
    if (wd < 0) return false;
    m_paths[wd] = directory;
    return true;
  }

  // Watches every directory below root (not following symbolic links, so a link cannot make a
  // loop). Stops adding when the system runs out of watches. A directory that cannot be listed
  // or watched is reported; one that is gone already, or is no directory after all, is not.
  void AddSubdirectories(const std::string& root) {
    std::vector<std::string> pending{root};
    while (!pending.empty()) {
      const std::string directory = pending.back();
      pending.pop_back();
      DIR* stream = opendir(directory.c_str());
      if (stream == nullptr) {
        if (errno != ENOENT && errno != ENOTDIR) {
          AddProblem("Cannot list " + directory +
                     " to watch its subdirectories: " + ErrorText(errno) + ".");
        }
        continue;
      }
      while (const dirent* entry = readdir(stream)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) continue;
        const std::string child = directory + "/" + entry->d_name;
        if (!AddWatch(child)) {
          const int error = errno;
          ReportWatchFailure(child, error);
          if (error == ENOSPC) {
            closedir(stream);
            return;
          }
          continue;
        }
        pending.push_back(child);
      }
      closedir(stream);
    }
  }

  // Reads every pending notification; true when one of them changed a file name.
  bool DrainEvents() {
    alignas(inotify_event) char buffer[64 * 1024];
    bool changed = false;
    for (;;) {
      const ssize_t length = read(m_fd, buffer, sizeof buffer);
      if (length < 0 && errno == EINTR) continue;
      if (length <= 0) break;
      for (ssize_t offset = 0; offset + static_cast<ssize_t>(sizeof(inotify_event)) <= length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
        offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        changed |= HandleEvent(*event);
      }
    }
    return changed;
  }

  bool HandleEvent(const inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) return true;
    if (event.mask & IN_IGNORED) {
      m_paths.erase(event.wd);
      return false;
    }
    if ((event.mask & IN_ISDIR) && (event.mask & (IN_CREATE | IN_MOVED_TO)) && event.len > 0) {
      const auto parent = m_paths.find(event.wd);
      if (parent != m_paths.end()) {
        const std::string directory = parent->second + "/" + event.name;
        if (AddWatch(directory)) {
          AddSubdirectories(directory);
        } else {
          ReportWatchFailure(directory, errno);
        }
      }
    }
    return (event.mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO)) != 0;
  }

  static std::string ErrorText(int error) { return std::generic_category().message(error); }

  // A subdirectory left unwatched; running out of watches is told once, not for every directory.
  void ReportWatchFailure(const std::string& directory, int error) {
    if (error == ENOENT || error == ENOTDIR) return;  // gone already, or no directory after all
    if (error == ENOSPC) {
      if (m_outOfWatchesReported) return;
      m_outOfWatchesReported = true;
      AddProblem("Cannot watch " + directory +
                 " for changes, nor any directory after it: " + ErrorText(error) + ".");
      return;
    }
    AddProblem("Cannot watch " + directory + " for changes: " + ErrorText(error) + ".");
  }

  int m_fd;
  int m_initError;
  bool m_outOfWatchesReported = false;
  std::unordered_map<int, std::string> m_paths;
};

}  // namespace

std::unique_ptr<DirectoryWatcher> CreateDirectoryWatcher() {
  return std::make_unique<InotifyWatcher>();
}

}  // namespace ktpm::detail
