#include <algorithm>

#include <ktpm/platform/PathText.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/projtree/NodeFileIndex.h>

namespace ktpm::detail {
std::string FoldCase(const std::string& name) { return ToLowerAscii(name); }

std::string PathWithoutExtension(const std::string& path) {
  return KFileEntry(path).GetPathWithoutExtension();
}

void NodeFileIndex::Add(KT_PM_Node* node, const std::string& fileName) {
  Insert(m_byName, FoldCase(fileName), node);
  Insert(m_byBase, FoldCase(PathWithoutExtension(fileName)), node);
}

void NodeFileIndex::Remove(KT_PM_Node* node, const std::string& fileName) {
  Erase(m_byName, FoldCase(fileName), node);
  Erase(m_byBase, FoldCase(PathWithoutExtension(fileName)), node);
}

void NodeFileIndex::Clear() {
  m_byName.clear();
  m_byBase.clear();
}

// An empty name (an empty reference in a file) finds nothing, though a node may hold an empty
// name: the unresolved material has no file.
const std::vector<KT_PM_Node*>* NodeFileIndex::FindByName(const std::string& fileName) const {
  return fileName.empty() ? nullptr : Lookup(m_byName, FoldCase(fileName));
}

const std::vector<KT_PM_Node*>* NodeFileIndex::FindByBase(const std::string& base) const {
  return base.empty() ? nullptr : Lookup(m_byBase, FoldCase(base));
}

// Lists are short (a name is held by one node, a base by a node's few files), so an ordered
// insert is cheaper than any tree.
void NodeFileIndex::Insert(Map& map, const std::string& key, KT_PM_Node* node) {
  std::vector<KT_PM_Node*>& nodes = map[key];
  const size_t index = node->GetArrayIndex();
  auto at = std::upper_bound(nodes.begin(), nodes.end(), index,
                             [](size_t i, const KT_PM_Node* n) { return i < n->GetArrayIndex(); });
  nodes.insert(at, node);
}

void NodeFileIndex::Erase(Map& map, const std::string& key, KT_PM_Node* node) {
  auto it = map.find(key);
  if (it == map.end()) return;
  auto& nodes = it->second;
  auto at = std::find(nodes.begin(), nodes.end(), node);
  if (at != nodes.end()) nodes.erase(at);
  if (nodes.empty()) map.erase(it);
}

const std::vector<KT_PM_Node*>* NodeFileIndex::Lookup(const Map& map, const std::string& key) {
  auto it = map.find(key);
  return it == map.end() ? nullptr : &it->second;
}

}  // namespace ktpm::detail
