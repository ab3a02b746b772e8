// KM3RWriter writes valid 3D mesh files (".m3i", ".m3r") in the layout KM3RReader reads: the
// 99-word header, one directory entry per record, then the records, each five zero words followed
// by its values. It is what the stand-in mesher and solvers use to produce these files, and what
// tests build their inputs with.
//
// A value built up by its owner and written once or more; one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class KM3RWriter {
 public:
  KM3RWriter();

  void SetVersion(int32_t version) { header_[0] = version; }
  void SetNodeCount(int32_t nodes) { header_[30] = nodes; }
  void SetElementCount(int32_t elements) { header_[35] = elements; }
  // Any header word (0 to 98); the directory size (word 11) is set from the records on writing.
  void SetHeaderWord(int word, int32_t value);

  // A record of one 32-bit value per element ("REGION", "SHAPE", "HTCHAR"...). The name is cut
  // to 8 characters; its significant length is its length.
  void AddIntRecord(const std::string& name, const std::vector<int32_t>& values);
  // The "BLMTHICK" record: two thickness values per element.
  void AddThicknessRecord(const std::vector<std::pair<float, float>>& values);

  // A record of (real, real) pairs whose record header gives the number of pairs in its first
  // word, the layout of the restart times ("RSTTIMES") of a 3D mesh result.
  void AddCountedPairRecord(const std::string& name,
                            const std::vector<std::pair<float, float>>& pairs);
  // The whole file.
  std::string ToBytes() const;
  // Writes the file (binary); 1 on success.
  int Write(const std::string& path) const;

 private:
  struct Record {
    std::string name;
    std::vector<uint32_t> words;
    uint32_t firstHeaderWord = 0;
  };

  std::array<int32_t, 99> header_{};
  std::vector<Record> records_;
};
