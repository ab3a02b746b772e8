// Filling a mesh attribute set from a 3D mesh file: the per-element records become the values of
// entity class 4 of the standard attributes, nodes keep value 0.
#include <limits>
#include <memory>

#include <ktpm/mesh/EntityAssigner.h>
#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/mesh/KMeshAttributeSet.h>

namespace {

using ktpm::detail::AssignDenseValue;
using ktpm::detail::EntityAssigner;

constexpr int kElementClass = 3;  // entity class 4

// Class 4 of a standard attribute; a set whose caller removed the attribute gets it back.
KEntityClass& ElementClassOf(KMeshAttributeSet& set, const char* name) {
  KMeshAttribute* attribute = set.FindAttribute(name);
  if (!attribute) {
    set.attributes.push_back(std::make_unique<KMeshAttribute>());
    attribute = set.attributes.back().get();
    attribute->name = name;
  }
  return attribute->classes[kElementClass];
}

// Resets the class to value 0 for the nodes, then gives element i (entity nodes + 1 + i) its value.
void FillElementValues(KEntityClass& target, int32_t nodes, const std::vector<int32_t>& values) {
  ktpm::detail::ResetIntValues(target, 1, nodes);
  EntityAssigner<KIntEntry> assigner(target.intValues);
  int32_t entity = nodes;
  for (int32_t value : values) {
    ++entity;
    if (!AssignDenseValue(target, entity, value)) assigner.Assign(entity, value);
  }
}

void FillThickness(KEntityClass& target, int32_t nodes,
                   const std::vector<std::pair<double, double>>& values) {
  ktpm::detail::ResetRealVectors(target, 1, nodes);
  EntityAssigner<KRealVectorEntry> assigner(target.realVectors);
  int32_t entity = nodes;
  for (const auto& [t1, t2] : values) {
    // A second value of 0 or less means the element has one thickness for both sides.
    assigner.Assign(++entity, t2 > 0.0 ? std::vector<double>{t1, t2} : std::vector<double>{t1, t1});
  }
}

}  // namespace

void KM3RReader::FillAttributeSet(KMeshAttributeSet& set, const std::string& path) {
  KM3RReader reader;
  if (!reader.Open(path)) return;
  int32_t nodes = reader.NodeCount();
  int32_t elements = reader.ElementCount();
  if (nodes > std::numeric_limits<int32_t>::max() - elements) {
    // Entity numbers beyond 32 bits cannot name these elements: read the node range only.
    elements = 0;
  }
  ktpm::detail::ResetIntValues(ElementClassOf(set, "COLOR"), 1, nodes + elements);

  std::vector<int32_t> regions(static_cast<size_t>(elements), 2);
  if (elements > 0) {
    if (auto read = reader.ReadElementInts("REGION")) regions = std::move(*read);
  }
  FillElementValues(ElementClassOf(set, "REGION"), nodes, regions);

  for (const char* name : {"SHAPE", "BEAMPOS", "BEAMID"}) {
    if (elements == 0) break;
    if (auto values = reader.ReadElementInts(name)) {
      FillElementValues(ElementClassOf(set, name), nodes, *values);
    }
  }
  if (elements > 0) {
    if (auto heat = reader.ReadElementInts("HTCHAR")) {
      for (int32_t& value : *heat) value = value == 2 ? 1 : 0;
      FillElementValues(ElementClassOf(set, "COLOR"), nodes, *heat);
    }
    if (auto thickness = reader.ReadElementThickness()) {
      FillThickness(ElementClassOf(set, "GPROP"), nodes, *thickness);
    }
  }
  reader.Close();
}
