// The engine behind KJobsManager.
//
// One dispatcher thread decides which jobs may start, sends the forced stop to aborted jobs whose
// grace period has run out, joins finished runner threads and calls the job-ended handler. One
// runner thread per running job splits the command line, starts the program in the job's
// directory as the leader of a process group and blocks in waitpid until it ends: nothing polls.
// All scheduling state is guarded by one mutex; JOBINFO's changing members are atomics so that
// GetJobInfo pointers may be read without it.
//
// Owned by KJobsManager; every member may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <ktpm/analysis/KJobsManager.h>

namespace ktpm::detail {

class JobEngine {
 public:
  using Clock = std::chrono::steady_clock;

  explicit JobEngine(std::string defaultServer);
  ~JobEngine();
  JobEngine(const JobEngine&) = delete;
  JobEngine& operator=(const JobEngine&) = delete;

  void* FindJob(const std::string& name);
  JOBINFO* GetJobInfo(void* handle);
  void Submit(const std::string& description, const std::string& commandLine,
              const std::string& name, int subtype, int batch, void* after, const char* server,
              int serverAccepted);
  void StartSequence(const char* server);
  void EndSequence(const char* server);
  void Abort(void* handle);
  void RunBatch(const char* server);
  void SetHandler(KJobsManager::JobEndedHandler handler);
  std::vector<KJobRecord> List() const;
  void SetMaxRunning(int count);
  int GetMaxRunning() const;
  void SetGracePeriod(int milliseconds);
  void SetLogDirectory(const std::string& directory);
  std::string GetLogDirectory() const;
  int WaitForJob(void* handle, int timeoutMilliseconds);
  int WaitForIdle(int timeoutMilliseconds);

 private:
  struct Job;
  using JobPtr = std::shared_ptr<Job>;

  std::string ServerKey(const char* server) const;
  JobPtr FindByHandle(void* handle) const;
  void DispatchLoop();
  void ScheduleJobs(std::unique_lock<std::mutex>& lock);
  void StartJob(const JobPtr& job);
  void RunJob(JobPtr job);
  void EndJob(const JobPtr& job, int32_t status, const std::string& message);
  void SendForcedStops(Clock::time_point now);
  void PruneEndedJobs();
  void SaveRecord(const Job& job);
  KJobRecord MakeRecord(const Job& job) const;
  void Log(const Job& job, const std::string& line);
  std::string EnsureLogDirectory();

  const std::string m_defaultServer;
  const int32_t m_ownerProcess;

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;   // the dispatcher's: something to schedule or to stop
  std::condition_variable m_ended;  // waiters': a job ended or the handler returned
  std::deque<JobPtr> m_jobs;        // the display list, in submission order
  // Open sequences by server key, each with the last job submitted in it (null at first).
  std::map<std::string, JobPtr> m_openSequences;
  std::vector<std::thread> m_finishedRunners;
  std::deque<JobPtr> m_endedToAnnounce;
  KJobsManager::JobEndedHandler m_handler;
  int m_maxRunning;
  int m_running = 0;
  int m_handlerCalls = 0;  // handler calls in progress
  std::chrono::milliseconds m_grace{250};
  std::string m_logDirectory;
  bool m_logDirectoryReady = false;
  uint64_t m_nextId = 1;
  bool m_stopping = false;
  std::thread m_dispatcher;
};

}  // namespace ktpm::detail
