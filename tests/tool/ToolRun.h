// Helpers of the ktpm program's tests: the job tests' temporary directory, and the built program
// run as a child process with its stdout and stderr captured in files.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "analysis/JobTestSupport.h"

extern char** environ;

namespace ktpm::tooltest {

// A fresh directory under the system's temporary directory, removed with everything in it.
using ktpm::jobtest::TempDir;

using ktpm::jobtest::ReadText;

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Polls the condition until it holds or the deadline passes.
inline bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 20000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

struct ToolResult {
  int exitCode = -1;  // -1 when it ended on a signal or did not end in time
  std::string out;
  std::string err;
};

// The ktpm program running in a directory, stdin empty, stdout to a file of its own (or to
// stdoutPath, such as /dev/full, which is then never read back).
class ToolProcess {
 public:
  ToolProcess(const std::vector<std::string>& arguments, const std::string& directory,
              const std::string& stdoutPath = "")
      : m_outPath(stdoutPath.empty() ? m_files / "out" : stdoutPath),
        m_errPath(m_files / "err"),
        m_outIsOurs(stdoutPath.empty()) {
    std::vector<std::string> words{KTPM_TOOL_PROGRAM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ToolProcess() {
    if (m_pid > 0 && !m_reaped) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  int pid() const { return m_pid; }
  std::string Out() const { return m_outIsOurs ? ReadText(m_outPath) : std::string(); }
  void Signal(int signal) const { kill(m_pid, signal); }

  // Waits for the program to end (killing it after the deadline).
  ToolResult Wait(int milliseconds = 60000) {
    ToolResult result;
    int status = 0;
    const bool ended = WaitUntil(
        [&] { return m_pid <= 0 || waitpid(m_pid, &status, WNOHANG) == m_pid; }, milliseconds);
    if (m_pid > 0 && !ended) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, &status, 0);
    }
    m_reaped = true;
    if (m_pid > 0 && ended && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.out = Out();
    result.err = ReadText(m_errPath);
    return result;
  }

 private:
  TempDir m_files;
  std::string m_outPath;
  std::string m_errPath;
  bool m_outIsOurs;
  pid_t m_pid = -1;
  bool m_reaped = false;
};

inline ToolResult RunTool(const std::vector<std::string>& arguments,
                          const std::string& directory = "", const std::string& stdoutPath = "") {
  return ToolProcess(arguments, directory, stdoutPath).Wait();
}

}  // namespace ktpm::tooltest
