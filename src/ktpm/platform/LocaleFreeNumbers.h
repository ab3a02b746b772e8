// Real numbers written and read as the "C" locale writes and reads them, whatever the C or C++
// global locale of the host is: files and command lines always carry a "." as the decimal point,
// so that a file written on one host reads the same on every other.
//
// Formatting gives exactly the bytes printf gives in the "C" locale; parsing accepts what strtod
// accepts there. Free functions without state, safe from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ktpm::detail {

// The value with decimals digits after the point, as "%.<decimals>f" ("%f" for 6). decimals is
// limited to 0..99.
std::string FormatFixed(double value, int decimals = 6);

// One printf conversion of a real number: "%" flags ("-+ #0"), width, ".precision" and one of
// f F e E g G (the width and precision at most two digits each, as in "%-8.2f"). Appends the
// formatted value to out; false, and nothing appended, when conversion is not such a conversion.
bool FormatRealConversion(std::string_view conversion, double value, std::string& out);

// Reads a real number at the start of text as strtod does: leading blanks (" \t\n\v\f\r"), a
// sign, a decimal or "0x" hexadecimal number, "inf", "infinity" or "nan" (letter case ignored).
// Reading stops at the first character that does not continue the number. A value too large
// gives an infinity, one too small zero, each with its sign. Returns true when a number was read;
// otherwise out is 0. used, when given, receives the number of characters read (0 when none).
bool ParseDouble(std::string_view text, double& out, std::size_t* used = nullptr);
// As ParseDouble, rounded once to a float as strtof does.
bool ParseFloat(std::string_view text, float& out, std::size_t* used = nullptr);

}  // namespace ktpm::detail
