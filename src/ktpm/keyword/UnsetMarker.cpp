#include <charconv>
#include <cstddef>

#include <ktpm/keyword/UnsetMarker.h>

namespace ktpm::detail {

namespace {

// The white space that the C library skips before a number.
bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The position of the first character after the leading white space.
std::size_t SkipSpace(std::string_view value) {
  std::size_t pos = 0;
  while (pos < value.size() && IsCSpace(value[pos])) ++pos;
  return pos;
}

}  // namespace

bool IsIntegerUnsetMarker(std::string_view value) {
  std::size_t pos = SkipSpace(value);
  if (pos == value.size() || value[pos] != '-') return false;
  ++pos;
  while (pos < value.size() && value[pos] == '0') ++pos;
  std::size_t digits = pos;
  while (digits < value.size() && IsDigit(value[digits])) ++digits;
  return value.substr(pos, digits - pos) == "16384";
}

bool IsFloatUnsetMarker(std::string_view value) {
  std::size_t pos = SkipSpace(value);
  // Only a negative number can be the marker; this also keeps the common values cheap.
  if (pos + 1 >= value.size() || value[pos] != '-') return false;
  char next = value[pos + 1];
  if (!IsDigit(next) && next != '.') return false;
  // from_chars reads the longest decimal prefix, correctly rounded and independent of the locale,
  // and unlike strtod it reads neither hexadecimal numbers nor a "+" sign, which cannot be the
  // marker anyway.
  double number = 0.0;
  std::from_chars_result read = std::from_chars(value.data() + pos, value.data() + value.size(),
                                                number, std::chars_format::general);
  return read.ec == std::errc() && number == -16384.0;
}

bool IsUnsetMarker(std::string_view value) {
  return IsIntegerUnsetMarker(value) || IsFloatUnsetMarker(value);
}

}  // namespace ktpm::detail
