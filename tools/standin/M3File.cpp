#include "M3File.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <ktpm/mesh/KM3RWriter.h>

namespace ktpm::standin {

namespace {

constexpr int kHeaderWords = 99;
constexpr int kHeaderBytes = kHeaderWords * 4;
constexpr int kEntryBytes = 20;
constexpr int kRecordHeaderWords = 5;
constexpr int kDirectoryCountWord = 11;
constexpr const char* kRestartTimes = "RSTTIMES";

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

}  // namespace

bool WriteM3File(const std::string& path, const M3Contents& contents) {
  KM3RWriter writer;
  writer.SetVersion(contents.version);
  writer.SetNodeCount(contents.nodes);
  writer.SetElementCount(contents.elements);
  const size_t elements = contents.elements > 0 ? static_cast<size_t>(contents.elements) : 0;
  writer.AddIntRecord("REGION", std::vector<int32_t>(elements, 1));
  writer.AddIntRecord("SHAPE", std::vector<int32_t>(elements, 4));
  writer.AddThicknessRecord(std::vector<std::pair<float, float>>(elements, {1.5f, 0.0f}));
  if (!contents.restartTimes.empty()) {
    writer.AddCountedPairRecord(kRestartTimes, contents.restartTimes);
  }
  return writer.Write(path) != 0;
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
