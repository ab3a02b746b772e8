// The export file of the user's grades, which import reads back.
//
// The file starts with the line "# ktpm material export 1"; every grade is then a block of
// "KEYWORD: value" lines (its identity keywords first, as in a material file, then its further
// keywords in order), blocks apart by blank lines; other lines starting with "#" are comments.
// Keywords and values are written exactly: a backslash, a control character (and, in a
// keyword, a colon) is written as an escape, "\\" or "\xHH", so that reading the file gives
// back the very grades that were written, byte for byte, whatever their text.
//
// Free functions without state; any thread, each with its own files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <ktpm/matlib/MaterialDatabase.h>

namespace ktpm::detail {

inline constexpr std::string_view kMaterialBundleHeader = "# ktpm material export 1";

// The export file text of the grades.
std::string FormatMaterialBundle(const std::vector<MaterialEntry>& entries);

// True when text starts as an export file does.
bool IsMaterialBundle(std::string_view text);

// The grades of an export file. false, with the line at fault, when a line is not an entry, an
// escape is not one, or a grade names no supplier and grade.
bool ParseMaterialBundle(std::string_view text, std::vector<MaterialEntry>& entries,
                         std::string* error);

// The grades a file to import holds: every grade of an export file, or the one grade of a
// material keyword file. false, with the reason, when the file cannot be read or a grade names
// no supplier and grade.
bool ReadMaterialsToImport(const std::string& path, std::vector<MaterialEntry>& entries,
                           std::string* error);

// Writes text to path through a temporary file beside it, renamed into place, so that no
// half-written file is ever seen; a write-protected file is not replaced.
bool WriteFileReplacing(const std::string& path, const std::string& text, std::string* error);

}  // namespace ktpm::detail
