// Re-entrant tokenizing and number conversion for the mesh text files.
//
// TokenCursor walks one line of text: each Next skips leading delimiters, hands out the token that
// follows and steps over the single delimiter that ended it, as the C library's tokenizer does,
// but with its position in the cursor instead of in process-wide state, so that any number of
// cursors may run on any threads at once. The cursor does not own the text.
#pragma once

#include <cstdint>
#include <string_view>

namespace ktpm::detail {

class TokenCursor {
 public:
  TokenCursor() = default;
  explicit TokenCursor(std::string_view text)
      : pos_(text.data()), end_(text.data() + text.size()) {}

  // Sets token to the next token delimited by any character of delimiters; false when none is left.
  bool Next(std::string_view delimiters, std::string_view& token);
  // The text from the current position to the end.
  std::string_view Rest() const { return {pos_, static_cast<size_t>(end_ - pos_)}; }

 private:
  const char* pos_ = nullptr;
  const char* end_ = nullptr;
};

// Blank, tab, carriage return and line feed.
inline constexpr std::string_view kWhiteSpace = " \t\r\n";

// Decimal conversion: leading white space, optional sign, digits; text that is not a number reads
// as 0; values beyond 32 bits are clamped.
int32_t ParseInt(std::string_view text);
// Floating-point conversion: leading white space, optional sign, digits, fraction, exponent,
// "inf" and "nan"; text that is not a number reads as 0.0.
double ParseReal(std::string_view text);

// Removes leading and trailing blanks, tabs, carriage returns and line feeds.
std::string_view TrimWhiteSpace(std::string_view text);

}  // namespace ktpm::detail
