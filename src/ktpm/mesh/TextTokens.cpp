#include <charconv>
#include <limits>

#include <ktpm/mesh/TextTokens.h>

namespace ktpm::detail {

namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool TokenCursor::Next(std::string_view delimiters, std::string_view& token) {
  // A plain loop over the few delimiters: this runs for every character of large data files.
  auto isDelimiter = [delimiters](char c) {
    for (char d : delimiters) {
      if (c == d) return true;
    }
    return false;
  };
  while (pos_ < end_ && isDelimiter(*pos_)) ++pos_;
  if (pos_ >= end_) return false;
  const char* start = pos_;
  while (pos_ < end_ && !isDelimiter(*pos_)) ++pos_;
  token = std::string_view(start, static_cast<size_t>(pos_ - start));
  if (pos_ < end_) ++pos_;  // the delimiter that ended the token is used up with it
  return true;
}

int32_t ParseInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(value >= kLimit ? kLimit - 1 : value);
}

double ParseReal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  if (i < text.size() && text[i] == '+') {
    ++i;
    if (i < text.size() && text[i] == '-') return 0.0;
  }
  double value = 0.0;
  auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
  if (result.ec == std::errc::invalid_argument) return 0.0;
  if (result.ec == std::errc::result_out_of_range) {
    // Overflow gives an infinity, underflow zero, with the sign of the text.
    bool negative = i < text.size() && text[i] == '-';
    size_t e = text.find_first_of("eE", i);
    bool tiny = e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-';
    double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -magnitude : magnitude;
  }
  return value;
}

std::string_view TrimWhiteSpace(std::string_view text) {
  size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(kWhiteSpace);
  return text.substr(first, last - first + 1);
}

}  // namespace ktpm::detail
