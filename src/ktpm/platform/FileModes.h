// The C-library mode string for a file opened in binary mode on a UNIX-hosted share.
// Pure function, safe from any thread.
#pragma once

#include <string>

namespace ktpm::detail {

// At most the first 4 characters of mode, with its first "t" made "b", or "b" appended when it
// has no "t": "r" -> "rb", "wt" -> "wb", "a+" -> "a+b".
std::string BinaryModeOf(const std::string& mode);

}  // namespace ktpm::detail
