#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include <ktpm/analysis/JobEngine.h>
#include <ktpm/analysis/JobRecordFile.h>
#include <ktpm/platform/CommandLine.h>
#include <ktpm/platform/Process.h>

namespace ktpm::detail {

struct JobEngine::Job {
  JOBINFO info;
  std::string recordFile;
  std::string serverKey;
  std::vector<JobPtr> prerequisites;  // must all succeed before this job starts
  std::vector<std::string> searchPath;
  std::string refusal;  // why the job can never start, found at submission
  std::string endMessage;
  bool held = false;
  bool started = false;
  bool ended = false;
  bool announced = false;  // the handler call for its end has returned
  bool abortRequested = false;
  int processGroup = 0;
  bool leaderEnded = false;
  bool forcedStopPending = false;
  Clock::time_point forcedStopAt;
  std::thread runner;
};

namespace {

// Jobs whose log and record files a manager keeps in its log directory when it starts using it.
constexpr size_t kKeptJobFiles = 500;

std::string DescribePrerequisite(const JOBINFO& info) {
  std::string text = "job \"" + info.name + "\"";
  return text + " ended as " + GetJobStatusText(info.status.load());
}

}  // namespace

JobEngine::JobEngine(std::string defaultServer)
    : m_defaultServer(std::move(defaultServer)),
      m_ownerProcess(GetCurrentProcessId()),
      m_maxRunning(GetProcessorCount()),
      m_logDirectory(KJobsManager::GetDefaultLogDirectory()) {
  m_dispatcher = std::thread(&JobEngine::DispatchLoop, this);
}

JobEngine::~JobEngine() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_stopping = true;
  for (const JobPtr& job : m_jobs) {
    if (!job->started || job->ended) continue;
    job->abortRequested = true;
    if (job->processGroup > 0 && !job->leaderEnded) KillProcessGroup(job->processGroup);
  }
  m_wake.notify_all();
  lock.unlock();
  if (m_dispatcher.joinable()) m_dispatcher.join();
  lock.lock();
  m_ended.wait(lock, [this] { return m_running == 0; });
  std::vector<std::thread> runners = std::move(m_finishedRunners);
  lock.unlock();
  for (std::thread& runner : runners) runner.join();
}

std::string JobEngine::ServerKey(const char* server) const {
  if (server == nullptr || m_defaultServer == server) return {};
  return server;
}

JobEngine::JobPtr JobEngine::FindByHandle(void* handle) const {
  if (handle == nullptr) return nullptr;
  for (const JobPtr& job : m_jobs)
    if (static_cast<void*>(job.get()) == handle) return job;
  return nullptr;
}

void* JobEngine::FindJob(const std::string& name) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto it = m_jobs.rbegin(); it != m_jobs.rend(); ++it)
    if (!(*it)->ended && (*it)->info.name == name) return it->get();
  return nullptr;
}

JOBINFO* JobEngine::GetJobInfo(void* handle) {
  std::lock_guard<std::mutex> lock(m_mutex);
  JobPtr job = FindByHandle(handle);
  return job ? &job->info : nullptr;
}

void JobEngine::Submit(const std::string& description, const std::string& commandLine,
                       const std::string& name, int subtype, int batch, void* after,
                       const char* server, int serverAccepted) {
  auto job = std::make_shared<Job>();
  job->info.description = description;
  job->info.commandLine = commandLine;
  job->info.name = name;
  job->info.subtype = subtype;
  job->info.batch = batch ? 1 : 0;
  job->info.server = server ? server : "";
  job->info.submitTime = GetWallClockSeconds();
  job->serverKey = ServerKey(server);
  job->held = batch != 0;
  job->searchPath = GetProgramSearchPath();
  std::error_code error;
  job->info.directory = std::filesystem::current_path(error).string();
  if (!serverAccepted) job->refusal = "the server \"" + job->info.server + "\" is not known here";

  std::lock_guard<std::mutex> lock(m_mutex);
  job->info.id = m_nextId++;
  std::string directory = EnsureLogDirectory();
  if (!directory.empty()) {
    std::string stem = MakeJobFileStem(m_ownerProcess, job->info.id, name);
    job->info.logFile = directory + "/" + stem + ".log";
    job->recordFile = directory + "/" + stem + ".job";
  }
  auto sequence = m_openSequences.find(job->serverKey);
  if (sequence != m_openSequences.end()) {
    if (sequence->second) job->prerequisites.push_back(sequence->second);
    sequence->second = job;
  }
  if (after != nullptr) {
    JobPtr waitedOn = FindByHandle(after);
    if (waitedOn) {
      job->prerequisites.push_back(waitedOn);
    } else if (job->refusal.empty()) {
      job->refusal = "the job it waits on is not known to the manager";
    }
  }
  bool waiting = std::any_of(job->prerequisites.begin(), job->prerequisites.end(),
                             [](const JobPtr& prerequisite) { return !prerequisite->ended; });
  job->info.status = job->held ? JOB_HELD : waiting ? JOB_WAITING : JOB_QUEUED;
  Log(*job, "job: " + name);
  Log(*job, "command line: " + commandLine);
  Log(*job, "directory: " + job->info.directory);
  m_jobs.push_back(job);
  SaveRecord(*job);
  m_wake.notify_all();
}

void JobEngine::StartSequence(const char* server) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_openSequences.try_emplace(ServerKey(server), nullptr);
}

void JobEngine::EndSequence(const char* server) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_openSequences.erase(ServerKey(server));
}

void JobEngine::Abort(void* handle) {
  std::lock_guard<std::mutex> lock(m_mutex);
  JobPtr job = FindByHandle(handle);
  if (!job || job->ended) return;
  if (!job->started) {
    EndJob(job, JOB_ABORTED, "removed from the queue before it started");
    return;
  }
  if (job->abortRequested) return;
  job->abortRequested = true;
  Log(*job, "abort requested");
  if (job->processGroup > 0 && !job->leaderEnded) {
    TerminateProcessGroup(job->processGroup);
    job->forcedStopPending = true;
    job->forcedStopAt = Clock::now() + m_grace;
    m_wake.notify_all();
  }
}

void JobEngine::RunBatch(const char* server) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::string key = ServerKey(server);
  for (const JobPtr& job : m_jobs) {
    if (job->held && job->serverKey == key) job->held = false;
  }
  m_wake.notify_all();
}

void JobEngine::SetHandler(KJobsManager::JobEndedHandler handler) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_handler = std::move(handler);
}

KJobRecord JobEngine::MakeRecord(const Job& job) const {
  KJobRecord record;
  record.id = job.info.id;
  record.name = job.info.name;
  record.description = job.info.description;
  record.commandLine = job.info.commandLine;
  record.server = job.info.server;
  record.directory = job.info.directory;
  record.logFile = job.info.logFile;
  record.status = job.info.status.load();
  record.exitCode = job.info.exitCode.load();
  record.subtype = job.info.subtype;
  record.batch = job.info.batch;
  record.submitTime = job.info.submitTime;
  record.startTime = job.info.startTime.load();
  record.endTime = job.info.endTime.load();
  record.endMessage = job.endMessage;
  record.ownerProcess = m_ownerProcess;
  return record;
}

std::vector<KJobRecord> JobEngine::List() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<KJobRecord> records;
  records.reserve(m_jobs.size());
  for (const JobPtr& job : m_jobs) records.push_back(MakeRecord(*job));
  return records;
}

void JobEngine::SetMaxRunning(int count) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_maxRunning = std::max(1, count);
  m_wake.notify_all();
}

int JobEngine::GetMaxRunning() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_maxRunning;
}

void JobEngine::SetGracePeriod(int milliseconds) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_grace = std::chrono::milliseconds(std::clamp(milliseconds, 0, 60000));
}

void JobEngine::SetLogDirectory(const std::string& directory) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_logDirectory = directory;
  m_logDirectoryReady = false;
}

std::string JobEngine::GetLogDirectory() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_logDirectory;
}

int JobEngine::WaitForJob(void* handle, int timeoutMilliseconds) {
  std::unique_lock<std::mutex> lock(m_mutex);
  JobPtr job = FindByHandle(handle);
  if (!job) return 0;
  auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMilliseconds));
  return m_ended.wait_until(lock, deadline, [&] { return job->announced; }) ? 1 : 0;
}

int JobEngine::WaitForIdle(int timeoutMilliseconds) {
  std::unique_lock<std::mutex> lock(m_mutex);
  auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMilliseconds));
  auto idle = [this] {
    if (m_handlerCalls > 0 || !m_endedToAnnounce.empty()) return false;
    return std::all_of(m_jobs.begin(), m_jobs.end(),
                       [](const JobPtr& job) { return job->ended ? job->announced : job->held; });
  };
  return m_ended.wait_until(lock, deadline, idle) ? 1 : 0;
}

void JobEngine::DispatchLoop() {
  std::unique_lock<std::mutex> lock(m_mutex);
  while (!m_stopping) {
    ScheduleJobs(lock);
    SendForcedStops(Clock::now());
    if (!m_finishedRunners.empty()) {
      std::vector<std::thread> runners = std::move(m_finishedRunners);
      m_finishedRunners.clear();
      lock.unlock();
      for (std::thread& runner : runners) runner.join();
      lock.lock();
      continue;
    }
    if (!m_endedToAnnounce.empty()) {
      JobPtr job = m_endedToAnnounce.front();
      m_endedToAnnounce.pop_front();
      KJobsManager::JobEndedHandler handler = m_handler;
      ++m_handlerCalls;
      lock.unlock();
      if (handler) {
        try {
          handler(job->info.name, job->info.status.load() == JOB_SUCCEEDED ? 1 : 0);
        } catch (...) {
          // A throwing handler must not stop the engine.
        }
      }
      lock.lock();
      --m_handlerCalls;
      job->announced = true;
      m_ended.notify_all();
      continue;
    }
    PruneEndedJobs();
    bool forcedStopDue = false;
    Clock::time_point next = Clock::time_point::max();
    for (const JobPtr& job : m_jobs) {
      if (job->forcedStopPending && !job->leaderEnded) {
        forcedStopDue = true;
        next = std::min(next, job->forcedStopAt);
      }
    }
    if (forcedStopDue) {
      m_wake.wait_until(lock, next);
    } else {
      m_wake.wait(lock);
    }
  }
}

// Jobs are looked at in submission order, so a job always sees the final state of the jobs it
// waits on (they were submitted before it) within one pass.
void JobEngine::ScheduleJobs(std::unique_lock<std::mutex>&) {
  for (const JobPtr& job : m_jobs) {
    if (job->ended || job->started) continue;
    if (!job->refusal.empty()) {
      EndJob(job, JOB_NOT_STARTED, job->refusal);
      continue;
    }
    const Job* failed = nullptr;
    bool waiting = false;
    for (const JobPtr& prerequisite : job->prerequisites) {
      if (!prerequisite->ended) {
        waiting = true;
      } else if (prerequisite->info.status.load() != JOB_SUCCEEDED && !failed) {
        failed = prerequisite.get();
      }
    }
    if (failed) {
      EndJob(job, JOB_NOT_RUN, "not run: " + DescribePrerequisite(failed->info));
      continue;
    }
    int32_t status = job->held ? JOB_HELD : waiting ? JOB_WAITING : JOB_QUEUED;
    if (status == JOB_QUEUED && m_running < m_maxRunning) {
      StartJob(job);
      continue;
    }
    if (job->info.status.exchange(status) != status) SaveRecord(*job);
  }
}

void JobEngine::StartJob(const JobPtr& job) {
  job->started = true;
  job->info.startTime = GetWallClockSeconds();
  job->info.status = JOB_RUNNING;
  ++m_running;
  SaveRecord(*job);
  job->runner = std::thread(&JobEngine::RunJob, this, job);
}

void JobEngine::RunJob(JobPtr job) {
  const JOBINFO& info = job->info;
  std::string failure;
  std::string program;
  SplitCommandLineResult split = SplitCommandLine(info.commandLine);
  if (!split.error.empty()) {
    failure = split.error;
  } else if (split.arguments.empty() || split.arguments[0].empty()) {
    failure = "the command line names no program";
  } else {
    program = FindProgram(split.arguments[0], job->searchPath, info.directory);
    if (program.empty())
      failure = "program \"" + split.arguments[0] + "\" not found on KT_TOOLS_DIR or PATH";
  }

  SpawnResult spawned;
  bool abortedBeforeStart = false;
  if (failure.empty()) {
    std::lock_guard<std::mutex> lock(m_mutex);
    abortedBeforeStart = job->abortRequested;
    if (abortedBeforeStart) {
      EndJob(job, JOB_ABORTED, "aborted before its program started");
    } else {
      Log(*job, "program: " + program);
      Log(*job, "--- output ---");
    }
  }
  if (failure.empty() && !abortedBeforeStart) {
    spawned = SpawnProcess({program, split.arguments, info.directory, info.logFile});
    if (spawned.pid <= 0) failure = spawned.error;
  }

  std::unique_lock<std::mutex> lock(m_mutex);
  if (!failure.empty()) EndJob(job, JOB_NOT_STARTED, failure);
  if (spawned.pid > 0) {
    job->processGroup = spawned.pid;
    if (job->abortRequested) {
      // Aborted while the program was being started.
      if (m_stopping) {
        KillProcessGroup(spawned.pid);
      } else {
        TerminateProcessGroup(spawned.pid);
        job->forcedStopPending = true;
        job->forcedStopAt = Clock::now() + m_grace;
        m_wake.notify_all();
      }
    }
    lock.unlock();
    WaitForProcessEnd(spawned.pid);
    lock.lock();
    // The leader is a zombie now and keeps the group id from being reused: what is left of an
    // aborted job's group can still be stopped safely.
    job->leaderEnded = true;
    job->forcedStopPending = false;
    if (job->abortRequested) KillProcessGroup(spawned.pid);
    lock.unlock();
    ProcessExit exit = WaitForProcess(spawned.pid);
    lock.lock();
    job->processGroup = 0;
    if (exit.exited) job->info.exitCode = exit.code;
    std::string outcome = DescribeProcessExit(exit);
    if (job->abortRequested) {
      EndJob(job, JOB_ABORTED, "aborted; " + outcome);
    } else if (exit.exited && exit.code == 0) {
      EndJob(job, JOB_SUCCEEDED, outcome);
    } else {
      EndJob(job, JOB_FAILED, "failed: " + outcome);
    }
  }
  --m_running;
  m_finishedRunners.push_back(std::move(job->runner));
  m_wake.notify_all();
  m_ended.notify_all();
}

void JobEngine::EndJob(const JobPtr& job, int32_t status, const std::string& message) {
  if (job->ended) return;
  job->ended = true;
  job->info.endTime = GetWallClockSeconds();
  job->info.status = status;
  job->endMessage = message;
  Log(*job, "--- " + std::string(GetJobStatusText(status)) + " ---");
  Log(*job, message);
  SaveRecord(*job);
  m_endedToAnnounce.push_back(job);
  m_wake.notify_all();
  m_ended.notify_all();
}

void JobEngine::SendForcedStops(Clock::time_point now) {
  for (const JobPtr& job : m_jobs) {
    if (!job->forcedStopPending || job->leaderEnded || now < job->forcedStopAt) continue;
    job->forcedStopPending = false;
    Log(*job, "forced stop after the grace period");
    KillProcessGroup(job->processGroup);
  }
}

void JobEngine::PruneEndedJobs() {
  size_t ended = static_cast<size_t>(std::count_if(
      m_jobs.begin(), m_jobs.end(), [](const JobPtr& job) { return job->announced; }));
  for (auto it = m_jobs.begin(); ended > KJobsManager::kMaxEndedJobs && it != m_jobs.end();) {
    if ((*it)->announced) {
      it = m_jobs.erase(it);
      --ended;
    } else {
      ++it;
    }
  }
}

void JobEngine::SaveRecord(const Job& job) {
  if (!job.recordFile.empty()) WriteJobRecord(job.recordFile, MakeRecord(job));
}

void JobEngine::Log(const Job& job, const std::string& line) {
  if (!job.info.logFile.empty()) AppendToFile(job.info.logFile, "[ktpm] " + line + "\n");
}

std::string JobEngine::EnsureLogDirectory() {
  if (!m_logDirectoryReady && !m_logDirectory.empty()) {
    m_logDirectoryReady = MakeDirectories(m_logDirectory, 0700) == 1;
    if (m_logDirectoryReady) PruneJobDirectory(m_logDirectory, kKeptJobFiles);
  }
  return m_logDirectoryReady ? m_logDirectory : std::string();
}

}  // namespace ktpm::detail
