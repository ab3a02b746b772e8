#include <climits>
#include <cstdlib>
#include <cstring>

#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/LocaleFreeNumbers.h>
#include <ktpm/platform/MappedFile.h>
#include <ktpm/report/KTemplateStream.h>

namespace {

// Characters that separate the tokens of a number entry. A carriage return is a separator too,
// so that files with Windows line ends read the same.
bool IsTokenSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ':';
}

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(const char* begin, const char* end, const std::string& keyword) {
  if (static_cast<size_t>(end - begin) != keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    if (FoldCase(begin[i]) != FoldCase(keyword[i])) return false;
  }
  return true;
}

// Decimal integer as atol reads it, saturated to the 32-bit range of the file's numbers.
long ParseLong(const char* token) {
  long value = std::strtol(token, nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return value;
}

// A double quote would end the string on reading; it is kept as a single quote instead.
std::string WithoutDoubleQuotes(const std::string& value) {
  std::string text = value;
  for (char& c : text) {
    if (c == '"') c = '\'';
  }
  return text;
}

}  // namespace

KTemplateStream::KTemplateStream() = default;

KTemplateStream::~KTemplateStream() { Close(); }

int KTemplateStream::Open(const char* path, int forReading) {
  Close();
  if (path == nullptr || *path == '\0') return 0;
  return Open(std::string(path), forReading);
}

int KTemplateStream::Open(const std::string& path, int forReading) {
  Close();
  if (path.empty()) return 0;
  m_line[0] = '\0';
  m_lineHeldBack = false;
  if (forReading) {
    m_file = MappedFopen(path, "r");
    return m_file != nullptr ? 1 : 0;
  }
  if (KFileEntry(path).IsWriteProtected()) return 0;
  // A written file is made beside the old one and replaces it on Close.
  m_replacement = std::make_unique<ktpm::detail::FileReplacement>(path);
  m_file = m_replacement->Stream();
  if (m_file == nullptr) m_replacement.reset();
  return m_file != nullptr ? 1 : 0;
}

int KTemplateStream::Close() {
  int result = 1;
  if (m_replacement != nullptr) {
    result = m_replacement->Commit() ? 1 : 0;
    m_replacement.reset();
  } else if (m_file != nullptr) {
    std::fclose(m_file);
  }
  m_file = nullptr;
  m_lineHeldBack = false;
  return result;
}

int KTemplateStream::AtEnd() const {
  if (m_file == nullptr) return 1;
  if (m_lineHeldBack) return 0;
  // A read error (a directory opened as a file, an I/O fault) ends the file as well: readers
  // loop until the end and would otherwise never stop.
  return (std::feof(m_file) || std::ferror(m_file)) ? 1 : 0;
}

void KTemplateStream::WriteLine(const std::string& text) {
  if (m_file == nullptr) return;
  std::fprintf(m_file, "%s\n", text.c_str());
}

void KTemplateStream::WriteString(const std::string& keyword, const std::string& value) {
  if (m_file == nullptr) return;
  std::fprintf(m_file, "%s : \"%s\"\n", keyword.c_str(), WithoutDoubleQuotes(value).c_str());
}

void KTemplateStream::WriteInt(const std::string& keyword, int value) {
  if (m_file == nullptr) return;
  std::fprintf(m_file, "%s : %d\n", keyword.c_str(), value);
}

void KTemplateStream::WriteByte(const std::string& keyword, uint8_t value) {
  if (m_file == nullptr) return;
  std::fprintf(m_file, "%s : %d\n", keyword.c_str(), static_cast<int>(value));
}

void KTemplateStream::WriteFloat(const std::string& keyword, float value) {
  if (m_file == nullptr) return;
  WriteDouble(keyword, static_cast<double>(value));
}

void KTemplateStream::WriteDouble(const std::string& keyword, double value) {
  if (m_file == nullptr) return;
  // Six decimals with a "." whatever the host's locale, so that every host reads the file alike.
  std::fprintf(m_file, "%s : %s\n", keyword.c_str(), ktpm::detail::FormatFixed(value, 6).c_str());
}

int KTemplateStream::ReadLine() {
  if (m_file == nullptr) return 0;
  if (m_lineHeldBack) {
    m_lineHeldBack = false;
    return 1;
  }
  if (std::fgets(m_line, kLineBufferSize, m_file) == nullptr) {
    m_line[0] = '\0';
    return 0;
  }
  // A Windows line end reads as a bare line feed.
  size_t length = std::strlen(m_line);
  if (length >= 2 && m_line[length - 2] == '\r' && m_line[length - 1] == '\n') {
    m_line[length - 2] = '\n';
    m_line[length - 1] = '\0';
  }
  return 1;
}

const char* KTemplateStream::ReadValueToken(const std::string& keyword) {
  if (!ReadLine()) return nullptr;
  const char* p = m_line;
  while (*p != '\0' && IsTokenSeparator(*p)) ++p;
  const char* keyBegin = p;
  while (*p != '\0' && !IsTokenSeparator(*p)) ++p;
  const char* keyEnd = p;
  if (keyBegin == keyEnd || !EqualsIgnoringCase(keyBegin, keyEnd, keyword)) return nullptr;
  while (*p != '\0' && IsTokenSeparator(*p)) ++p;
  const char* valueBegin = p;
  while (*p != '\0' && !IsTokenSeparator(*p)) ++p;
  if (valueBegin == p) return nullptr;
  m_token.assign(valueBegin, p);
  return m_token.c_str();
}

void KTemplateStream::ReadInt(const std::string& keyword, int& target) {
  if (const char* token = ReadValueToken(keyword)) target = static_cast<int>(ParseLong(token));
}

void KTemplateStream::ReadLong(const std::string& keyword, long& target) {
  if (const char* token = ReadValueToken(keyword)) target = ParseLong(token);
}

void KTemplateStream::ReadByte(const std::string& keyword, uint8_t& target) {
  if (const char* token = ReadValueToken(keyword)) {
    target = static_cast<uint8_t>(static_cast<unsigned long>(ParseLong(token)) & 0xFFu);
  }
}

void KTemplateStream::ReadFloat(const std::string& keyword, float& target) {
  // A token that is not a number reads as 0, as it always has.
  if (const char* token = ReadValueToken(keyword)) ktpm::detail::ParseFloat(token, target);
}

void KTemplateStream::ReadDouble(const std::string& keyword, double& target) {
  if (const char* token = ReadValueToken(keyword)) ktpm::detail::ParseDouble(token, target);
}

void KTemplateStream::ReadString(const std::string& /*keyword*/, std::string& target) {
  if (AtEnd()) return;
  target.clear();
  bool inQuotes = false;
  bool closed = false;
  while (!closed && ReadLine()) {
    for (const char* p = m_line; *p != '\0'; ++p) {
      if (*p == '"') {
        if (inQuotes) {
          closed = true;
          break;
        }
        inQuotes = true;
      } else if (inQuotes) {
        target.push_back(*p);
      }
    }
  }
  if (!target.empty() && target.back() == '\n') target.pop_back();
}

void KTemplateStream::ReadStringToBuffer(const std::string& keyword, char* buffer) {
  if (buffer == nullptr || AtEnd()) return;
  std::string text;
  ReadString(keyword, text);
  size_t length = text.size() < size_t{kFaceNameSize - 1} ? text.size() : kFaceNameSize - 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

int KTemplateStream::ReadMarker(const std::string& text) {
  if (!ReadLine()) return 0;
  return text == m_line ? 1 : 0;
}

int KTemplateStream::ReadOptionalMarker(const std::string& text) {
  if (!ReadLine()) return 0;
  if (text == m_line) return 1;
  m_lineHeldBack = true;
  return 0;
}
