// NodeFileIndex: the project tree's lookups by file name, kept beside the node array.
//
// Tree building asks "which node holds this file" and "which node has a file of this base name"
// many times per file. The index answers both at constant cost with the answer a scan of the node
// array in creation order would give: per case-folded name (and per case-folded path without
// extension) it keeps the nodes holding it, ordered by their position in the array.
//
// Owned by KProjectTree and changed only under its tree lock (or before the watcher starts).
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

class KT_PM_Node;

namespace ktpm::detail {

class NodeFileIndex {
 public:
  void Add(KT_PM_Node* node, const std::string& fileName);
  void Remove(KT_PM_Node* node, const std::string& fileName);
  void Clear();

  // The nodes holding the file, first in array order first; nullptr when none or the name is
  // empty.
  const std::vector<KT_PM_Node*>* FindByName(const std::string& fileName) const;
  // The nodes with a file whose path without extension is base (one entry per such file);
  // nullptr when none or base is empty.
  const std::vector<KT_PM_Node*>* FindByBase(const std::string& base) const;

 private:
  using Map = std::unordered_map<std::string, std::vector<KT_PM_Node*>>;
  static void Insert(Map& map, const std::string& key, KT_PM_Node* node);
  static void Erase(Map& map, const std::string& key, KT_PM_Node* node);
  static const std::vector<KT_PM_Node*>* Lookup(const Map& map, const std::string& key);

  Map m_byName;
  Map m_byBase;
};

// Case-folded (ASCII) copy of a file name, the key of every file lookup.
std::string FoldCase(const std::string& name);
// The path cut before its last "." when the dot comes after the last separator.
std::string PathWithoutExtension(const std::string& path);

}  // namespace ktpm::detail
