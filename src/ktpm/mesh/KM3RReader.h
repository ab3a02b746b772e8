// KM3RReader reads the binary 3D mesh files (".m3i" mesh, ".m3r" mesh result): a header of 99
// little-endian 32-bit words (version at word 0, directory size at word 11, node count N at word
// 30, element count E at word 35), then an attribute directory of 20-byte entries (8-character
// name, significant length, 1-based word position of the record, an unused real), then records of
// five header words followed by one value (or two, for "BLMTHICK") per element. Nodes are
// entities 1 to N, elements N + 1 to N + E.
//
// While a writable ".m3r" file is open the reader makes it read-only, so that no writer changes
// it under the reader, and gives write permission back when it closes. A file that does not open
// is tried 10 times, with a pause between attempts. A rejected version and a missing thickness
// record are told to the user through the message-box handler. Counts and positions in the file
// are never trusted: nothing is allocated by them beyond the bounds below, and nothing is read
// past the end of the file.
//
// The reader owns its file and closes it when dropped or reopened. One thread at a time; readers
// of different files may run on different threads.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class KMeshAttributeSet;

// One entry of the attribute directory.
struct KM3RDirectoryEntry {
  std::string name;  // up to 8 characters (cut at the first NUL)
  int32_t length = 0;
  int32_t position = 0;
  float value = 0.0f;
};

class KM3RReader {
 public:
  static constexpr int kHeaderWords = 99;
  static constexpr int kVersionWord = 0;
  static constexpr int kDirectoryCountWord = 11;
  static constexpr int kNodeCountWord = 30;
  static constexpr int kElementCountWord = 35;
  static constexpr int32_t kMaxElements = 100'000;
  // Largest node count for which the per-entity value arrays (N + E slots) are made.
  static constexpr int32_t kMaxNodeSlots = 1'000'000;
  static constexpr int kOpenAttempts = 10;

  KM3RReader() = default;
  KM3RReader(const KM3RReader&) = delete;
  KM3RReader& operator=(const KM3RReader&) = delete;
  ~KM3RReader();

  // Opens the file, reads its header and directory; the open file or nullptr. The file stays
  // owned by the reader.
  FILE* Open(const std::string& path);
  // Closes the file and gives back write permission when the reader took it.
  void Close();

  // Header word 30; a negative count reads as 0.
  int32_t NodeCount() const;
  // Header word 35; a count above 100,000 (or below 0) is replaced by 0, in the header too.
  int32_t ElementCount();

  // The record position of the first directory entry whose name matches, or -1.
  int32_t FindRecord(const std::string& name) const;

  // N + E slots: nodes 0, elements the record's values. nullptr when E is 0, the record is
  // missing or cut short, or N is above kMaxNodeSlots; &values otherwise.
  std::vector<int32_t>* ReadIntAttribute(const std::string& name, std::vector<int32_t>& values);
  // "REGION" as above, except that a missing record gives every element region 2. nullptr only
  // when N is above kMaxNodeSlots.
  std::vector<int32_t>* ReadRegion(std::vector<int32_t>& values);
  // "BLMTHICK": nodes (0.0, 0.0), elements their two thickness values. nullptr when E is 0 or N
  // is above kMaxNodeSlots, and when the record is missing (after telling the user).
  std::vector<std::pair<double, double>>* ReadThickness(
      std::vector<std::pair<double, double>>& values);

  // The values of the elements only (E values), without node slots; nullopt when E is 0 or the
  // record is missing or cut short.
  std::optional<std::vector<int32_t>> ReadElementInts(const std::string& name);
  std::optional<std::vector<std::pair<double, double>>> ReadElementThickness();

  const std::array<int32_t, kHeaderWords>& HeaderWords() const { return header_; }
  const std::vector<KM3RDirectoryEntry>& Directory() const { return directory_; }
  bool IsOpen() const { return file_ != nullptr; }

  // Fills class 4 of the standard attributes COLOR, REGION, SHAPE, BEAMPOS, BEAMID and GPROP
  // from the file. A file that does not open (or is rejected) leaves the set untouched.
  static void FillAttributeSet(KMeshAttributeSet& set, const std::string& path);

  // The pause between open attempts for every reader (500 ms unless changed).
  static void SetRetryDelay(std::chrono::milliseconds delay);
  static std::chrono::milliseconds GetRetryDelay();

 private:
  FILE* OpenWithRetries(const std::string& path) const;
  void GiveBackWritePermission();
  bool ReadHeader();
  void ReadDirectory();
  std::optional<std::vector<uint8_t>> ReadRecordData(const std::string& name, size_t bytes);

  FILE* file_ = nullptr;
  std::string path_;
  bool madeReadOnly_ = false;
  int64_t fileSize_ = 0;
  std::array<int32_t, kHeaderWords> header_{};
  std::vector<KM3RDirectoryEntry> directory_;
};
