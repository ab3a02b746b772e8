#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include <ktpm/platform/IniFile.h>

namespace ktpm::detail {
namespace {

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
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
  m_sections.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return 0;
  std::ostringstream text;
  text << in.rdbuf();
  Parse(text.str());
  return 1;
}

void IniFile::Parse(const std::string& text) {
  m_sections.clear();
  Section* current = nullptr;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
    if (trimmed.front() == '[' && trimmed.back() == ']') {
      current = FindOrAddSection(Trim(trimmed.substr(1, trimmed.size() - 2)));
      continue;
    }
    const size_t equals = trimmed.find('=');
    if (current == nullptr || equals == std::string::npos) continue;
    const std::string key = Trim(trimmed.substr(0, equals));
    const std::string value = Trim(trimmed.substr(equals + 1));
    bool replaced = false;
    for (auto& entry : current->values) {
      if (SameName(entry.first, key)) {
        entry.second = value;
        replaced = true;
        break;
      }
    }
    if (!replaced) current->values.emplace_back(key, value);
  }
}

int IniFile::Save(const std::string& path) const {
  MakeParentDirectories(path);
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return 0;
    for (const Section& section : m_sections) {
      out << '[' << section.name << "]\n";
      for (const auto& [key, value] : section.values) out << key << '=' << value << '\n';
      out << '\n';
    }
    if (!out.flush()) {
      std::remove(temporary.c_str());
      return 0;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return 0;
  }
  return 1;
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

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  Section* target = FindOrAddSection(section);
  for (auto& entry : target->values) {
    if (SameName(entry.first, key)) {
      entry.second = value;
      return;
    }
  }
  target->values.emplace_back(key, value);
}

IniFile::Section* IniFile::FindOrAddSection(const std::string& name) {
  for (Section& section : m_sections) {
    if (SameName(section.name, name)) return &section;
  }
  m_sections.push_back({name, {}});
  return &m_sections.back();
}

}  // namespace ktpm::detail
