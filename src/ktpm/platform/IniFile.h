// A small INI-style settings file: "[section]" headers and "name=value" lines, kept line by line.
//
// Section and key names compare without regard to case, as in the host's profile and registry;
// values keep their text (surrounding blanks trimmed). Lines that are neither are ignored on
// reading, so a damaged file reads as what can be understood of it; a section named twice reads
// as one, and of a key named twice the last value counts.
//
// Changes keep every line they do not touch: comments (";", "#"), blank lines, unknown lines,
// the order of sections and keys and the spelling of their names. A changed value is replaced in
// its own line; a new key goes after the last key of its section; a new section at the end of
// the file; a removal takes out only the lines of what it removes. Save writes the whole text to
// a temporary file beside the original, flushes it to the disk and renames it over the original,
// so that a crash or a failure never leaves half a file.
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

  // Reads the file. 1 when it was read; 0 when it does not exist (no sections); -1 when it
  // exists but cannot be read whole (no sections; writing it back would lose what it holds).
  int Load(const std::string& path);
  // Parses text already in memory.
  void Parse(const std::string& text);
  // Writes the text back through a temporary file, creating the directory when needed and
  // keeping the permissions of the file it replaces. Fails, leaving the file as it was, when
  // the file is read-only (owner-write bit clear) or anything cannot be written. 1 on success.
  int Save(const std::string& path) const;
  // The text that Save writes.
  std::string Text() const;

  const Section* FindSection(const std::string& name) const;
  // The value of key in section; nullptr when either is missing.
  const std::string* Find(const std::string& section, const std::string& key) const;
  const std::vector<Section>& Sections() const { return m_sections; }

  // Sets key in section, adding the key and the section when missing. 0, changing nothing, when
  // the names or the value would not read back as given (a line break, a name with surrounding
  // blanks, a key with "=" or one that would read as a comment or a section header).
  int Set(const std::string& section, const std::string& key, const std::string& value);
  // Adds an empty section at the end of the file unless one of that name exists. 0 when the
  // name would not read back as given.
  int AddSection(const std::string& section);
  // Removes every line of key in section. 1 when there was one.
  int Remove(const std::string& section, const std::string& key);
  // Removes the section: its header and its lines up to its last key, in every place the
  // section is named; lines after its last key (blank lines, a comment on the next section)
  // stay. 1 when there was one.
  int RemoveSection(const std::string& section);

 private:
  enum class LineKind { kOther, kHeader, kEntry };
  struct Line {
    std::string text;  // without its line feed; a carriage return before it stays
    bool lineFeed = true;
    LineKind kind = LineKind::kOther;
    std::string name;  // the section of a header, the key of an entry
    int section = -1;  // index in m_sections of the section the line belongs to
  };

  void AddLine(std::string text, bool lineFeed);
  // Classifies the lines again and rebuilds the sections read from them.
  void Rebuild();
  void InsertLines(std::size_t position, std::vector<std::string> texts);
  // The index of the last header of section; m_lines.size() when there is none.
  std::size_t FindLastHeader(const std::string& section) const;
  // The index of the last line of the section block that starts at header: its last entry, or
  // the header itself when it has none.
  std::size_t EndOfBlock(std::size_t header) const;
  Section* FindOrAddSection(const std::string& name);

  std::vector<Line> m_lines;
  // Appended to the text of new lines: "\r" when the file ends its lines the Windows way.
  std::string m_lineEnd;
  std::vector<Section> m_sections;
};

}  // namespace ktpm::detail
