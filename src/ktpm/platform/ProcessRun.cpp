#include <filesystem>
#include <system_error>

#include <ktpm/platform/CommandLine.h>
#include <ktpm/platform/Process.h>
#include <ktpm/platform/ProcessRun.h>

namespace ktpm::detail {

int RunCommandLineAndWait(const std::string& commandLine) {
  SplitCommandLineResult split = SplitCommandLine(commandLine);
  if (!split.error.empty() || split.arguments.empty()) return 0;
  std::error_code error;
  std::string directory = std::filesystem::current_path(error).string();
  SpawnRequest request;
  request.program = FindProgram(split.arguments.front(), GetProgramSearchPath(), directory);
  if (request.program.empty()) return 0;
  request.arguments = std::move(split.arguments);
  SpawnResult started = SpawnProcess(request);
  if (started.pid <= 0) return 0;
  WaitForProcess(started.pid);
  return 1;
}

}  // namespace ktpm::detail
