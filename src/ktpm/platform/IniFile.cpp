#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <iterator>

#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/IniFile.h>
#include <ktpm/platform/PathText.h>

namespace ktpm::detail {
namespace {

// A settings file is a few kilobytes; a larger one is not read (and so never written back).
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

// Letter case is folded for ASCII letters only, whatever the host's locale.
bool SameName(const std::string& a, const std::string& b) { return EqualsNoCase(a, b); }

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

// What one line of the file is: a section header (name is the section), a "key=value" entry
// (name is the key) or anything else (blank, comment, damage).
enum class Kind { kOther, kHeader, kEntry };

Kind ClassifyLine(const std::string& text, std::string& name, std::string& value) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') return Kind::kOther;
  if (trimmed.front() == '[' && trimmed.back() == ']') {
    name = Trim(trimmed.substr(1, trimmed.size() - 2));
    return Kind::kHeader;
  }
  const size_t equals = trimmed.find('=');
  if (equals == std::string::npos) return Kind::kOther;
  name = Trim(trimmed.substr(0, equals));
  value = Trim(trimmed.substr(equals + 1));
  return Kind::kEntry;
}

// Line breaks would split a written line in two; a null byte ends a name for most readers.
bool HasLineBreak(const std::string& text) {
  return text.find_first_of(std::string("\n\r\0", 3)) != std::string::npos;
}

bool ReadsBackAsHeader(const std::string& section) {
  if (HasLineBreak(section)) return false;
  std::string name, value;
  return ClassifyLine("[" + section + "]", name, value) == Kind::kHeader && name == section;
}

// Whether the line reads as an entry of key (any letter case) with value, as far as reading
// keeps a value (surrounding blanks are trimmed).
bool ReadsBackAsEntry(const std::string& line, const std::string& key, const std::string& value) {
  if (HasLineBreak(line)) return false;
  std::string name, read;
  return ClassifyLine(line, name, read) == Kind::kEntry && SameName(name, key) &&
         read == Trim(value);
}

// Creates every missing directory above path.
void MakeParentDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0777);
  }
}

}  // namespace

int IniFile::Load(const std::string& path) {
  Parse(std::string());
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? 0 : -1;
  std::string text;
  bool whole = false;
  struct stat status;
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= kMaxFileSize) {
    char buffer[64 * 1024];
    for (;;) {
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        whole = got == 0;
        break;
      }
      text.append(buffer, static_cast<size_t>(got));
      // The file grew while it was read: it is not a settings file.
      if (text.size() > static_cast<size_t>(kMaxFileSize)) break;
    }
  }
  ::close(fd);
  if (!whole) return -1;
  Parse(text);
  return 1;
}

void IniFile::Parse(const std::string& text) {
  m_lines.clear();
  m_lineEnd.clear();
  size_t start = 0;
  while (start < text.size()) {
    const size_t lineFeed = text.find('\n', start);
    if (lineFeed == std::string::npos) {
      AddLine(text.substr(start), false);
      break;
    }
    AddLine(text.substr(start, lineFeed - start), true);
    start = lineFeed + 1;
  }
  if (!m_lines.empty() && !m_lines.front().text.empty() && m_lines.front().text.back() == '\r') {
    m_lineEnd.assign(1, '\r');
  }
  Rebuild();
}

int IniFile::Save(const std::string& path) const {
  if (path.empty()) return 0;
  MakeParentDirectories(path);
  return ReplaceFileContents(path, Text()) ? 1 : 0;
}

std::string IniFile::Text() const {
  std::string text;
  for (const Line& line : m_lines) {
    text += line.text;
    if (line.lineFeed) text += '\n';
  }
  return text;
}

const IniFile::Section* IniFile::FindSection(const std::string& name) const {
  for (const Section& section : m_sections) {
    if (SameName(section.name, name)) return &section;
  }
  return nullptr;
}

const std::string* IniFile::Find(const std::string& section, const std::string& key) const {
  const Section* found = FindSection(section);
  if (found == nullptr) return nullptr;
  for (const auto& entry : found->values) {
    if (SameName(entry.first, key)) return &entry.second;
  }
  return nullptr;
}

int IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  const std::string entry = key + "=" + value;
  if (!ReadsBackAsHeader(section) || !ReadsBackAsEntry(entry, key, value)) return 0;
  // The last line of the key is the one that counts: its value is replaced, the rest of the
  // line (the key's spelling, blanks around "=", a carriage return) stays.
  for (size_t i = m_lines.size(); i-- > 0;) {
    Line& line = m_lines[i];
    if (line.kind != LineKind::kEntry || !SameName(line.name, key) ||
        !SameName(m_sections[static_cast<size_t>(line.section)].name, section)) {
      continue;
    }
    size_t valueStart = line.text.find('=') + 1;
    while (valueStart < line.text.size() &&
           (line.text[valueStart] == ' ' || line.text[valueStart] == '\t')) {
      ++valueStart;
    }
    const bool carriageReturn = !line.text.empty() && line.text.back() == '\r';
    std::string text = line.text.substr(0, valueStart) + value;
    if (!ReadsBackAsEntry(text, key, value)) return 0;
    line.text = std::move(text) + (carriageReturn ? "\r" : "");
    Rebuild();
    return 1;
  }
  if (AddSection(section) == 0) return 0;
  InsertLines(EndOfBlock(FindLastHeader(section)) + 1, {entry});
  return 1;
}

int IniFile::AddSection(const std::string& section) {
  if (!ReadsBackAsHeader(section)) return 0;
  if (FindSection(section) != nullptr) return 1;
  std::vector<std::string> texts;
  // A blank line sets the new section apart from the text before it.
  if (!m_lines.empty() && !Trim(m_lines.back().text).empty()) texts.emplace_back();
  texts.push_back("[" + section + "]");
  InsertLines(m_lines.size(), std::move(texts));
  return 1;
}

int IniFile::Remove(const std::string& section, const std::string& key) {
  int removed = 0;
  for (size_t i = m_lines.size(); i-- > 0;) {
    const Line& line = m_lines[i];
    if (line.kind == LineKind::kEntry && SameName(line.name, key) &&
        SameName(m_sections[static_cast<size_t>(line.section)].name, section)) {
      m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i));
      removed = 1;
    }
  }
  if (removed) Rebuild();
  return removed;
}

int IniFile::RemoveSection(const std::string& section) {
  int removed = 0;
  for (size_t i = m_lines.size(); i-- > 0;) {
    if (m_lines[i].kind != LineKind::kHeader || !SameName(m_lines[i].name, section)) continue;
    const size_t end = EndOfBlock(i);
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(end + 1));
    removed = 1;
  }
  if (removed) Rebuild();
  return removed;
}

void IniFile::AddLine(std::string text, bool lineFeed) {
  Line line;
  line.text = std::move(text);
  line.lineFeed = lineFeed;
  m_lines.push_back(std::move(line));
}

void IniFile::Rebuild() {
  m_sections.clear();
  int current = -1;
  for (Line& line : m_lines) {
    std::string name, value;
    const Kind kind = ClassifyLine(line.text, name, value);
    line.kind = LineKind::kOther;
    line.name.clear();
    if (kind == Kind::kHeader) {
      Section* section = FindOrAddSection(name);
      current = static_cast<int>(section - m_sections.data());
      line.kind = LineKind::kHeader;
      line.name = std::move(name);
    } else if (kind == Kind::kEntry && current >= 0) {
      auto& values = m_sections[static_cast<size_t>(current)].values;
      bool replaced = false;
      for (auto& entry : values) {
        if (SameName(entry.first, name)) {
          entry.second = value;
          replaced = true;
          break;
        }
      }
      if (!replaced) values.emplace_back(name, std::move(value));
      line.kind = LineKind::kEntry;
      line.name = std::move(name);
    }
    line.section = current;
  }
}

void IniFile::InsertLines(size_t position, std::vector<std::string> texts) {
  // Only the last line can lack its line feed; a line after it needs one.
  if (position > 0) m_lines[position - 1].lineFeed = true;
  std::vector<Line> lines(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) lines[i].text = std::move(texts[i]) + m_lineEnd;
  m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(position),
                 std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
  Rebuild();
}

size_t IniFile::FindLastHeader(const std::string& section) const {
  for (size_t i = m_lines.size(); i-- > 0;) {
    if (m_lines[i].kind == LineKind::kHeader && SameName(m_lines[i].name, section)) return i;
  }
  return m_lines.size();
}

size_t IniFile::EndOfBlock(size_t header) const {
  size_t last = header;
  for (size_t i = header + 1; i < m_lines.size() && m_lines[i].kind != LineKind::kHeader; ++i) {
    if (m_lines[i].kind == LineKind::kEntry) last = i;
  }
  return last;
}

IniFile::Section* IniFile::FindOrAddSection(const std::string& name) {
  for (Section& section : m_sections) {
    if (SameName(section.name, name)) return &section;
  }
  m_sections.push_back({name, {}});
  return &m_sections.back();
}

}  // namespace ktpm::detail
