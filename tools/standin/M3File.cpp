#include "M3File.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace ktpm::standin {

namespace {

constexpr int kHeaderWords = 99;
constexpr int kHeaderBytes = kHeaderWords * 4;
constexpr int kEntryBytes = 20;
constexpr int kRecordHeaderWords = 5;
constexpr int kVersionWord = 0;
constexpr int kDirectoryCountWord = 11;
constexpr int kNodeCountWord = 30;
constexpr int kElementCountWord = 35;
constexpr const char* kRestartTimes = "RSTTIMES";

void PutWord(std::string& bytes, uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>(word >> shift));
}

void PutInt(std::string& bytes, int32_t value) { PutWord(bytes, static_cast<uint32_t>(value)); }

void PutFloat(std::string& bytes, float value) {
  uint32_t word;
  std::memcpy(&word, &value, sizeof(word));
  PutWord(bytes, word);
}

uint32_t GetWord(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

float GetFloat(const unsigned char* bytes) {
  uint32_t word = GetWord(bytes);
  float value;
  std::memcpy(&value, &word, sizeof(value));
  return value;
}

struct Record {
  std::string name;
  std::string body;  // the record header and values
};

}  // namespace

bool WriteM3File(const std::string& path, const M3Contents& contents) {
  std::vector<Record> records;
  Record region{"REGION", {}};
  Record shape{"SHAPE", {}};
  Record thickness{"BLMTHICK", {}};
  for (Record* record : {&region, &shape, &thickness})
    for (int i = 0; i < kRecordHeaderWords; ++i) PutInt(record->body, 0);
  for (int32_t element = 0; element < contents.elements; ++element) {
    PutInt(region.body, 1);
    PutInt(shape.body, 4);
    PutFloat(thickness.body, 1.5f);
    PutFloat(thickness.body, 0.0f);
  }
  records = {region, shape, thickness};
  if (!contents.restartTimes.empty()) {
    Record times{kRestartTimes, {}};
    PutInt(times.body, static_cast<int32_t>(contents.restartTimes.size()));
    for (int i = 1; i < kRecordHeaderWords; ++i) PutInt(times.body, 0);
    for (const auto& [time, fraction] : contents.restartTimes) {
      PutFloat(times.body, time);
      PutFloat(times.body, fraction);
    }
    records.push_back(times);
  }

  std::array<int32_t, kHeaderWords> header{};
  header[kVersionWord] = contents.version;
  header[kDirectoryCountWord] = static_cast<int32_t>(records.size());
  header[kNodeCountWord] = contents.nodes;
  header[kElementCountWord] = contents.elements;
  std::string bytes;
  for (int32_t word : header) PutInt(bytes, word);
  size_t position = kHeaderBytes + records.size() * kEntryBytes;
  for (const Record& record : records) {
    std::string name = record.name;
    name.resize(8, '\0');
    bytes += name;
    PutInt(bytes, static_cast<int32_t>(record.name.size()));
    PutInt(bytes, static_cast<int32_t>(position / 4 + 1));
    PutFloat(bytes, 0.0f);
    position += record.body.size();
  }
  for (const Record& record : records) bytes += record.body;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

std::optional<std::vector<std::pair<float, float>>> ReadM3RestartTimes(const std::string& path) {
  std::error_code error;
  uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size < static_cast<uintmax_t>(kHeaderBytes)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::array<unsigned char, kHeaderBytes> header;
  if (!in.read(reinterpret_cast<char*>(header.data()), kHeaderBytes)) return std::nullopt;
  int64_t entries = static_cast<int32_t>(GetWord(&header[kDirectoryCountWord * 4]));
  int64_t fitting = static_cast<int64_t>((size - kHeaderBytes) / kEntryBytes);
  entries = std::clamp<int64_t>(entries, 0, fitting);
  for (int64_t i = 0; i < entries; ++i) {
    std::array<unsigned char, kEntryBytes> entry;
    in.seekg(kHeaderBytes + i * kEntryBytes);
    if (!in.read(reinterpret_cast<char*>(entry.data()), kEntryBytes)) return std::nullopt;
    int32_t significant = std::clamp(static_cast<int32_t>(GetWord(&entry[8])), 0, 8);
    if (significant == 0 ||
        std::memcmp(entry.data(), kRestartTimes, static_cast<size_t>(significant)) != 0)
      continue;
    int64_t position = static_cast<int32_t>(GetWord(&entry[12]));
    int64_t offset = (position - 1) * 4;
    if (position < 1 || offset + kRecordHeaderWords * 4 > static_cast<int64_t>(size))
      return std::nullopt;
    std::array<unsigned char, kRecordHeaderWords * 4> recordHeader;
    in.seekg(offset);
    if (!in.read(reinterpret_cast<char*>(recordHeader.data()), recordHeader.size()))
      return std::nullopt;
    int64_t count = static_cast<int32_t>(GetWord(recordHeader.data()));
    int64_t available = (static_cast<int64_t>(size) - offset - kRecordHeaderWords * 4) / 8;
    count = std::clamp<int64_t>(count, 0, available);
    std::vector<std::pair<float, float>> times;
    for (int64_t point = 0; point < count; ++point) {
      unsigned char pair[8];
      if (!in.read(reinterpret_cast<char*>(pair), sizeof(pair))) break;
      times.emplace_back(GetFloat(pair), GetFloat(pair + 4));
    }
    return times;
  }
  return std::nullopt;
}

}  // namespace ktpm::standin
