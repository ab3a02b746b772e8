#include <algorithm>
#include <cstring>

#include <ktpm/keyword/LineReader.h>

namespace ktpm::detail {

namespace {

bool IsLineBreakChar(char c) { return c == '\r' || c == '\n'; }

}  // namespace

LineReader::LineReader(std::FILE* file, std::size_t sizeHint)
    : m_file(file),
      // One more byte than the file holds lets the first read see the end of the file.
      m_chunkSize(std::clamp(sizeHint + 1, kMinChunkSize, kChunkSize)),
      m_chunk(new char[m_chunkSize]) {}

bool LineReader::Fill() {
  m_pos = 0;
  m_end = 0;
  m_nextLf = std::string::npos;
  m_nextCr = std::string::npos;
  if (m_file == nullptr || m_failed) return false;
  m_end = std::fread(m_chunk.get(), 1, m_chunkSize, m_file);
  if (m_end == 0 && std::ferror(m_file)) m_failed = true;
  return m_end != 0;
}

std::size_t LineReader::Find(char c, std::size_t from) const {
  const void* hit = std::memchr(m_chunk.get() + from, c, m_end - from);
  return hit ? static_cast<const char*>(hit) - m_chunk.get() : m_end;
}

// The position in the chunk of the character that ends the line starting at or before from, or
// m_end when the chunk does not tell (no line end yet, or a carriage return as its last byte).
std::size_t LineReader::FindLineEnd(std::size_t from) {
  if (m_nextLf == std::string::npos || m_nextLf < from) m_nextLf = Find('\n', from);
  for (;;) {
    if (m_nextCr == std::string::npos || m_nextCr < from) m_nextCr = Find('\r', from);
    if (m_nextCr >= m_nextLf) return m_nextLf;
    if (m_nextCr + 1 == m_end) return m_end;
    if (!IsLineBreakChar(m_chunk[m_nextCr + 1])) return m_nextCr;
    from = m_nextCr + 1;
  }
}

bool LineReader::Next(std::string_view& line) {
  m_carry.clear();
  bool carrying = false;
  for (;;) {
    if (m_pos == m_end) {
      if (!Fill()) {
        if (!carrying || m_failed) return false;
        line = m_carry;
        return true;
      }
      // A carriage return that ended the previous chunk ends the line unless the new chunk
      // goes on with another line-break character.
      if (carrying && m_carry.back() == '\r' && !IsLineBreakChar(m_chunk[0])) {
        m_carry.pop_back();
        line = m_carry;
        return true;
      }
    }
    std::size_t lineEnd = FindLineEnd(m_pos);
    if (lineEnd == m_end) {
      m_carry.append(m_chunk.get() + m_pos, m_end - m_pos);
      carrying = true;
      m_pos = m_end;
      continue;
    }
    std::string_view piece(m_chunk.get() + m_pos, lineEnd - m_pos);
    m_pos = lineEnd + 1;
    if (carrying) {
      m_carry.append(piece);
      line = m_carry;
    } else {
      line = piece;
    }
    return true;
  }
}

}  // namespace ktpm::detail
