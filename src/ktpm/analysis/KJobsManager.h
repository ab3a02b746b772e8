// The job manager: queues the command lines of analyses, translations, meshing and report
// generation and runs them, in the directory that was current when each was submitted (the
// project directory).
//
// KJobsManager is the one manager of the process (GetManager), with an engine inside it: a
// dispatcher thread that decides which job may start, one runner thread per running job that
// starts the program with posix_spawn (no shell) and waits for it, and a job-ended handler that
// the dispatcher calls when a job has ended. Jobs form sequences (run one after another in
// submission order), wait for other jobs ("after"), sit in a batch queue until RunBatch releases
// them, and run at most GetMaxRunningJobs() at once. A failed or aborted job makes every job that
// waits on it end as not run. Each job's output goes to a log file under
// $XDG_STATE_HOME/keltravo/jobs/ (~/.local/state when unset), beside a small record file that
// `ktpm jobs` reads.
//
// Ownership: the manager owns its jobs. A handle (void*) from FindJob and the JOBINFO* from
// GetJobInfo stay valid as long as the job is in the display list (GetJobList): ended jobs stay
// there until the list holds more than kMaxEndedJobs ended jobs, oldest first out.
//
// Threads: every member may be called from any thread. JOBINFO::status and the other changing
// members of JOBINFO are atomics that may be read through the pointer while the engine runs; the
// rest of JOBINFO is fixed at submission. The job-ended handler is called on the dispatcher
// thread, one call at a time, with no manager lock held: it may call the manager again, but
// not wait on it (WaitForJob and WaitForIdle would wait for the handler itself).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Job status values held in JOBINFO::status. Every job ends in exactly one of the values from
// JOB_SUCCEEDED on.
enum KJobStatus : int32_t {
  JOB_QUEUED = 0,       // ready, waiting for a free running slot
  JOB_WAITING = 1,      // waits for an earlier job of its sequence or for its "after" job
  JOB_HELD = 2,         // held in the batch queue until RunBatch
  JOB_RUNNING = 3,      // its program runs (it still uses its input files)
  JOB_SUCCEEDED = 4,    // the program ended with exit status 0
  JOB_FAILED = 5,       // the program ended with another status or on a signal
  JOB_ABORTED = 6,      // stopped or removed by AbortJob
  JOB_NOT_RUN = 7,      // a job it waited on did not succeed
  JOB_NOT_STARTED = 8,  // could not be started (bad command line, no such program, refused server)
};

// Display text of a status value ("queued", "running", "succeeded"...).
const char* GetJobStatusText(int32_t status);

// The manager's record of one job.
struct JOBINFO {
  std::atomic<int32_t> status{JOB_QUEUED};
  std::atomic<int32_t> exitCode{-1};  // exit status of the program; -1 when none
  std::atomic<int64_t> startTime{0};  // wall-clock seconds; 0 until started
  std::atomic<int64_t> endTime{0};    // wall-clock seconds; 0 until ended

  // Fixed when the job is submitted.
  uint64_t id = 0;
  std::string name;
  std::string description;
  std::string commandLine;
  std::string server;  // as given; empty for none
  std::string directory;
  std::string logFile;
  int32_t subtype = 0;
  int32_t batch = 0;
  int64_t submitTime = 0;
};

// A copy of one job's record, for display.
struct KJobRecord {
  uint64_t id = 0;
  std::string name;
  std::string description;
  std::string commandLine;
  std::string server;
  std::string directory;
  std::string logFile;
  int32_t status = JOB_QUEUED;
  int32_t exitCode = -1;
  int32_t subtype = 0;
  int32_t batch = 0;
  int64_t submitTime = 0;
  int64_t startTime = 0;
  int64_t endTime = 0;
  // Why an ended job ended as it did ("program \"x\" not found on KT_TOOLS_DIR or PATH",
  // "failed: exit status 2"); empty until it ends.
  std::string endMessage;
  int32_t ownerProcess = 0;  // the process whose manager runs the job
  int32_t ownerGone = 0;     // 1 when read from a record whose owner process has ended
};

namespace ktpm::detail {
class JobEngine;
}

class KJobsManager {
 public:
  using JobEndedHandler = std::function<void(const std::string& jobName, int ok)>;

  static constexpr size_t kMaxEndedJobs = 1000;

  // The one manager of the process.
  static KJobsManager& GetManager();

  // A manager of its own (tests, tools); the process's one is GetManager().
  KJobsManager();
  // Stops the running jobs' process groups at once and drops jobs that have not started.
  ~KJobsManager();
  KJobsManager(const KJobsManager&) = delete;
  KJobsManager& operator=(const KJobsManager&) = delete;

  // A job of this name that has not ended (the latest submitted), or null.
  void* FindJob(const std::string& jobName);
  // The record of a job in the display list; null for an unknown handle.
  JOBINFO* GetJobInfo(void* job);
  // Queues a command line. batch 1 holds it until RunBatch; after (a handle, or null) must end
  // well before this job starts; server null or the default server runs here.
  void SubmitJob(const std::string& description, const std::string& commandLine,
                 const std::string& jobName, int subtype, int batch, void* after,
                 const char* server);
  // The jobs submitted for this server until EndSequence run one after another.
  void StartSequence(const char* server);
  void EndSequence(const char* server);
  // Removes a job that has not started, or stops a running one and its whole process group.
  void AbortJob(void* job);
  // Nonzero when the server can run jobs of the project at path (null: the current directory).
  int ServerSupportsPath(const char* server, const char* path) const;
  int IsDefaultServer(const char* server) const {
    return server != nullptr && m_defaultServer == server ? 1 : 0;
  }

  // Releases the batch queue of a server (null: the jobs that run here).
  void RunBatch(const char* server);
  // Called once for every job that ends, with ok 1 for success and 0 for any other end.
  void SetJobEndedHandler(JobEndedHandler handler);
  // Active and recent jobs in submission order.
  std::vector<KJobRecord> GetJobList() const;
  // Jobs allowed to run at once (at least 1; default: the number of processors).
  void SetMaxRunningJobs(int count);
  int GetMaxRunningJobs() const;
  // The grace period between the polite and the forced stop of an aborted job.
  void SetAbortGracePeriod(int milliseconds);
  // Directory of the job logs and records; created on first use.
  void SetLogDirectory(const std::string& directory);
  std::string GetLogDirectory() const;
  const std::string& GetDefaultServer() const { return m_defaultServer; }

  // Waits until the job has ended and its handler call has returned. 1 when it has, 0 on
  // time-out or for an unknown handle.
  int WaitForJob(void* job, int timeoutMilliseconds);
  // Waits until no job is queued, waiting or running (held batch jobs do not count) and every
  // handler call has returned. 1 when so, 0 on time-out.
  int WaitForIdle(int timeoutMilliseconds);

  // The default log directory: $XDG_STATE_HOME/keltravo/jobs, ~/.local/state when unset.
  static std::string GetDefaultLogDirectory();
  // The records that managers have left in a log directory, oldest first; ownerGone marks the
  // records of processes that have ended (an unfinished job there will never end).
  static std::vector<KJobRecord> ReadJobRecords(const std::string& directory);

 private:
  std::string m_defaultServer;
  std::unique_ptr<ktpm::detail::JobEngine> m_engine;
};
