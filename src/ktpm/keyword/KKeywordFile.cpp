#include <cstring>
#include <exception>
#include <memory>

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/keyword/LineReader.h>
#include <ktpm/keyword/UnsetMarker.h>
#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/MappedFile.h>

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
std::string_view UpToNul(std::string_view text) {
  if (text.empty()) return text;
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul ? text.substr(0, static_cast<const char*>(nul) - text.data()) : text;
}

bool EndsWithBackslash(std::string_view text) { return !text.empty() && text.back() == '\\'; }

bool IsInternalKeyword(std::string_view keyword) {
  return !keyword.empty() && keyword.front() == '_';
}

// Keywords that MigrateKeyword may change all begin with this.
constexpr std::string_view kMigratedPrefix = "3DFLOW_";

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileCloser = std::unique_ptr<std::FILE, CloseFile>;

// The size of an open file, or 0 when it cannot be told (a pipe, a device).
std::size_t FileSizeHint(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return 0;
  long size = std::ftell(file);
  std::rewind(file);
  return size > 0 ? static_cast<std::size_t>(size) : 0;
}

}  // namespace

KKeywordFile::KKeywordFile() = default;

KKeywordFile::~KKeywordFile() = default;

void KKeywordFile::Load(const std::string& fileName) {
  m_entries.Clear();
  Merge(fileName);
  m_path = fileName;
}

void KKeywordFile::Merge(const std::string& fileName) {
  try {
    FileCloser file(MappedFopen(fileName, "r"));
    if (file == nullptr) return;
    ReadEntries(file.get(), FileSizeHint(file.get()));
  } catch (const std::exception&) {
    // A file that cannot be read reads as empty; entries stored so far stay.
  }
  m_entries.IndexAppended();
}

// Reads "KEYWORD: value" lines. Comment lines ("#" in the first column), empty lines and lines
// without a colon are skipped, as are lines whose value is the unset marker. A line ending in a
// backslash takes the next line whole, joined by a line feed, and so on.
void KKeywordFile::ReadEntries(std::FILE* file, std::size_t sizeHint) {
  ktpm::detail::LineReader reader(file,
                                  sizeHint == 0 ? ktpm::detail::LineReader::kChunkSize : sizeHint);
  std::string keywordCopy;
  std::string valueCopy;
  std::string_view line;
  bool haveLine = reader.Next(line);
  // Room for the file's text is taken once something could be read: a directory opens like a
  // file but reports a size that is no size at all.
  if (haveLine) m_entries.Reserve(sizeHint);
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
    std::string_view keyword = line.substr(0, colon);
    std::string_view value = TrimLeading(line.substr(colon + 1));
    if (!EndsWithBackslash(line)) {
      StoreReadEntry(keyword, value);
      haveLine = reader.Next(line);
      continue;
    }
    // The reader reuses its buffer: keep the entry before reading the continuation lines.
    keywordCopy.assign(keyword);
    valueCopy.assign(value);
    bool continued = true;
    haveLine = reader.Next(line);
    while (continued && haveLine) {
      line = TrimTrailing(UpToNul(line));
      valueCopy += '\n';
      valueCopy += line;
      continued = EndsWithBackslash(line);
      haveLine = reader.Next(line);
    }
    StoreReadEntry(keywordCopy, valueCopy);
  }
}

// Stores an entry as read from a file, converted by MigrateKeyword when it may be an old one.
// Entries are appended in file order and indexed when the file has been read (Merge).
void KKeywordFile::StoreReadEntry(std::string_view keyword, std::string_view value) {
  if (keyword.substr(0, kMigratedPrefix.size()) != kMigratedPrefix) {
    m_entries.Append(keyword, value);
    return;
  }
  std::string migratedKeyword(keyword);
  std::string migratedValue(value);
  MigrateKeyword(migratedKeyword, migratedValue);
  m_entries.Append(migratedKeyword, migratedValue);
}

int KKeywordFile::Save(const std::string& fileName) { return Save(fileName.c_str()); }

int KKeywordFile::Save(const char* fileName) {
  std::string target = (fileName != nullptr && *fileName != '\0') ? fileName : m_path;
  if (target.empty()) return 0;
  try {
    // Written beside the file and renamed over it: a failed write leaves the old file whole.
    ktpm::detail::FileReplacement file(target);
    if (!file.IsOpen()) return 0;
    constexpr std::size_t kFlushSize = 64 * 1024;
    std::string out;
    out.reserve(kFlushSize + 256);
    bool written = true;
    bool openContinuation = false;
    for (std::size_t slot = 0; slot < m_entries.SlotCount() && written; ++slot) {
      // Lines are "%s: %s\n" of C strings: text after a NUL is not written.
      std::string_view keyword = UpToNul(m_entries.Keyword(slot));
      std::string_view value = UpToNul(m_entries.Value(slot));
      if (!m_entries.IsLive(slot) || value.empty() || IsInternalKeyword(keyword)) continue;
      // A value ending in a backslash would take the next entry's line as its continuation when
      // the file is read again, losing that entry. An empty line in between ends the value
      // instead; it only adds a line feed that GetValue drops along with the backslash.
      if (openContinuation) out += '\n';
      out.append(keyword);
      out += ": ";
      out.append(value);
      out += '\n';
      openContinuation = EndsWithBackslash(value);
      if (out.size() >= kFlushSize) {
        written = file.Write(out);
        out.clear();
      }
    }
    if (written && !out.empty()) written = file.Write(out);
    return (written && file.Commit()) ? 1 : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

std::string KKeywordFile::GetValue(const std::string& keyword) const {
  int slot = m_entries.Find(keyword);
  if (slot < 0) return std::string();
  std::string_view raw = m_entries.Value(static_cast<std::size_t>(slot));
  std::size_t backslash = raw.find('\\');
  if (backslash == std::string_view::npos) return std::string(raw);
  // Every backslash goes, and the character after it with it: joined lines meet without a
  // separator.
  std::string result(raw.substr(0, backslash));
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
  m_entries.Set(keyword, value);
}

int KKeywordFile::HasKeyword(const std::string& keyword) const {
  return m_entries.Find(keyword) >= 0 ? 1 : 0;
}

int KKeywordFile::RemoveKeyword(const std::string& keyword) {
  return m_entries.Remove(keyword) ? 1 : 0;
}

void KKeywordFile::CopyKeyword(const std::string& keyword, const KKeywordFile& source) {
  m_entries.Set(keyword, source.GetValue(keyword));
}
