#include <filesystem>
#include <system_error>

#include <ktpm/analysis/JobEngine.h>
#include <ktpm/analysis/JobRecordFile.h>
#include <ktpm/analysis/JobServers.h>
#include <ktpm/analysis/KJobsManager.h>
#include <ktpm/platform/Process.h>
#include <ktpm/platform/UserDirs.h>

const char* GetJobStatusText(int32_t status) {
  switch (status) {
    case JOB_QUEUED:
      return "queued";
    case JOB_WAITING:
      return "waiting";
    case JOB_HELD:
      return "held";
    case JOB_RUNNING:
      return "running";
    case JOB_SUCCEEDED:
      return "succeeded";
    case JOB_FAILED:
      return "failed";
    case JOB_ABORTED:
      return "aborted";
    case JOB_NOT_RUN:
      return "not run";
    case JOB_NOT_STARTED:
      return "not started";
    default:
      return "unknown";
  }
}

KJobsManager& KJobsManager::GetManager() {
  static KJobsManager manager;
  return manager;
}

KJobsManager::KJobsManager()
    : m_defaultServer(ktpm::detail::GetHostName()),
      m_engine(std::make_unique<ktpm::detail::JobEngine>(m_defaultServer)) {}

KJobsManager::~KJobsManager() = default;

void* KJobsManager::FindJob(const std::string& jobName) { return m_engine->FindJob(jobName); }

JOBINFO* KJobsManager::GetJobInfo(void* job) { return m_engine->GetJobInfo(job); }

void KJobsManager::SubmitJob(const std::string& description, const std::string& commandLine,
                             const std::string& jobName, int subtype, int batch, void* after,
                             const char* server) {
  int accepted =
      server == nullptr || IsDefaultServer(server) || ktpm::detail::IsKnownJobServer(server);
  m_engine->Submit(description, commandLine, jobName, subtype, batch, after, server, accepted);
}

void KJobsManager::StartSequence(const char* server) { m_engine->StartSequence(server); }

void KJobsManager::EndSequence(const char* server) { m_engine->EndSequence(server); }

void KJobsManager::AbortJob(void* job) { m_engine->Abort(job); }

int KJobsManager::ServerSupportsPath(const char* server, const char* path) const {
  if (server == nullptr || IsDefaultServer(server)) return 1;
  std::string projectPath;
  if (path != nullptr) {
    projectPath = path;
  } else {
    std::error_code error;
    projectPath = std::filesystem::current_path(error).string();
  }
  return ktpm::detail::JobServerMapsPath(server, projectPath);
}

void KJobsManager::RunBatch(const char* server) { m_engine->RunBatch(server); }

void KJobsManager::SetJobEndedHandler(JobEndedHandler handler) {
  m_engine->SetHandler(std::move(handler));
}

std::vector<KJobRecord> KJobsManager::GetJobList() const { return m_engine->List(); }

void KJobsManager::SetMaxRunningJobs(int count) { m_engine->SetMaxRunning(count); }

int KJobsManager::GetMaxRunningJobs() const { return m_engine->GetMaxRunning(); }

void KJobsManager::SetAbortGracePeriod(int milliseconds) { m_engine->SetGracePeriod(milliseconds); }

void KJobsManager::SetLogDirectory(const std::string& directory) {
  m_engine->SetLogDirectory(directory);
}

std::string KJobsManager::GetLogDirectory() const { return m_engine->GetLogDirectory(); }

int KJobsManager::WaitForJob(void* job, int timeoutMilliseconds) {
  return m_engine->WaitForJob(job, timeoutMilliseconds);
}

int KJobsManager::WaitForIdle(int timeoutMilliseconds) {
  return m_engine->WaitForIdle(timeoutMilliseconds);
}

std::string KJobsManager::GetDefaultLogDirectory() {
  std::string state = ktpm::detail::GetUserStateDir();
  if (!state.empty() && state[0] == '/') return state + "/keltravo/jobs";
  std::error_code error;
  std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
  if (error) temporary = "/tmp";
  return (temporary / "keltravo-jobs").string();
}

std::vector<KJobRecord> KJobsManager::ReadJobRecords(const std::string& directory) {
  std::vector<KJobRecord> records = ktpm::detail::ReadJobRecordDirectory(directory);
  for (KJobRecord& record : records)
    record.ownerGone = ktpm::detail::IsProcessAlive(record.ownerProcess) ? 0 : 1;
  return records;
}
