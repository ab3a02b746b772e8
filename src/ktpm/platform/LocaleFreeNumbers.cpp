#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

#include <ktpm/platform/LocaleFreeNumbers.h>

namespace ktpm::detail {
namespace {

constexpr int kMaxPrecision = 99;
// The longest text a double gives with kMaxPrecision digits: 309 integer digits, a sign, a point.
constexpr std::size_t kBufferSize = 512;

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::string ToChars(double value, std::chars_format format, int precision) {
  char buffer[kBufferSize];
  const std::to_chars_result result =
      std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
  if (result.ec != std::errc()) return std::string();
  return std::string(buffer, result.ptr);
}

// The decimal exponent "%.<precision>e" gives the value.
int ScientificExponent(double value, int precision) {
  const std::string text = ToChars(value, std::chars_format::scientific, precision);
  const std::size_t e = text.find('e');
  int exponent = 0;
  if (e != std::string::npos) {
    const char* first = text.data() + e + 1;
    if (*first == '+') ++first;
    std::from_chars(first, text.data() + text.size(), exponent);
  }
  return exponent;
}

// The digits of a conversion without its sign, flags and padding. conversion is f, e or g.
std::string RealDigits(double value, char conversion, int precision, bool alternate) {
  std::string text;
  if (conversion == 'f') {
    text = ToChars(value, std::chars_format::fixed, precision);
  } else if (conversion == 'e') {
    text = ToChars(value, std::chars_format::scientific, precision);
  } else {
    const int significant = precision == 0 ? 1 : precision;
    if (!alternate || !std::isfinite(value)) {
      text = ToChars(value, std::chars_format::general, significant);
    } else {
      // "%#g" keeps the trailing zeros that the general format removes: choose the style as
      // printf does, from the exponent the value has when rounded to its significant digits.
      const int exponent = ScientificExponent(value, significant - 1);
      text = significant > exponent && exponent >= -4
                 ? ToChars(value, std::chars_format::fixed, significant - 1 - exponent)
                 : ToChars(value, std::chars_format::scientific, significant - 1);
    }
  }
  // The alternate form always has a decimal point.
  if (alternate && std::isfinite(value) && text.find('.') == std::string::npos) {
    const std::size_t e = text.find('e');
    text.insert(e == std::string::npos ? text.size() : e, 1, '.');
  }
  return text;
}

// Reads up to two decimal digits at text[i]; -1 when there are none.
int ReadTwoDigits(std::string_view text, std::size_t& i) {
  int value = -1;
  for (int count = 0; count < 2 && i < text.size() && IsDigit(text[i]); ++count, ++i) {
    value = (value < 0 ? 0 : value * 10) + (text[i] - '0');
  }
  return value;
}

// Whether a number text that from_chars found out of range is too large (else too small): the
// position of its leading non-zero digit plus its exponent. Hexadecimal digits count four
// binary places each against a binary exponent.
bool IsOverflow(std::string_view number, bool hexadecimal) {
  std::int64_t position = 0;  // of the leading non-zero digit, 0 for the units
  bool seenNonZero = false;
  bool inFraction = false;
  std::size_t i = 0;
  const char exponentLetter = hexadecimal ? 'p' : 'e';
  for (; i < number.size(); ++i) {
    const char c = number[i];
    if (c == '.') {
      inFraction = true;
    } else if ((c | 0x20) == exponentLetter) {
      break;
    } else if (inFraction) {
      if (!seenNonZero) --position;
      seenNonZero = seenNonZero || c != '0';
    } else if (seenNonZero || c != '0') {
      if (seenNonZero) ++position;
      seenNonZero = true;
    }
  }
  constexpr std::int64_t kExponentLimit = 1000000;
  std::int64_t exponent = 0;
  bool negativeExponent = false;
  if (i < number.size()) {
    ++i;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
      negativeExponent = number[i++] == '-';
    }
    for (; i < number.size() && IsDigit(number[i]); ++i) {
      exponent = std::min(exponent * 10 + (number[i] - '0'), kExponentLimit);
    }
  }
  if (hexadecimal) position *= 4;
  return position + (negativeExponent ? -exponent : exponent) > 0;
}

template <typename Real>
bool ParseReal(std::string_view text, Real& out, std::size_t* used) {
  out = 0;
  if (used != nullptr) *used = 0;
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // from_chars takes a "-" itself; after a sign already read, that would be a second sign.
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return false;
  // "0x" starts a hexadecimal number only when a hexadecimal digit follows; otherwise the "0"
  // alone is the number, as strtod reads it.
  std::chars_format format = std::chars_format::general;
  if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] | 0x20) == 'x' &&
      (IsHexDigit(text[i + 2]) ||
       (text[i + 2] == '.' && i + 3 < text.size() && IsHexDigit(text[i + 3])))) {
    format = std::chars_format::hex;
    i += 2;
  }
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  Real value = 0;
  const std::from_chars_result result = std::from_chars(first, last, value, format);
  if (result.ec == std::errc::invalid_argument) return false;
  if (result.ec == std::errc::result_out_of_range) {
    const std::string_view number(first, static_cast<std::size_t>(result.ptr - first));
    value = IsOverflow(number, format == std::chars_format::hex)
                ? std::numeric_limits<Real>::infinity()
                : Real(0);
  }
  out = negative ? -value : value;
  if (used != nullptr) *used = static_cast<std::size_t>(result.ptr - text.data());
  return true;
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  return ToChars(value, std::chars_format::fixed, std::clamp(decimals, 0, kMaxPrecision));
}

bool FormatRealConversion(std::string_view conversion, double value, std::string& out) {
  if (conversion.empty() || conversion[0] != '%') return false;
  std::size_t i = 1;
  bool left = false, plus = false, space = false, alternate = false, zero = false;
  for (; i < conversion.size(); ++i) {
    const char c = conversion[i];
    if (c == '-') {
      left = true;
    } else if (c == '+') {
      plus = true;
    } else if (c == ' ') {
      space = true;
    } else if (c == '#') {
      alternate = true;
    } else if (c == '0') {
      zero = true;
    } else {
      break;
    }
  }
  const int width = std::max(ReadTwoDigits(conversion, i), 0);
  int precision = 6;
  if (i < conversion.size() && conversion[i] == '.') {
    ++i;
    precision = std::max(ReadTwoDigits(conversion, i), 0);
  }
  if (i + 1 != conversion.size()) return false;
  const char letter = conversion[i];
  const char lower = static_cast<char>(letter | 0x20);
  if (lower != 'f' && lower != 'e' && lower != 'g') return false;

  std::string digits = RealDigits(value, lower, precision, alternate);
  if (letter != lower) {
    for (char& c : digits) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
  }
  std::string sign;
  if (!digits.empty() && digits[0] == '-') {
    sign = "-";
    digits.erase(0, 1);
  } else if (plus) {
    sign = "+";
  } else if (space) {
    sign = " ";
  }
  const std::size_t length = sign.size() + digits.size();
  const std::size_t padding = static_cast<std::size_t>(width) > length ? width - length : 0;
  if (left) {
    out += sign + digits + std::string(padding, ' ');
  } else if (zero && std::isfinite(value)) {
    out += sign + std::string(padding, '0') + digits;
  } else {
    out += std::string(padding, ' ') + sign + digits;
  }
  return true;
}

bool ParseDouble(std::string_view text, double& out, std::size_t* used) {
  return ParseReal(text, out, used);
}

bool ParseFloat(std::string_view text, float& out, std::size_t* used) {
  return ParseReal(text, out, used);
}

}  // namespace ktpm::detail
