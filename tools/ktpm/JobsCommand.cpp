// ktpm jobs: the jobs that job managers on this machine have run or are running (their records
// in the job log directory): name, status, server, elapsed time and description. With --run it
// runs one command line as a job in the current directory and waits for it; Ctrl-C or SIGTERM
// aborts the job's whole process group through the job manager.
#include <pthread.h>
#include <signal.h>

#include <ctime>
#include <fstream>
#include <iomanip>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "Command.h"
#include "Input.h"
#include "Output.h"

#include <ktpm/analysis/KJobsManager.h>
#include <ktpm/platform/TerminationSignals.h>

namespace ktpm::tool {
namespace {

struct JobsOptions {
  bool json = false;
  std::string logDirectory;
  std::string run;
  std::string name;
};

int64_t ElapsedSeconds(int64_t startTime, int64_t endTime, int64_t now) {
  if (startTime <= 0) return 0;
  const int64_t end = endTime > 0 ? endTime : now;
  return end > startTime ? end - startTime : 0;
}

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

std::string StatusText(const KJobRecord& record) {
  // A job that had not ended when its manager's process went will never end.
  if (record.status < JOB_SUCCEEDED && record.ownerGone) return "lost";
  return GetJobStatusText(record.status);
}

std::string FormatElapsed(int64_t seconds) {
  std::ostringstream text;
  text << seconds / 3600 << ":" << std::setw(2) << std::setfill('0') << seconds / 60 % 60 << ":"
       << std::setw(2) << std::setfill('0') << seconds % 60;
  return text.str();
}

nlohmann::json ToJson(const KJobRecord& record, int64_t now) {
  return {{"id", record.id},
          {"name", record.name},
          {"description", record.description},
          {"status", record.status},
          {"statusText", StatusText(record)},
          {"server", JsonTextOrNull(!record.server.empty(), record.server)},
          {"elapsedSeconds", ElapsedSeconds(record.startTime, record.endTime, now)},
          {"commandLine", record.commandLine},
          {"directory", record.directory},
          {"exitCode", record.exitCode >= 0 ? nlohmann::json(record.exitCode) : nullptr},
          {"logPath", JsonTextOrNull(!record.logFile.empty(), record.logFile)},
          {"message", JsonTextOrNull(!record.endMessage.empty(), record.endMessage)}};
}

void PrintJobs(const std::string& directory, const std::vector<KJobRecord>& records, bool json) {
  const int64_t now = Now();
  if (json) {
    nlohmann::json jobs = nlohmann::json::array();
    for (const KJobRecord& record : records) jobs.push_back(ToJson(record, now));
    PrintJson({{"logDirectory", directory}, {"jobs", jobs}});
    return;
  }
  TextTable table({"NAME", "STATUS", "SERVER", "ELAPSED", "DESCRIPTION"});
  for (const KJobRecord& record : records) {
    table.AddRow({record.name, StatusText(record), record.server.empty() ? "-" : record.server,
                  FormatElapsed(ElapsedSeconds(record.startTime, record.endTime, now)),
                  record.description});
  }
  table.Print();
}

int ListJobs(const JobsOptions& options) {
  const std::string directory =
      options.logDirectory.empty() ? KJobsManager::GetDefaultLogDirectory() : options.logDirectory;
  // The default directory appears with the first job; a directory asked for must be there.
  const std::string problem = options.logDirectory.empty() ? "" : DirectoryProblem(directory);
  if (!problem.empty()) {
    return FailWith("jobs", "cannot read the job log directory " + directory + ": " + problem);
  }
  PrintJobs(directory, KJobsManager::ReadJobRecords(directory), options.json);
  return kExitOk;
}

// The last line of a job's log so far (read from its last few kilobytes).
std::string LastLogLine(const std::string& path) {
  constexpr std::streamoff kTail = 4096;
  std::ifstream log(path, std::ios::binary);
  if (!log || !log.seekg(0, std::ios::end)) return {};
  const std::streamoff size = log.tellg();
  if (size <= 0) return {};
  const std::streamoff from = size > kTail ? size - kTail : 0;
  log.seekg(from);
  std::string tail(static_cast<size_t>(size - from), '\0');
  log.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  tail.resize(static_cast<size_t>(log.gcount()));
  while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) tail.pop_back();
  const size_t lineStart = tail.find_last_of('\n');
  return lineStart == std::string::npos ? tail : tail.substr(lineStart + 1);
}

void ShowRunningJob(JOBINFO* info) {
  if (info == nullptr || !StderrIsTerminal()) return;
  const std::string line = LastLogLine(info->logFile);
  ShowStatusLine(info->name + " " + GetJobStatusText(info->status) + " " +
                 FormatElapsed(ElapsedSeconds(info->startTime, info->endTime, Now())) +
                 (line.empty() ? "" : " | " + line));
}

// What the thread that takes Ctrl-C and SIGTERM shares with the waiting thread.
struct SignalWatch {
  std::mutex lock;
  bool finished = false;  // the job has ended: a signal no longer aborts it
  int signal = 0;         // the termination signal that aborted the job
};

int RunJob(const JobsOptions& options) {
  // Blocked before the job manager starts its threads, which inherit the blocked set; one
  // thread takes the signals with sigwait, so nothing runs in a signal handler.
  ktpm::detail::BlockTerminationSignals();
  KJobsManager& manager = KJobsManager::GetManager();
  if (!options.logDirectory.empty()) manager.SetLogDirectory(AbsolutePath(options.logDirectory));
  const std::string name = options.name.empty() ? "ktpm-jobs-run" : options.name;
  manager.SubmitJob(options.run, options.run, name, 0, 0, nullptr, nullptr);
  void* job = manager.FindJob(name);  // null when it has ended already (it could not start)

  auto watch = std::make_shared<SignalWatch>();
  std::thread signals([watch, &manager, job] {
    const int signal = ktpm::detail::WaitForTerminationSignal();
    std::lock_guard<std::mutex> guard(watch->lock);
    if (watch->finished) return;
    watch->signal = signal;
    if (job != nullptr) manager.AbortJob(job);
  });
  if (job != nullptr) {
    JOBINFO* info = manager.GetJobInfo(job);
    ShowRunningJob(info);
    while (manager.WaitForJob(job, 1000) == 0) ShowRunningJob(info);
  }
  manager.WaitForIdle(60 * 1000);
  {
    std::lock_guard<std::mutex> guard(watch->lock);
    watch->finished = true;
  }
  // Wakes the signal thread (its sigwait takes the signal) so that it ends.
  pthread_kill(signals.native_handle(), SIGTERM);
  signals.join();
  ClearStatusLine();

  const std::vector<KJobRecord> jobs = manager.GetJobList();
  if (jobs.empty()) return FailWith("jobs", "the job manager lost the job " + name);
  const KJobRecord& record = jobs.back();
  PrintJobs(manager.GetLogDirectory(), {record}, options.json);
  if (record.status == JOB_NOT_STARTED) {
    PrintError("jobs", record.name + " not started: " + record.endMessage);
  } else if (record.status != JOB_SUCCEEDED) {
    PrintError("jobs", record.name + ": " + record.endMessage + " (log " + record.logFile + ")");
  }
  if (watch->signal != 0) return 128 + watch->signal;
  return record.status == JOB_SUCCEEDED ? kExitOk : kExitFailure;
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "jobs",
      "List jobs (name, status, server, elapsed time, description), or run one with --run. "
      "While a run waits, Ctrl-C or SIGTERM aborts the job (its whole process group) and exits "
      "with 130 or 143.");
  auto options = std::make_shared<JobsOptions>();
  command->add_flag("--json", options->json, "Print a JSON object instead of a table");
  command->add_option("--log-dir", options->logDirectory,
                      "Job log directory (default: $XDG_STATE_HOME/keltravo/jobs)");
  command->add_option("--run", options->run,
                      "Run this command line as a job in the current directory and wait for it");
  command->add_option("--name", options->name, "Job name for --run");
  return [options]() { return options->run.empty() ? ListJobs(*options) : RunJob(*options); };
}

const CommandRegistration registration{"jobs", SetUp};

}  // namespace
}  // namespace ktpm::tool
