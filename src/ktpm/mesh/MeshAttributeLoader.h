// The loader of the mesh attribute text files: the ".ain" index file, whose lines name an
// attribute, an entity class and a block of the ".ata" data file, and the data file, whose blocks
// hold values with the entity sets that carry them.
//
// Each index line is read in a warning scope of its own: a bad line raises an AttWarning, which
// abandons the rest of that line and keeps what the line had already stored; reading goes on with
// the next line. The loader keeps all of its state in the call, so loads of different sets may run
// on several threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class KMeshAttributeSet;

namespace ktpm::detail {

// What made an index line bad.
enum AttWarningCode : int {
  kAttMissingToken = 0,   // a line or the data ended early, or a block's token count ran out
  kAttBadClass = 1,       // entity class outside 1 to 4
  kAttBadFirstLine = 2,   // first data line outside the data file
  kAttBadTokenCount = 3,  // token count outside 1 to 10,000,000
  kAttBadForm = 4,        // storage form outside 1 to 3
  kAttBadField5 = 5,      // field 5 negative
  kAttBadComponents = 6,  // components per value below 1
  kAttBadKind = 7,        // value kind neither 0 nor 1
  kAttBadCount = 8,       // an entity-set count or a vector length not written as a negation
  kAttUnknownCode = 9,    // "*CODE" names an attribute the set does not hold
};

struct AttWarning {
  int code = kAttMissingToken;
};

// One abandoned index line: its 1-based line number and its warning.
struct AttWarningRecord {
  int line = 0;
  int code = 0;
};

// The lines of a data file, each cut to the 512 characters that are looked at, in one buffer.
class AttributeDataLines {
 public:
  static constexpr size_t kLineLimit = 512;

  void Add(std::string_view line);
  // Room for a file of this many bytes.
  void Reserve(size_t bytes) { text_.reserve(bytes); }
  size_t size() const { return ends_.size(); }
  std::string_view operator[](size_t index) const;

 private:
  std::string text_;
  std::vector<size_t> ends_;
};

// Reads the index lines against the data lines into the set. Abandoned lines are added to
// warnings when it is given.
void LoadAttributeIndex(KMeshAttributeSet& set, const std::vector<std::string_view>& indexLines,
                        const AttributeDataLines& data, std::vector<AttWarningRecord>* warnings);

// Splits text into lines at line feeds (a carriage return before one is dropped), then loads.
// Sets the set's fileName to name, as a load that read both files does.
void LoadAttributeText(KMeshAttributeSet& set, std::string_view indexText,
                       std::string_view dataText, const std::string& name,
                       std::vector<AttWarningRecord>* warnings = nullptr);

// Opens both files (index first), reads the data file into memory and loads the index. When a
// file does not open the set is left as it was and 0 is returned; 1 when both were read and the
// set's fileName became name.
int LoadAttributeFiles(KMeshAttributeSet& set, const std::string& indexPath,
                       const std::string& dataPath, const std::string& name,
                       std::vector<AttWarningRecord>* warnings = nullptr);

}  // namespace ktpm::detail
