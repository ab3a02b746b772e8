// The keywords of a material keyword file and how they map to a grade's database fields.
//
// A material file names its mesh ("PLASTIC_MODEL"), its grade's identity (database type,
// supplier, grade, manufacturer, trade name, family, filler) and then the grade's further
// keywords (recommended temperatures, fibre length, shrinkage data...) in database order.
// Free functions without state; any thread.
#pragma once

#include <string>

#include <ktpm/matlib/MaterialDatabase.h>

namespace ktpm::detail {

inline constexpr const char* kMeshKeyword = "PLASTIC_MODEL";

// The keywords and values of the material file of entry, without "PLASTIC_MODEL". Fields that
// are empty are left out; line breaks inside values become blanks, so that each keyword stays
// on its own line.
MaterialKeywordList MaterialFileKeywords(const MaterialEntry& entry);

// The grade that a material file's keywords describe: the identity keywords fill the record
// and the filler, every other keyword (but "PLASTIC_MODEL") is kept in file order.
MaterialEntry MaterialEntryFromKeywords(const MaterialKeywordList& keywords);

// True for a keyword that MaterialFileKeywords derives from the grade's fields.
bool IsIdentityKeyword(const std::string& keyword);

}  // namespace ktpm::detail
