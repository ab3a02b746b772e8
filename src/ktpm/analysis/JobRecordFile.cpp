#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <system_error>

#include <ktpm/analysis/JobRecordFile.h>
#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/Process.h>

namespace ktpm::detail {

namespace {

constexpr size_t kMaxJobNameInStem = 64;
// A record is a few hundred bytes; anything much larger is not one of ours.
constexpr std::uintmax_t kMaxRecordSize = 64 * 1024;
constexpr size_t kMaxRecordsListed = 10000;

// Values are single lines: line breaks in descriptions or command lines become blanks.
std::string OneLine(const std::string& text) {
  std::string line = text;
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return line;
}

template <typename Number>
Number ParseNumber(const std::string& text, Number fallback) {
  Number value = fallback;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return fallback;
  return value;
}

void SetField(KJobRecord& record, const std::string& key, const std::string& value) {
  if (key == "id")
    record.id = ParseNumber<uint64_t>(value, 0);
  else if (key == "name")
    record.name = value;
  else if (key == "description")
    record.description = value;
  else if (key == "command")
    record.commandLine = value;
  else if (key == "server")
    record.server = value;
  else if (key == "directory")
    record.directory = value;
  else if (key == "log")
    record.logFile = value;
  else if (key == "status")
    record.status = ParseNumber<int32_t>(value, JOB_NOT_STARTED);
  else if (key == "exit")
    record.exitCode = ParseNumber<int32_t>(value, -1);
  else if (key == "subtype")
    record.subtype = ParseNumber<int32_t>(value, 0);
  else if (key == "batch")
    record.batch = ParseNumber<int32_t>(value, 0);
  else if (key == "submitted")
    record.submitTime = ParseNumber<int64_t>(value, 0);
  else if (key == "started")
    record.startTime = ParseNumber<int64_t>(value, 0);
  else if (key == "ended")
    record.endTime = ParseNumber<int64_t>(value, 0);
  else if (key == "message")
    record.endMessage = value;
  else if (key == "owner")
    record.ownerProcess = ParseNumber<int32_t>(value, 0);
}

}  // namespace

std::string MakeJobFileStem(int32_t ownerProcess, uint64_t id, const std::string& jobName) {
  std::string name = jobName.substr(0, kMaxJobNameInStem);
  for (char& c : name) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '.' || c == '_' || c == '-';
    if (!plain) c = '_';
  }
  if (name.empty()) name = "job";
  return std::to_string(ownerProcess) + "-" + std::to_string(id) + "-" + name;
}

int WriteJobRecord(const std::string& path, const KJobRecord& record) {
  std::ostringstream out;
  out.imbue(std::locale::classic());  // no digit grouping from the host's global locale
  out << "KTPM_JOB_RECORD: 1\n"
      << "id: " << record.id << "\n"
      << "name: " << OneLine(record.name) << "\n"
      << "description: " << OneLine(record.description) << "\n"
      << "command: " << OneLine(record.commandLine) << "\n"
      << "server: " << OneLine(record.server) << "\n"
      << "directory: " << OneLine(record.directory) << "\n"
      << "log: " << OneLine(record.logFile) << "\n"
      << "status: " << record.status << "\n"
      << "exit: " << record.exitCode << "\n"
      << "subtype: " << record.subtype << "\n"
      << "batch: " << record.batch << "\n"
      << "submitted: " << record.submitTime << "\n"
      << "started: " << record.startTime << "\n"
      << "ended: " << record.endTime << "\n"
      << "owner: " << record.ownerProcess << "\n"
      << "message: " << OneLine(record.endMessage) << "\n";
  // A reader never sees half a record: the new one replaces the old one whole.
  return ReplaceFileContents(path, out.str()) ? 1 : 0;
}

int ReadJobRecord(const std::string& path, KJobRecord& record) {
  std::error_code error;
  std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kMaxRecordSize) return 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return 0;
  std::string line;
  if (!std::getline(in, line) || line != "KTPM_JOB_RECORD: 1") return 0;
  KJobRecord read;
  while (std::getline(in, line)) {
    size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    SetField(read, line.substr(0, colon), line.substr(colon + 2));
  }
  record = std::move(read);
  return 1;
}

std::vector<KJobRecord> ReadJobRecordDirectory(const std::string& directory) {
  std::vector<KJobRecord> records;
  std::error_code error;
  std::filesystem::directory_iterator it(directory, error);
  if (error) return records;
  for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error || records.size() >= kMaxRecordsListed) break;
    const std::filesystem::path& path = it->path();
    if (path.extension() != ".job") continue;
    KJobRecord record;
    if (ReadJobRecord(path.string(), record)) records.push_back(std::move(record));
  }
  std::sort(records.begin(), records.end(), [](const KJobRecord& a, const KJobRecord& b) {
    if (a.submitTime != b.submitTime) return a.submitTime < b.submitTime;
    if (a.ownerProcess != b.ownerProcess) return a.ownerProcess < b.ownerProcess;
    return a.id < b.id;
  });
  return records;
}

int PruneJobDirectory(const std::string& directory, size_t keep) {
  std::vector<KJobRecord> records = ReadJobRecordDirectory(directory);
  if (records.size() <= keep) return 0;
  int pruned = 0;
  std::error_code error;
  for (size_t i = 0; i < records.size() - keep; ++i) {
    const KJobRecord& record = records[i];
    bool ended = record.status >= JOB_SUCCEEDED || !IsProcessAlive(record.ownerProcess);
    if (!ended) continue;
    std::string stem =
        directory + "/" + MakeJobFileStem(record.ownerProcess, record.id, record.name);
    std::filesystem::remove(stem + ".job", error);
    std::filesystem::remove(stem + ".log", error);
    ++pruned;
  }
  return pruned;
}

}  // namespace ktpm::detail
