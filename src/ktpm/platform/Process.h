// Child processes of the job engine and of the local program runner.
//
// A child is started with posix_spawn (never through a shell) from an argument list, in a
// directory of its choosing, as the leader of a new process group so that the whole group can
// be stopped at once. Its standard input reads nothing; its standard output and error go to one
// file, opened for appending. Programs named without a directory are looked up in a list of
// directories (the engine passes KT_TOOLS_DIR, the installed helper programs, then PATH).
//
// Free functions, safe from any thread. WaitForProcess blocks the calling thread until the
// child ends; each child must be waited for exactly once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ktpm::detail {

// The directories to search for programs: $KT_TOOLS_DIR (when set), the installation's
// libexec/ktpm (when there is one beside the library), then the entries of $PATH. Read from the
// environment at the time of the call.
std::vector<std::string> GetProgramSearchPath();

// The full path of an executable regular file: a name containing "/" is taken as it is
// (relative to directory when not absolute); any other name is looked up in searchPath in
// order. Empty when not found.
std::string FindProgram(const std::string& name, const std::vector<std::string>& searchPath,
                        const std::string& directory);

struct SpawnRequest {
  std::string program;                 // full path, from FindProgram
  std::vector<std::string> arguments;  // argument 0 first (the name the program is called by)
  std::string directory;               // working directory; empty for the current one
  std::string outputPath;              // file for standard output and error; empty: /dev/null
};

struct SpawnResult {
  int pid = -1;       // > 0 when started; the child leads process group pid
  std::string error;  // why the child could not be started
};

SpawnResult SpawnProcess(const SpawnRequest& request);

struct ProcessExit {
  bool exited = false;  // ended by exit(); code is valid
  int code = -1;
  int signal = 0;     // when not exited: the signal that ended it
  std::string error;  // the wait itself failed
};

// Blocks until the child pid ends and reaps it.
ProcessExit WaitForProcess(int pid);
// Blocks until the child pid ends but leaves it unreaped, so that its process group id cannot
// be reused while the caller still signals the group. 1 when it ended, 0 when the wait failed.
int WaitForProcessEnd(int pid);

// Describes an exit for a log ("exit status 3", "ended by signal 9 (Killed)").
std::string DescribeProcessExit(const ProcessExit& exit);

// Sends the polite stop request (SIGTERM) or the forced stop (SIGKILL) to every process of the
// group. 1 when some process received it, 0 when the group is empty or the call failed.
int TerminateProcessGroup(int processGroup);
int KillProcessGroup(int processGroup);

// 1 while the process exists and is not a zombie.
int IsProcessAlive(int pid);

// The id of this process.
int GetCurrentProcessId();

// The machine's host name ("localhost" when it cannot be read).
std::string GetHostName();

// Processors available to this process (at least 1).
int GetProcessorCount();

// Wall-clock seconds since the epoch.
int64_t GetWallClockSeconds();

// Creates a directory and its parents with the given permission bits. 1 on success or when the
// directory exists.
int MakeDirectories(const std::string& path, unsigned mode);

// Appends text to a file with one write (O_APPEND), creating it (mode 0600) when needed.
int AppendToFile(const std::string& path, const std::string& text);

}  // namespace ktpm::detail
