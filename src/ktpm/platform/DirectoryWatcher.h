// DirectoryWatcher: waits for file-name changes (create, delete, rename) anywhere below a
// directory, together with a stop event.
//
// One backend per platform sits behind this interface (DirectoryWatcherInotify.cpp on Linux);
// CreateDirectoryWatcher makes the platform's. A watcher belongs to the one thread that waits on
// it (the project's directory-watcher thread); the stop event may be set from any thread.
// Writing into an existing file is not a change. A lost notification (queue overflow) counts as
// a change, so the waiting thread resynchronises everything.
#pragma once

#include <memory>
#include <string>

#include <ktpm/platform/KEvent.h>

namespace ktpm::detail {

class DirectoryWatcher {
 public:
  enum class WaitResult { kChanged, kStopped, kTimeout, kFailed };

  virtual ~DirectoryWatcher() = default;
  // Watches the directory and every subdirectory below it. A subdirectory made later is watched
  // as soon as its creation is seen, and is then scanned for subdirectories made before its
  // watch existed. Running out of watches for subdirectories still leaves the directory itself
  // watched. false when the directory itself cannot be watched.
  virtual bool Start(const std::string& directory) = 0;
  // Waits up to timeoutMs (negative: without time-out) for a change or for the stop event, and
  // consumes every notification that is pending. The stop event wins when both are there.
  virtual WaitResult Wait(KEvent& stop, int timeoutMs) = 0;
  // Number of directories watched (for tests and diagnostics).
  virtual size_t WatchCount() const = 0;
};

// The platform's watcher.
std::unique_ptr<DirectoryWatcher> CreateDirectoryWatcher();

}  // namespace ktpm::detail
