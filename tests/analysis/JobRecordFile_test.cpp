#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "JobTestSupport.h"

#include <ktpm/analysis/JobRecordFile.h>
#include <ktpm/platform/Process.h>

namespace ktpm::detail {
namespace {

using ktpm::jobtest::ReadText;
using ktpm::jobtest::TempDir;
using ktpm::jobtest::WriteText;

KJobRecord MakeRecord(uint64_t id, int32_t status, int64_t submitted) {
  KJobRecord record;
  record.id = id;
  record.name = "part" + std::to_string(id) + ".fsu";
  record.description = "FILL (mesh\nnext line)";
  record.commandLine = "ktl -input part.001 -screenlog part.501";
  record.status = status;
  record.exitCode = status == JOB_SUCCEEDED ? 0 : -1;
  record.submitTime = submitted;
  record.ownerProcess = GetCurrentProcessId();
  return record;
}

TEST(JobRecordFile, StemKeepsOnlyPlainCharacters) {
  EXPECT_EQ(MakeJobFileStem(12, 3, "part.fsu"), "12-3-part.fsu");
  EXPECT_EQ(MakeJobFileStem(12, 3, "../a b/$(x)"), "12-3-.._a_b___x_");
  EXPECT_EQ(MakeJobFileStem(1, 1, ""), "1-1-job");
  EXPECT_EQ(MakeJobFileStem(1, 1, std::string(100, 'x')), "1-1-" + std::string(64, 'x'));
}

TEST(JobRecordFile, RecordReadsBackWithLineBreaksFlattened) {
  TempDir dir;
  KJobRecord written = MakeRecord(7, JOB_FAILED, 1000);
  ASSERT_EQ(WriteJobRecord(dir / "a.job", written), 1);
  KJobRecord read;
  ASSERT_EQ(ReadJobRecord(dir / "a.job", read), 1);
  EXPECT_EQ(read.id, 7u);
  EXPECT_EQ(read.name, "part7.fsu");
  EXPECT_EQ(read.description, "FILL (mesh next line)");
  EXPECT_EQ(read.commandLine, written.commandLine);
  EXPECT_EQ(read.status, JOB_FAILED);
  EXPECT_EQ(read.submitTime, 1000);
  EXPECT_FALSE(std::filesystem::exists(dir / "a.job.tmp"));
}

TEST(JobRecordFile, ForeignOrDamagedFilesAreNotRecords) {
  TempDir dir;
  KJobRecord read;
  WriteText(dir / "other.job", "name: x\nstatus: 4\n");
  EXPECT_EQ(ReadJobRecord(dir / "other.job", read), 0);
  EXPECT_EQ(ReadJobRecord(dir / "missing.job", read), 0);
  WriteText(dir / "bad.job", "KTPM_JOB_RECORD: 1\nstatus: 99999999999999\nid: -3\nexit\n");
  ASSERT_EQ(ReadJobRecord(dir / "bad.job", read), 1);
  EXPECT_EQ(read.status, JOB_NOT_STARTED);
  EXPECT_EQ(read.id, 0u);
  WriteText(dir / "huge.job", "KTPM_JOB_RECORD: 1\n" + std::string(100000, 'x'));
  EXPECT_EQ(ReadJobRecord(dir / "huge.job", read), 0);
  EXPECT_EQ(ReadJobRecordDirectory(dir.path()).size(), 1u);
  EXPECT_TRUE(ReadJobRecordDirectory(dir / "nowhere").empty());
}

TEST(JobRecordFile, PruningKeepsTheNewestAndUnfinishedJobs) {
  TempDir dir;
  int64_t submitted[] = {30, 10, 20, 40};
  int32_t statuses[] = {JOB_SUCCEEDED, JOB_RUNNING, JOB_FAILED, JOB_SUCCEEDED};
  for (uint64_t id = 1; id <= 4; ++id) {
    KJobRecord record = MakeRecord(id, statuses[id - 1], submitted[id - 1]);
    std::string stem = dir / MakeJobFileStem(record.ownerProcess, id, record.name);
    ASSERT_EQ(WriteJobRecord(stem + ".job", record), 1);
    WriteText(stem + ".log", "log\n");
  }
  // Oldest first: 2 (running, kept), 3 (failed, pruned); 1 and 4 are the newest two.
  EXPECT_EQ(PruneJobDirectory(dir.path(), 2), 1);
  auto left = ReadJobRecordDirectory(dir.path());
  ASSERT_EQ(left.size(), 3u);
  EXPECT_EQ(left[0].id, 2u);
  EXPECT_EQ(left[1].id, 1u);
  EXPECT_EQ(left[2].id, 4u);
  EXPECT_FALSE(std::filesystem::exists(
      dir / (MakeJobFileStem(GetCurrentProcessId(), 3, "part3.fsu") + ".log")));
  EXPECT_EQ(PruneJobDirectory(dir.path(), 10), 0);
}

}  // namespace
}  // namespace ktpm::detail
