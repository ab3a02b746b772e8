#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <limits>
#include <thread>

#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/MappedFile.h>
#include <ktpm/platform/Resources.h>

namespace {

constexpr int64_t kDirectoryOffset = KM3RReader::kHeaderWords * 4;
constexpr int64_t kDirectoryEntryBytes = 20;
constexpr int64_t kRecordHeaderBytes = 5 * 4;
constexpr size_t kNameBytes = 8;

std::atomic<int64_t> g_retryDelayMs{500};

int32_t DecodeInt(const uint8_t* bytes) {
  uint32_t value = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
                   uint32_t{bytes[3]} << 24;
  return static_cast<int32_t>(value);
}

float DecodeFloat(const uint8_t* bytes) {
  uint32_t bits = static_cast<uint32_t>(DecodeInt(bytes));
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool EndsWithM3R(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".m3r";
}

bool IsAcceptedVersion(int32_t version) { return version == 100 || version >= 105; }

// Reads exactly size bytes at offset; false when the file ends first.
bool ReadAt(FILE* file, int64_t offset, void* buffer, size_t size) {
  if (offset < 0 || offset > std::numeric_limits<long>::max()) return false;
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) return false;
  return std::fread(buffer, 1, size, file) == size;
}

}  // namespace

KM3RReader::~KM3RReader() { Close(); }

void KM3RReader::SetRetryDelay(std::chrono::milliseconds delay) {
  g_retryDelayMs.store(delay.count());
}

std::chrono::milliseconds KM3RReader::GetRetryDelay() {
  return std::chrono::milliseconds(g_retryDelayMs.load());
}

void KM3RReader::GiveBackWritePermission() {
  if (madeReadOnly_) KFileEntry(path_).SetReadOnly(0);
  madeReadOnly_ = false;
}

void KM3RReader::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  GiveBackWritePermission();
}

FILE* KM3RReader::OpenWithRetries(const std::string& path) const {
  for (int attempt = 1;; ++attempt) {
    if (FILE* file = MappedFopen(path, "rb")) return file;
    if (attempt == kOpenAttempts) return nullptr;
    std::this_thread::sleep_for(GetRetryDelay());
  }
}

FILE* KM3RReader::Open(const std::string& path) {
  Close();
  header_.fill(0);
  directory_.clear();
  path_ = path;
  KFileEntry entry(path);
  if (EndsWithM3R(path) && entry.Exists() && !entry.IsWriteProtected()) {
    madeReadOnly_ = entry.SetReadOnly(1) != 0;
  }
  file_ = OpenWithRetries(path);
  if (!file_) {
    GiveBackWritePermission();
    return nullptr;
  }
  if (!ReadHeader() || !IsAcceptedVersion(header_[kVersionWord])) {
    // A file too short for its header is no better than one of an unknown version.
    ShowMessageBox("File is incorrect M3I version format", "M3R Read Error");
    Close();
    header_.fill(0);
    return nullptr;
  }
  ReadDirectory();
  return file_;
}

bool KM3RReader::ReadHeader() {
  std::array<uint8_t, kHeaderWords * 4> bytes;
  if (std::fseek(file_, 0, SEEK_END) != 0) return false;
  fileSize_ = std::ftell(file_);
  if (!ReadAt(file_, 0, bytes.data(), bytes.size())) return false;
  for (int word = 0; word < kHeaderWords; ++word) header_[word] = DecodeInt(&bytes[word * 4]);
  return true;
}

// Reads as many entries as the header says and the file holds.
void KM3RReader::ReadDirectory() {
  int64_t count = std::max<int32_t>(header_[kDirectoryCountWord], 0);
  count = std::min(count, (fileSize_ - kDirectoryOffset) / kDirectoryEntryBytes);
  directory_.reserve(static_cast<size_t>(std::max<int64_t>(count, 0)));
  for (int64_t i = 0; i < count; ++i) {
    uint8_t bytes[kDirectoryEntryBytes];
    if (!ReadAt(file_, kDirectoryOffset + i * kDirectoryEntryBytes, bytes, sizeof bytes)) break;
    KM3RDirectoryEntry entry;
    const char* name = reinterpret_cast<const char*>(bytes);
    entry.name.assign(name, strnlen(name, kNameBytes));
    entry.length = DecodeInt(bytes + 8);
    entry.position = DecodeInt(bytes + 12);
    entry.value = DecodeFloat(bytes + 16);
    directory_.push_back(std::move(entry));
  }
}

int32_t KM3RReader::NodeCount() const { return std::max<int32_t>(header_[kNodeCountWord], 0); }

int32_t KM3RReader::ElementCount() {
  if (header_[kElementCountWord] > kMaxElements || header_[kElementCountWord] < 0) {
    header_[kElementCountWord] = 0;
  }
  return header_[kElementCountWord];
}

int32_t KM3RReader::FindRecord(const std::string& name) const {
  for (const KM3RDirectoryEntry& entry : directory_) {
    // The significant length counts as the C library counts it; the stored name ends at 8
    // characters, so the comparison never reaches beyond it.
    size_t length = static_cast<size_t>(static_cast<uint32_t>(entry.length));
    if (std::strncmp(entry.name.c_str(), name.c_str(), length) == 0) return entry.position;
  }
  return -1;
}

std::optional<std::vector<uint8_t>> KM3RReader::ReadRecordData(const std::string& name,
                                                               size_t bytes) {
  if (!file_) return std::nullopt;
  int32_t position = FindRecord(name);
  if (position < 1) return std::nullopt;
  int64_t offset = (int64_t{position} - 1) * 4 + kRecordHeaderBytes;
  if (offset + static_cast<int64_t>(bytes) > fileSize_) return std::nullopt;
  std::vector<uint8_t> data(bytes);
  if (!ReadAt(file_, offset, data.data(), bytes)) return std::nullopt;
  return data;
}

std::optional<std::vector<int32_t>> KM3RReader::ReadElementInts(const std::string& name) {
  int32_t elements = ElementCount();
  if (elements == 0) return std::nullopt;
  auto data = ReadRecordData(name, static_cast<size_t>(elements) * 4);
  if (!data) return std::nullopt;
  std::vector<int32_t> values(static_cast<size_t>(elements));
  for (size_t i = 0; i < values.size(); ++i) values[i] = DecodeInt(&(*data)[i * 4]);
  return values;
}

std::optional<std::vector<std::pair<double, double>>> KM3RReader::ReadElementThickness() {
  int32_t elements = ElementCount();
  if (elements == 0) return std::nullopt;
  auto data = ReadRecordData("BLMTHICK", static_cast<size_t>(elements) * 8);
  if (!data) {
    ShowMessageBox("No Dimension Attribute in M3R file", "Error");
    return std::nullopt;
  }
  std::vector<std::pair<double, double>> values(static_cast<size_t>(elements));
  for (size_t i = 0; i < values.size(); ++i) {
    values[i] = {DecodeFloat(&(*data)[i * 8]), DecodeFloat(&(*data)[i * 8 + 4])};
  }
  return values;
}

std::vector<int32_t>* KM3RReader::ReadIntAttribute(const std::string& name,
                                                   std::vector<int32_t>& values) {
  if (NodeCount() > kMaxNodeSlots) return nullptr;
  auto elements = ReadElementInts(name);
  if (!elements) return nullptr;
  values.assign(static_cast<size_t>(NodeCount()), 0);
  values.insert(values.end(), elements->begin(), elements->end());
  return &values;
}

std::vector<int32_t>* KM3RReader::ReadRegion(std::vector<int32_t>& values) {
  if (NodeCount() > kMaxNodeSlots) return nullptr;
  auto elements = ReadElementInts("REGION");
  values.assign(static_cast<size_t>(NodeCount()), 0);
  if (elements) {
    values.insert(values.end(), elements->begin(), elements->end());
  } else {
    values.resize(values.size() + static_cast<size_t>(ElementCount()), 2);
  }
  return &values;
}

std::vector<std::pair<double, double>>* KM3RReader::ReadThickness(
    std::vector<std::pair<double, double>>& values) {
  if (NodeCount() > kMaxNodeSlots) return nullptr;
  auto elements = ReadElementThickness();
  if (!elements) return nullptr;
  values.assign(static_cast<size_t>(NodeCount()), {0.0, 0.0});
  values.insert(values.end(), elements->begin(), elements->end());
  return &values;
}
