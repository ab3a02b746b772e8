// DirectoryWatcher: waits for file-name changes (create, delete, rename) anywhere below a
// directory, together with a stop event.
//
// One backend per platform sits behind this interface (DirectoryWatcherInotify.cpp on Linux);
// CreateDirectoryWatcher makes the platform's. A watcher belongs to the one thread that waits on
// it (the project's directory-watcher thread); the stop event may be set from any thread.
// Writing into an existing file is not a change. A lost notification (queue overflow) counts as
// a change, so the waiting thread resynchronises everything. What the watcher could not do (a
// directory it could not watch or list, a failed wait) is kept as plain sentences for its thread
// to take with TakeProblems.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <ktpm/platform/KEvent.h>

namespace ktpm::detail {

class DirectoryWatcher {
 public:
  enum class WaitResult { kChanged, kStopped, kTimeout, kFailed };

  virtual ~DirectoryWatcher() = default;
  // Watches the directory the path leads to (symbolic links on the way resolved) and every
  // subdirectory below it, without following links inside it. A subdirectory made later is
  // watched as soon as its creation is seen, and is then scanned for subdirectories made before
  // its watch existed. Running out of watches for subdirectories still leaves the directory
  // itself watched. false when the directory itself cannot be watched.
  virtual bool Start(const std::string& directory) = 0;
  // Waits up to timeoutMs (negative: without time-out) for a change or for the stop event, and
  // consumes every notification that is pending. The stop event wins when both are there.
  virtual WaitResult Wait(KEvent& stop, int timeoutMs) = 0;
  // Number of directories watched (for tests and diagnostics).
  virtual size_t WatchCount() const = 0;

  // What went wrong since the last call, one sentence each naming the directory: why Start
  // failed, a subdirectory that could not be listed or watched (changes in it are missed), a
  // wait that failed.
  std::vector<std::string> TakeProblems() { return std::exchange(m_problems, {}); }

 protected:
  void AddProblem(std::string problem) { m_problems.push_back(std::move(problem)); }

 private:
  std::vector<std::string> m_problems;
};

// The platform's watcher.
std::unique_ptr<DirectoryWatcher> CreateDirectoryWatcher();

}  // namespace ktpm::detail
