// The mesh attribute set: an in-memory index from attribute values to the mesh entities (nodes
// and elements, numbered from 1) that carry them.
//
// KEntitySet is a set of entity numbers kept as single ids and inclusive (first, last) ranges.
// The four entry kinds (KIntEntry, KRealEntry, KIntVectorEntry, KRealVectorEntry) are one value
// plus the entity set that carries it. KEntityClass holds the entries of one entity class of an
// attribute and its dense block (one integer per consecutive entity). KMeshAttribute is one named
// attribute with four classes (1 to 4, at positions 0 to 3) and its code names.
//
// KMeshAttributeSet owns its attributes (owning pointers), each attribute owns its classes and
// codes, and every entry owns its value and entity set; nothing is shared. A new set holds the 27
// standard attributes at positions 0 to 26 (position = id). Load fills it from the attribute
// index and data files of a model file (".ain"/".ata" beside it) or from a 3D mesh file (".m3r",
// ".m3i"). Loading never throws and never fails: unreadable files and bad lines leave the set as
// far as it got.
//
// Threads: a set belongs to one thread at a time. Loads of different sets may run on different
// threads at once (the loader keeps no process-wide state).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct KEntitySet {
  std::vector<int32_t> ids;
  std::vector<std::pair<int32_t, int32_t>> ranges;
};

struct KIntEntry : KEntitySet {
  int32_t value = 0;
};

struct KRealEntry : KEntitySet {
  double value = 0.0;
};

struct KIntVectorEntry : KEntitySet {
  std::vector<int32_t> value;
};

struct KRealVectorEntry : KEntitySet {
  std::vector<double> value;
};

struct KEntityClass {
  std::vector<KIntEntry> intValues;
  std::vector<KRealEntry> realValues;
  std::vector<KIntVectorEntry> intVectors;
  std::vector<KRealVectorEntry> realVectors;
  // Entity number of the first entity of the dense block; element i of denseValues is the value
  // of entity denseFirst + i. A denseFirst below 1 means there is no dense block.
  int32_t denseFirst = 0;
  std::vector<int32_t> denseValues;
};

struct KMeshAttribute {
  // Position in the standard attribute table, or -1 for an attribute the index file introduced.
  int32_t id = -1;
  std::string name;
  // Entity classes 1 to 4, in that order.
  std::array<KEntityClass, 4> classes;
  // Code names by value, from the "*CODE" lines of the index file.
  std::map<int32_t, std::string> codes;
};

class KMeshAttributeSet {
 public:
  // Number of standard attributes; they sit at positions 0 to kStandardCount - 1.
  static constexpr int kStandardCount = 27;

  // A set holding the 27 empty standard attributes.
  KMeshAttributeSet();
  // The standard attributes, then Load(path).
  explicit KMeshAttributeSet(const std::string& path);
  KMeshAttributeSet(const KMeshAttributeSet&) = delete;
  KMeshAttributeSet& operator=(const KMeshAttributeSet&) = delete;
  ~KMeshAttributeSet();

  // Fills the set from a 3D mesh file when the path ends in ".m3r" or ".m3i" (case ignored),
  // otherwise from the ".ain" index and ".ata" data files that belong to the model file path (a
  // relative path is taken from the current directory). Always returns 1.
  int Load(const std::string& path);

  // The first attribute with exactly this name (case counts), or nullptr. The pointer stays
  // valid as long as the set.
  KMeshAttribute* FindAttribute(const std::string& name);
  const KMeshAttribute* FindAttribute(const std::string& name) const;

  // 1 when the integer entries of class 4 of the standard attribute MODELTYP hold the value.
  int HasModelType(int value) const;

  // The name of standard attribute id (0 to 26); empty for any other id.
  static std::string StandardAttributeName(int id);

  // The path of the last text load that read both files to their end; empty otherwise.
  std::string fileName;
  std::vector<std::unique_ptr<KMeshAttribute>> attributes;
};
