// The unset marker of keyword files: a value that reads as -16384, either as an integer or as a
// floating-point number, means "not set", and its line is not stored.
//
// Pure functions; any thread.
#pragma once

#include <string_view>

namespace ktpm::detail {

// Whether value, read the way the C library's atoi reads it (leading white space, an optional
// sign, the decimal digits up to the first other character), is exactly -16384. Unlike atoi a
// number too large for an int never wraps round to the marker.
bool IsIntegerUnsetMarker(std::string_view value);

// Whether value, read the way atof reads a decimal number (leading white space, sign, digits,
// decimal point, exponent, up to the first other character), is exactly -16384.0.
bool IsFloatUnsetMarker(std::string_view value);

// Either reading.
bool IsUnsetMarker(std::string_view value);

}  // namespace ktpm::detail
