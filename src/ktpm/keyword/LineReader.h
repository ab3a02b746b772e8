// Splits a stream of 8-bit text into lines, for the keyword file reader.
//
// A line ends at a line feed, or at a carriage return that is followed by anything but another
// carriage return or a line feed; so "\n", "\r\n", "\r\r\n" and a lone "\r" all end a line, and
// the carriage returns before a line feed stay at the end of the line (readers trim trailing
// white space anyway). The last line needs no line end. Any byte value may occur in a line;
// lines may be as long as the file. The stream is read in fixed-size chunks.
//
// Owned by its maker, one thread; the FILE stays the caller's.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace ktpm::detail {

class LineReader {
 public:
  // The largest and smallest chunk read at once.
  static constexpr std::size_t kChunkSize = 64 * 1024;
  static constexpr std::size_t kMinChunkSize = 256;

  // sizeHint, when known, is the stream's size: a small file gets a small chunk buffer.
  explicit LineReader(std::FILE* file, std::size_t sizeHint = kChunkSize);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its line end, valid until the next call. False at the end of the
  // stream and after a read error (a line cut short by the error is dropped).
  bool Next(std::string_view& line);

 private:
  bool Fill();
  std::size_t Find(char c, std::size_t from) const;
  std::size_t FindLineEnd(std::size_t from);

  std::FILE* m_file;
  std::size_t m_chunkSize;
  std::unique_ptr<char[]> m_chunk;
  std::size_t m_pos = 0;
  std::size_t m_end = 0;
  // Positions of the next line feed and carriage return at or after m_pos in the chunk (m_end
  // when there is none); npos when not searched yet. They keep scanning linear.
  std::size_t m_nextLf = std::string::npos;
  std::size_t m_nextCr = std::string::npos;
  bool m_failed = false;
  // The start of a line that runs past the end of a chunk.
  std::string m_carry;
};

}  // namespace ktpm::detail
