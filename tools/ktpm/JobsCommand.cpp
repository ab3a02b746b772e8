// ktpm jobs: the jobs that job managers on this machine have run or are running (their records
// in the job log directory): name, description, status, server and elapsed time. With --run it
// runs one command line as a job in the current directory and waits for it.
#include <ctime>
#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Command.h"

#include <ktpm/analysis/KJobsManager.h>

namespace ktpm::tool {
namespace {

struct JobsOptions {
  bool json = false;
  std::string logDirectory;
  std::string run;
  std::string name;
};

int64_t ElapsedSeconds(const KJobRecord& record, int64_t now) {
  if (record.startTime <= 0) return 0;
  int64_t end = record.endTime > 0 ? record.endTime : now;
  return end > record.startTime ? end - record.startTime : 0;
}

std::string StatusText(const KJobRecord& record) {
  if (record.status < JOB_SUCCEEDED && record.ownerGone) return "lost";
  return GetJobStatusText(record.status);
}

std::string FormatElapsed(int64_t seconds) {
  std::ostringstream text;
  text << seconds / 3600 << ":" << std::setw(2) << std::setfill('0') << seconds / 60 % 60 << ":"
       << std::setw(2) << std::setfill('0') << seconds % 60;
  return text.str();
}

int ListJobs(const JobsOptions& options) {
  std::string directory =
      options.logDirectory.empty() ? KJobsManager::GetDefaultLogDirectory() : options.logDirectory;
  std::vector<KJobRecord> records = KJobsManager::ReadJobRecords(directory);
  int64_t now = static_cast<int64_t>(std::time(nullptr));
  if (options.json) {
    nlohmann::json jobs = nlohmann::json::array();
    for (const KJobRecord& record : records) {
      jobs.push_back({{"name", record.name},
                      {"description", record.description},
                      {"status", record.status},
                      {"statusText", StatusText(record)},
                      {"server", record.server},
                      {"elapsedSeconds", ElapsedSeconds(record, now)},
                      {"commandLine", record.commandLine},
                      {"directory", record.directory},
                      {"exitCode", record.exitCode},
                      {"log", record.logFile}});
    }
    std::cout << nlohmann::json{{"logDirectory", directory}, {"jobs", jobs}}.dump(2) << "\n";
    return kExitOk;
  }
  if (records.empty()) {
    std::cout << "no jobs in " << directory << "\n";
    return kExitOk;
  }
  std::cout << std::left << std::setw(24) << "NAME" << std::setw(12) << "STATUS" << std::setw(16)
            << "SERVER" << std::setw(10) << "ELAPSED"
            << "DESCRIPTION\n";
  for (const KJobRecord& record : records) {
    std::cout << std::left << std::setw(24) << record.name << std::setw(12) << StatusText(record)
              << std::setw(16) << (record.server.empty() ? "-" : record.server) << std::setw(10)
              << FormatElapsed(ElapsedSeconds(record, now)) << record.description << "\n";
  }
  return kExitOk;
}

int RunJob(const JobsOptions& options) {
  KJobsManager& manager = KJobsManager::GetManager();
  if (!options.logDirectory.empty()) manager.SetLogDirectory(options.logDirectory);
  std::string name = options.name.empty() ? "ktpm-jobs-run" : options.name;
  manager.SubmitJob(options.run, options.run, name, 0, 0, nullptr, nullptr);
  manager.WaitForIdle(24 * 3600 * 1000);
  std::vector<KJobRecord> jobs = manager.GetJobList();
  if (jobs.empty()) return kExitFailure;
  const KJobRecord& job = jobs.back();
  std::cout << job.name << ": " << GetJobStatusText(job.status) << " (log " << job.logFile << ")\n";
  return job.status == JOB_SUCCEEDED ? kExitOk : kExitFailure;
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "jobs", "List jobs (name, description, status, server, elapsed time), or run one");
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
