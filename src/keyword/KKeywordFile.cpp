#include "keyword/KKeywordFile.h"

#include <cstring>
#include <exception>
#include <memory>
#include <string_view>

#include "keyword/LineReader.h"
#include "keyword/UnsetMarker.h"
#include "platform/MappedFile.h"

namespace {

// The white space trimmed from the ends of lines and from the front of values.
bool IsTrimmedSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimTrailing(std::string_view text) {
  std::size_t size = text.size();
  while (size > 0 && IsTrimmedSpace(text[size - 1])) --size;
  return text.substr(0, size);
}

std::string_view TrimLeading(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsTrimmedSpace(text[pos])) ++pos;
  return text.substr(pos);
}

// A line's text ends at its first NUL byte, as it would in a C string: the rest of the line is
// dropped, so no keyword or value can hide a NUL from code that reads it as a C string.
std::string_view UpToNul(std::string_view line) {
  const void* nul = std::memchr(line.data(), '\0', line.size());
  return nul ? line.substr(0, static_cast<const char*>(nul) - line.data()) : line;
}

bool EndsWithBackslash(std::string_view line) { return !line.empty() && line.back() == '\\'; }

bool IsInternalKeyword(std::string_view keyword) {
  return !keyword.empty() && keyword.front() == '_';
}

// Keywords that MigrateKeyword may change all begin with this.
constexpr std::string_view kMigratedPrefix = "3DFLOW_";

// Appends text as a C string would print it: up to its first NUL.
void AppendCString(std::string& out, const std::string& text) {
  out.append(std::string_view(text.c_str()));
}

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileCloser = std::unique_ptr<std::FILE, CloseFile>;

}  // namespace

KKeywordFile::KKeywordFile() = default;

KKeywordFile::~KKeywordFile() = default;

void KKeywordFile::Clear() {
  m_index.clear();
  m_slots.clear();
}

void KKeywordFile::Load(const std::string& fileName) {
  Clear();
  Merge(fileName);
  m_path = fileName;
}

void KKeywordFile::Merge(const std::string& fileName) {
  try {
    FileCloser file(MappedFopen(fileName, "r"));
    if (file == nullptr) return;
    ReadEntries(file.get());
  } catch (const std::exception&) {
    // A file that cannot be read reads as empty; entries stored so far stay.
  }
}

// Reads "KEYWORD: value" lines. Comment lines ("#" in the first column), empty lines and lines
// without a colon are skipped, as are lines whose value is the unset marker. A line ending in a
// backslash takes the next line whole, joined by a line feed, and so on.
void KKeywordFile::ReadEntries(std::FILE* file) {
  ktpm::detail::LineReader reader(file);
  std::string value;
  std::string_view line;
  bool haveLine = reader.Next(line);
  while (haveLine) {
    line = UpToNul(line);
    if (line.empty() || line.front() == '#') {
      haveLine = reader.Next(line);
      continue;
    }
    line = TrimTrailing(line);
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || ktpm::detail::IsUnsetMarker(line.substr(colon + 1))) {
      haveLine = reader.Next(line);
      continue;
    }
    // The reader reuses its buffer: keep the keyword before reading on.
    std::string keyword(line.substr(0, colon));
    value.assign(TrimLeading(line.substr(colon + 1)));
    bool continued = EndsWithBackslash(line);
    haveLine = reader.Next(line);
    while (continued && haveLine) {
      line = TrimTrailing(UpToNul(line));
      value += '\n';
      value += line;
      continued = EndsWithBackslash(line);
      haveLine = reader.Next(line);
    }
    if (keyword.compare(0, kMigratedPrefix.size(), kMigratedPrefix) == 0) {
      MigrateKeyword(keyword, value);
    }
    StoreEntry(keyword, value);
  }
}

KKeywordFile::Slot* KKeywordFile::FindSlot(std::string_view keyword) {
  auto it = m_index.find(keyword);
  return it == m_index.end() ? nullptr : &m_slots[it->second];
}

const KKeywordFile::Slot* KKeywordFile::FindSlot(std::string_view keyword) const {
  auto it = m_index.find(keyword);
  return it == m_index.end() ? nullptr : &m_slots[it->second];
}

void KKeywordFile::StoreEntry(std::string_view keyword, std::string_view value) {
  if (Slot* slot = FindSlot(keyword)) {
    slot->value.assign(value);
    return;
  }
  int slotNumber = static_cast<int>(m_slots.size());
  m_slots.push_back(Slot{std::string(keyword), std::string(value), true});
  m_index.emplace(m_slots.back().keyword, slotNumber);
}

int KKeywordFile::Save(const std::string& fileName) { return Save(fileName.c_str()); }

int KKeywordFile::Save(const char* fileName) {
  std::string target = (fileName != nullptr && *fileName != '\0') ? fileName : m_path;
  if (target.empty()) return 0;
  try {
    FileCloser file(MappedFopen(target, "w"));
    if (file == nullptr) return 0;
    constexpr std::size_t kFlushSize = 64 * 1024;
    std::string out;
    out.reserve(kFlushSize + 256);
    bool written = true;
    bool openContinuation = false;
    for (const Slot& slot : m_slots) {
      if (!slot.live || slot.value.empty() || IsInternalKeyword(slot.keyword)) continue;
      // A value ending in a backslash would take the next entry's line as its continuation when
      // the file is read again, losing that entry. An empty line in between ends the value
      // instead; it only adds a line feed that GetValue drops along with the backslash.
      if (openContinuation) out += '\n';
      AppendCString(out, slot.keyword);
      out += ": ";
      AppendCString(out, slot.value);
      out += '\n';
      openContinuation = EndsWithBackslash(std::string_view(slot.value.c_str()));
      if (out.size() >= kFlushSize) {
        written = written && std::fwrite(out.data(), 1, out.size(), file.get()) == out.size();
        out.clear();
      }
    }
    if (!out.empty()) {
      written = written && std::fwrite(out.data(), 1, out.size(), file.get()) == out.size();
    }
    // Closing flushes the stream's buffer: a full disk may only show here.
    bool closed = std::fclose(file.release()) == 0;
    return (written && closed) ? 1 : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

std::string KKeywordFile::GetValue(const std::string& keyword) const {
  const Slot* slot = FindSlot(keyword);
  if (slot == nullptr) return std::string();
  const std::string& raw = slot->value;
  std::size_t backslash = raw.find('\\');
  if (backslash == std::string::npos) return raw;
  // Every backslash goes, and the character after it with it: joined lines meet without a
  // separator.
  std::string result(raw, 0, backslash);
  for (std::size_t pos = backslash; pos < raw.size(); ++pos) {
    if (raw[pos] == '\\') {
      ++pos;
    } else {
      result += raw[pos];
    }
  }
  return result;
}

void KKeywordFile::SetValue(const std::string& keyword, const std::string& value) {
  StoreEntry(keyword, value);
}

int KKeywordFile::HasKeyword(const std::string& keyword) const {
  return FindSlot(keyword) != nullptr ? 1 : 0;
}

int KKeywordFile::RemoveKeyword(const std::string& keyword) {
  auto it = m_index.find(keyword);
  if (it == m_index.end()) return 0;
  Slot& slot = m_slots[it->second];
  m_index.erase(it);
  slot.live = false;
  std::string().swap(slot.value);
  std::string().swap(slot.keyword);
  return 1;
}

void KKeywordFile::CopyKeyword(const std::string& keyword, const KKeywordFile& source) {
  StoreEntry(keyword, source.GetValue(keyword));
}
