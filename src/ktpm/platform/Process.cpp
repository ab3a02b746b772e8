#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <thread>

#include <ktpm/platform/InstallLocation.h>
#include <ktpm/platform/Process.h>

extern char** environ;

namespace ktpm::detail {

namespace {

std::string ErrorText(int error) { return std::strerror(error); }

bool IsExecutableFile(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return access(path.c_str(), X_OK) == 0;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

void SplitPathList(const char* list, std::vector<std::string>& out) {
  if (!list) return;
  std::string text = list;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(':', start);
    if (end == std::string::npos) end = text.size();
    // An empty entry of PATH means the current directory; the engine never searches it, so
    // that a file in the project directory cannot stand in for a program.
    if (end > start) out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// Owns the attributes and file actions of one posix_spawn call.
class SpawnSetup {
 public:
  SpawnSetup() {
    attributes_ok_ = posix_spawnattr_init(&attributes_) == 0;
    actions_ok_ = posix_spawn_file_actions_init(&actions_) == 0;
  }
  ~SpawnSetup() {
    if (attributes_ok_) posix_spawnattr_destroy(&attributes_);
    if (actions_ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  bool ok() const { return attributes_ok_ && actions_ok_; }
  posix_spawnattr_t* attributes() { return &attributes_; }
  posix_spawn_file_actions_t* actions() { return &actions_; }

 private:
  posix_spawnattr_t attributes_;
  posix_spawn_file_actions_t actions_;
  bool attributes_ok_ = false;
  bool actions_ok_ = false;
};

// New process group, default signal dispositions and an empty signal mask: the child must
// not inherit a blocked or ignored SIGTERM from its host application.
int SetChildAttributes(posix_spawnattr_t* attributes) {
  sigset_t defaults;
  sigset_t empty;
  sigemptyset(&defaults);
  for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2})
    sigaddset(&defaults, sig);
  sigemptyset(&empty);
  int error = posix_spawnattr_setflags(
      attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  if (error == 0) error = posix_spawnattr_setpgroup(attributes, 0);
  if (error == 0) error = posix_spawnattr_setsigdefault(attributes, &defaults);
  if (error == 0) error = posix_spawnattr_setsigmask(attributes, &empty);
  return error;
}

int SetChildFiles(posix_spawn_file_actions_t* actions, int outputFd, const std::string& directory) {
  int error = posix_spawn_file_actions_addopen(actions, 0, "/dev/null", O_RDONLY, 0);
  if (error == 0) error = posix_spawn_file_actions_adddup2(actions, outputFd, 1);
  if (error == 0) error = posix_spawn_file_actions_adddup2(actions, outputFd, 2);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  // Descriptors the host opened without close-on-exec must not leak into a solver.
  if (error == 0) error = posix_spawn_file_actions_addclosefrom_np(actions, 3);
#endif
  if (error == 0 && !directory.empty()) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))
    error = posix_spawn_file_actions_addchdir_np(actions, directory.c_str());
#else
    error = ENOSYS;
#endif
  }
  return error;
}

}  // namespace

std::vector<std::string> GetProgramSearchPath() {
  std::vector<std::string> path;
  SplitPathList(std::getenv("KT_TOOLS_DIR"), path);
  const std::string helpers = GetHelperProgramDirectory();
  if (!helpers.empty()) path.push_back(helpers);
  SplitPathList(std::getenv("PATH"), path);
  return path;
}

std::string FindProgram(const std::string& name, const std::vector<std::string>& searchPath,
                        const std::string& directory) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) {
    std::string path = name[0] == '/' ? name : JoinPath(directory, name);
    return IsExecutableFile(path) ? path : std::string();
  }
  for (const std::string& entry : searchPath) {
    std::string path = JoinPath(entry, name);
    if (IsExecutableFile(path)) return path;
  }
  return {};
}

SpawnResult SpawnProcess(const SpawnRequest& request) {
  SpawnResult result;
  if (request.arguments.empty() || request.program.empty()) {
    result.error = "no program to start";
    return result;
  }
  std::string output = request.outputPath.empty() ? "/dev/null" : request.outputPath;
  int outputFd = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (outputFd < 0) {
    result.error = "cannot open the output file " + output + ": " + ErrorText(errno);
    return result;
  }
  SpawnSetup setup;
  int error = setup.ok() ? 0 : ENOMEM;
  if (error == 0) error = SetChildAttributes(setup.attributes());
  if (error == 0) error = SetChildFiles(setup.actions(), outputFd, request.directory);
  if (error != 0) {
    close(outputFd);
    result.error = "cannot prepare the child process: " + ErrorText(error);
    return result;
  }
  std::vector<char*> argv;
  argv.reserve(request.arguments.size() + 1);
  for (const std::string& argument : request.arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  error = posix_spawn(&pid, request.program.c_str(), setup.actions(), setup.attributes(),
                      argv.data(), environ);
  close(outputFd);
  if (error != 0) {
    result.error = "cannot start " + request.program + ": " + ErrorText(error);
    return result;
  }
  result.pid = pid;
  return result;
}

ProcessExit WaitForProcess(int pid) {
  ProcessExit result;
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited < 0) {
    result.error = "cannot wait for process " + std::to_string(pid) + ": " + ErrorText(errno);
    return result;
  }
  if (WIFEXITED(status)) {
    result.exited = true;
    result.code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

int WaitForProcessEnd(int pid) {
  siginfo_t info;
  int result;
  do {
    std::memset(&info, 0, sizeof(info));
    result = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
  } while (result < 0 && errno == EINTR);
  return result == 0 ? 1 : 0;
}

std::string DescribeProcessExit(const ProcessExit& exit) {
  if (!exit.error.empty()) return exit.error;
  if (exit.exited) return "exit status " + std::to_string(exit.code);
  if (exit.signal != 0) {
    const char* name = strsignal(exit.signal);
    return "ended by signal " + std::to_string(exit.signal) + " (" + (name ? name : "?") + ")";
  }
  return "ended for an unknown reason";
}

int TerminateProcessGroup(int processGroup) {
  if (processGroup <= 1) return 0;
  return kill(-processGroup, SIGTERM) == 0 ? 1 : 0;
}

int KillProcessGroup(int processGroup) {
  if (processGroup <= 1) return 0;
  return kill(-processGroup, SIGKILL) == 0 ? 1 : 0;
}

int IsProcessAlive(int pid) {
  if (pid <= 0 || kill(pid, 0) != 0) return 0;
  // A zombie still answers kill(); on Linux its state letter in /proc says it has ended.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return 1;
  size_t close = text.rfind(')');
  if (close == std::string::npos || close + 2 >= text.size()) return 1;
  char state = text[close + 2];
  return state == 'Z' || state == 'X' ? 0 : 1;
}

int GetCurrentProcessId() { return static_cast<int>(getpid()); }

std::string GetHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof(name) - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

int GetProcessorCount() {
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  if (count < 1) count = static_cast<long>(std::thread::hardware_concurrency());
  return count < 1 ? 1 : static_cast<int>(count);
}

int64_t GetWallClockSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

int MakeDirectories(const std::string& path, unsigned mode) {
  if (path.empty()) return 0;
  std::string partial;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    partial = path.substr(0, next);
    if (!partial.empty() && mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 &&
        errno != EEXIST)
      return 0;
    pos = next + 1;
  }
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? 1 : 0;
}

int AppendToFile(const std::string& path, const std::string& text) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return 0;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<size_t>(written);
  }
  close(fd);
  return done == text.size() ? 1 : 0;
}

}  // namespace ktpm::detail
