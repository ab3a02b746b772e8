// The line-oriented text reader and writer of report template and report information files.
//
// KTemplateStream owns one C stream, opened through MappedFopen for reading or on a temporary
// file beside the target for writing, and closed by Close or the destructor. Entries are lines of
// three kinds: a bare marker ("FONT"), a number
// ("KEYWORD : 12", "KEYWORD : 0.500000") and a quoted string ("KEYWORD : \"text\""). Reading
// is tolerant and strictly in order: a number whose keyword does not match (compared without
// regard to case) leaves its target unchanged but still consumes its line; a string takes the
// next quoted text wherever it is, across lines, without looking at the keyword. Real numbers
// are written as "%f" writes them in the "C" locale and read as strtod reads them there, whatever
// the host's global locale is.
//
// Threads: one stream belongs to one thread at a time. All parsing state (the line buffer and
// the last value token) lives in the stream itself; nothing is shared between streams.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace ktpm::detail {
class FileReplacement;
}

class KTemplateStream {
 public:
  // Size of the line buffer: lines longer than kLineBufferSize - 1 characters are read in pieces.
  static constexpr int kLineBufferSize = 1024;
  // Size of the face-name buffer that ReadStringToBuffer fills (at most 31 characters kept).
  static constexpr int kFaceNameSize = 32;

  KTemplateStream();
  KTemplateStream(const KTemplateStream&) = delete;
  KTemplateStream& operator=(const KTemplateStream&) = delete;
  virtual ~KTemplateStream();

  // Closes any open file, then opens path for reading ("r") or writing ("w"). A null or empty
  // path leaves the stream closed. Opening for writing fails on a write-protected file; what is
  // written goes to a temporary file beside path, which replaces path on Close. 1 when the file
  // is open.
  int Open(const char* path, int forReading);
  int Open(const std::string& path, int forReading);
  // Closes the file if one is open. A file opened for writing replaces the one at its path
  // now; 0 when it could not be written whole (the file at its path is then as it was), else 1.
  int Close();
  // Non-zero when no file is open, the end of the file was reached or the file cannot be read.
  int AtEnd() const;

  // Writers; each does nothing while the stream is closed.
  void WriteLine(const std::string& text);
  // Writes KEYWORD : "value". A double quote inside the value would end the string early on
  // reading and shift every later entry, so it is written as a single quote.
  void WriteString(const std::string& keyword, const std::string& value);
  void WriteInt(const std::string& keyword, int value);
  void WriteByte(const std::string& keyword, uint8_t value);
  void WriteFloat(const std::string& keyword, float value);
  void WriteDouble(const std::string& keyword, double value);

  // Reads the next line into the line buffer. 1 when a line was read.
  int ReadLine();
  // Consumes one line; when its first token equals keyword (ignoring case) and a second token
  // exists, returns the second token, else nullptr. The text stays valid until the next read.
  const char* ReadValueToken(const std::string& keyword);
  // Number entries: the target changes only when ReadValueToken gave a token. Values beyond the
  // target's range are clamped to it; ReadByte keeps the low 8 bits of the integer.
  void ReadInt(const std::string& keyword, int& target);
  void ReadLong(const std::string& keyword, long& target);
  void ReadByte(const std::string& keyword, uint8_t& target);
  void ReadFloat(const std::string& keyword, float& target);
  void ReadDouble(const std::string& keyword, double& target);
  // String entry: the next quoted text, across lines, with one trailing line feed removed. The
  // keyword is not checked. A closed stream or one at its end leaves target unchanged;
  // otherwise target is emptied first.
  void ReadString(const std::string& keyword, std::string& target);
  // As ReadString, into a buffer of kFaceNameSize characters: at most 31 characters and a
  // terminating zero.
  void ReadStringToBuffer(const std::string& keyword, char* buffer);
  // Consumes one line; 1 when the line, line feed included, equals text.
  int ReadMarker(const std::string& text);
  // As ReadMarker, but a line that is not the marker is left to be read again by the next read.
  int ReadOptionalMarker(const std::string& text);

  // The line last read, without changes (empty before the first read).
  const char* GetLine() const { return m_line; }

 private:
  FILE* m_file = nullptr;
  // The temporary file behind m_file while writing; owns m_file then.
  std::unique_ptr<ktpm::detail::FileReplacement> m_replacement;
  char m_line[kLineBufferSize] = {};
  // The line in m_line is to be returned again by the next ReadLine.
  bool m_lineHeldBack = false;
  std::string m_token;
};
