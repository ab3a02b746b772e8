// The files a job leaves in the job log directory: "<stem>.log" with the program's output and
// the engine's own lines, and "<stem>.job", a small "key: value" record of the job that is
// rewritten whenever its status changes, so that another process (`ktpm jobs`) can list jobs.
//
// Free functions; any thread. Record files are read as untrusted input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <ktpm/analysis/KJobsManager.h>

namespace ktpm::detail {

// "<owner process>-<id>-<job name with every character outside [A-Za-z0-9._-] made '_'>",
// the job name part cut to 64 characters.
std::string MakeJobFileStem(int32_t ownerProcess, uint64_t id, const std::string& jobName);

// Writes the record through a temporary file and a rename. 1 on success.
int WriteJobRecord(const std::string& path, const KJobRecord& record);
// Reads a record; 0 when the file is unreadable or is not a job record.
int ReadJobRecord(const std::string& path, KJobRecord& record);
// Every record in a directory, by submission time and then id.
std::vector<KJobRecord> ReadJobRecordDirectory(const std::string& directory);
// Keeps the log directory from growing without end: deletes the record and log files of the
// oldest jobs beyond the newest keep, but only of jobs that have ended or whose owner process
// has. Returns the number of jobs whose files were deleted.
int PruneJobDirectory(const std::string& directory, size_t keep);

}  // namespace ktpm::detail
