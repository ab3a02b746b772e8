// The registry as the library reads it: an INI-style file whose sections are key paths.
//
//   [SOFTWARE\Keltravo\Keltravo Job Manager\Servers\hpc1\DirMap]
//   Local1=/mnt/projects
//   Remote1=/home/projects
//
// A key exists when a section names it or a key below it; the subkeys of a key are the distinct
// next components of the sections below it, in file order. Key and value names compare without
// regard to case, as in the Windows registry. The file is $KT_REGISTRY_FILE, else
// $XDG_CONFIG_HOME/keltravo/registry.ini (~/.config when unset); it is read again whenever it
// changes, so a host or a test may rewrite it at any time.
//
// Changes go through UpdateRegistryFile, which keeps every line of the file that a change does
// not touch (see IniFile.h) and replaces the file through a temporary one.
//
// RegistryData is immutable once parsed and may be shared by any threads; GetRegistry and
// UpdateRegistryFile are safe from any thread (changes made in this process are serialised;
// another process writing at the same time may have its change replaced).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ktpm::detail {

class RegistryData {
 public:
  // A key path split into its components ("\" separates; a component ends at a null byte;
  // empty components are dropped).
  using KeyPath = std::vector<std::string>;

  // Parses the text of a registry file; nothing in it can make parsing fail.
  static std::shared_ptr<const RegistryData> Parse(const std::string& text);

  static KeyPath SplitKeyPath(std::string_view path);

  bool HasKey(const KeyPath& key) const;
  // The value named name in key; nullptr when either is missing.
  const std::string* FindValue(const KeyPath& key, std::string_view name) const;
  // The index-th subkey of key (from 0) in file order; false when there is none.
  bool GetSubKey(const KeyPath& key, std::size_t index, std::string& name) const;

 private:
  struct Section {
    KeyPath upperPath;  // components upper-cased, for comparison
    KeyPath path;       // components as written
    std::vector<std::pair<std::string, std::string>> values;
  };

  static bool StartsWith(const KeyPath& path, const KeyPath& prefix);
  std::vector<Section> m_sections;
};

class IniFile;

// The sections of file that name key as spelled in the file, in file order; with below, also
// those of the keys below it.
std::vector<std::string> FindKeySections(const IniFile& file, const RegistryData::KeyPath& key,
                                         bool below);
// Loads the registry file, lets edit change it and writes it back when edit gives 1. 1 when the
// file was written; 0 when edit gives 0 or the file cannot be read whole or written (the file is
// then left as it was).
int UpdateRegistryFile(const std::function<int(IniFile& file)>& edit);

// The registry file in use.
std::string GetRegistryFilePath();
// The current contents of the registry file; empty when it is missing or unreadable.
std::shared_ptr<const RegistryData> GetRegistry();

}  // namespace ktpm::detail
