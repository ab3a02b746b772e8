#include <cstdio>
#include <cstring>

#include <ktpm/mesh/KM3RWriter.h>
#include <ktpm/platform/MappedFile.h>

namespace {

constexpr int kDirectoryCountWord = 11;
constexpr size_t kRecordHeaderWords = 5;

void PutWord(std::string& out, uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(word >> shift));
}

uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace

KM3RWriter::KM3RWriter() { header_[0] = 105; }

void KM3RWriter::SetHeaderWord(int word, int32_t value) {
  if (word >= 0 && word < static_cast<int>(header_.size()))
    header_[static_cast<size_t>(word)] = value;
}

void KM3RWriter::AddIntRecord(const std::string& name, const std::vector<int32_t>& values) {
  Record record{name.substr(0, 8), {}};
  for (int32_t value : values) record.words.push_back(static_cast<uint32_t>(value));
  records_.push_back(std::move(record));
}

void KM3RWriter::AddThicknessRecord(const std::vector<std::pair<float, float>>& values) {
  Record record{"BLMTHICK", {}};
  for (const auto& [first, second] : values) {
    record.words.push_back(FloatBits(first));
    record.words.push_back(FloatBits(second));
  }
  records_.push_back(std::move(record));
}

void KM3RWriter::AddCountedPairRecord(const std::string& name,
                                      const std::vector<std::pair<float, float>>& pairs) {
  Record record{name.substr(0, 8), {}, static_cast<uint32_t>(pairs.size())};
  for (const auto& [first, second] : pairs) {
    record.words.push_back(FloatBits(first));
    record.words.push_back(FloatBits(second));
  }
  records_.push_back(std::move(record));
}

std::string KM3RWriter::ToBytes() const {
  std::string out;
  auto header = header_;
  header[kDirectoryCountWord] = static_cast<int32_t>(records_.size());
  for (int32_t word : header) PutWord(out, static_cast<uint32_t>(word));
  // Records follow the directory; positions are 1-based word indexes.
  size_t position = header.size() + records_.size() * 5 + 1;
  for (const Record& record : records_) {
    char name[8] = {};
    std::memcpy(name, record.name.data(), record.name.size());
    out.append(name, sizeof name);
    PutWord(out, static_cast<uint32_t>(record.name.size()));
    PutWord(out, static_cast<uint32_t>(position));
    PutWord(out, FloatBits(0.0f));
    position += kRecordHeaderWords + record.words.size();
  }
  for (const Record& record : records_) {
    PutWord(out, record.firstHeaderWord);
    for (size_t i = 1; i < kRecordHeaderWords; ++i) PutWord(out, 0);
    for (uint32_t word : record.words) PutWord(out, word);
  }
  return out;
}

int KM3RWriter::Write(const std::string& path) const {
  FILE* file = MappedFopen(path, "wb");
  if (!file) return 0;
  std::string bytes = ToBytes();
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written ? 1 : 0;
}
