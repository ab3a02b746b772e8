// A small INI-style settings file: "[section]" headers and "name=value" lines.
//
// Section and key names compare without regard to case, as in the host's profile and registry;
// values keep their text (surrounding blanks trimmed). Lines that are neither are ignored, so a
// damaged file reads as what can be understood of it. Save writes to a temporary file and renames
// it over the original, so a crash never leaves half a file.
//
// Threads: an IniFile is a plain value; callers that share one lock it themselves.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ktpm::detail {

class IniFile {
 public:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
  };

  // Reads the file; a missing or unreadable file gives no sections. 1 when the file was read.
  int Load(const std::string& path);
  // Parses text already in memory.
  void Parse(const std::string& text);
  // Writes the sections back, creating the directory when needed. 1 on success.
  int Save(const std::string& path) const;

  const Section* FindSection(const std::string& name) const;
  // The value of key in section; nullptr when either is missing.
  const std::string* Find(const std::string& section, const std::string& key) const;
  void Set(const std::string& section, const std::string& key, const std::string& value);
  const std::vector<Section>& Sections() const { return m_sections; }

 private:
  Section* FindOrAddSection(const std::string& name);
  std::vector<Section> m_sections;
};

}  // namespace ktpm::detail
