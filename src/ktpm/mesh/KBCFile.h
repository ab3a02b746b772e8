// KBCFile is a boundary-condition file in memory: sections opened by "*NAME argument" lines, each
// with its data lines kept as text and as the numbers the project needs. The "MODEL" section names
// the mesh the conditions belong to; the "BOUNDARY CONDITION" section is the source of the local
// axes, which are written anew after all sections on every save (a "LOCAL AXES" section read from
// the file is not kept).
//
// A short-lived value: loaded, possibly given another model, saved, dropped. It owns its sections
// and their entries; the section pointers stay valid until the next Load or the end of the object.
// Nothing throws. One thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One data line.
struct KBCEntry {
  int32_t id = 0;      // the first token
  int32_t code = 0;    // the second token as an integer (0 when there is none)
  double value = 0.0;  // the second token as a real (0.0 when there is none)
  int32_t extra = 1;   // the third token (1 when there is none)
  std::string text;    // the whole line, without its line end
};

struct KBCSection {
  std::string name;      // without the "*"
  std::string argument;  // the rest of the header line, trimmed
  std::vector<KBCEntry> entries;
};

class KBCFile {
 public:
  KBCFile() = default;
  // Loads the file when the path is not empty.
  explicit KBCFile(const std::string& path);
  KBCFile(const KBCFile&) = delete;
  KBCFile& operator=(const KBCFile&) = delete;

  // Drops all sections and reads the file; 0 when it does not open (the object is then empty).
  int Load(const std::string& path);
  // Writes the sections that have entries, then the local axes block, replacing the file through
  // a temporary file; 0, with the file as it was, when it cannot be written whole.
  int Save(const std::string& path) const;

  // The argument of the "MODEL" section; empty when there is none.
  std::string GetModel() const;
  // Sets the model, making a "MODEL" section (one entry "\t1\t1\t1") at the end when there is none.
  void SetModel(const std::string& name);
  // 1 when a section holds structural loads: "NODAL FORCE" or an "ELEMENTAL" section with
  // GPLOAD, PRESSURE, GVLOAD, GELOAD, LELOAD or TLOAD.
  int HasStructuralLoads() const;
  // The three local-axes node numbers from the "BOUNDARY CONDITION" section: the k-th is the id of
  // the first entry with code k whose id differs from the numbers before it; -1 when none.
  std::array<int32_t, 3> GetLocalAxes() const;
  void GetLocalAxes(int32_t& first, int32_t& second, int32_t& third) const;

  const KBCSection* GetModelSection() const { return modelSection_; }
  const KBCSection* GetBoundarySection() const { return boundarySection_; }

  std::vector<std::unique_ptr<KBCSection>> sections;

 private:
  KBCSection* modelSection_ = nullptr;
  KBCSection* boundarySection_ = nullptr;
};
