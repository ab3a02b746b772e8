// The layout of the material database and the building of a database from a seed script.
//
// Tables: "databases" (the numbered databases, each with its "MATERIAL_DATABASE_TYPE" value),
// "materials" (one row per grade: its database, supplier, grade, manufacturer, trade name,
// family and filler) and "material_keywords" (the further keywords of a grade's material file,
// in file order). Text columns compare without regard to ASCII letter case, and indexes cover
// every searchable field; "material_text" is a trigram full-text index over the searchable text
// that the "materials" triggers keep in step, so substring searches need no full scan.
// Free functions, no state: any thread with its own connection may call them.
#pragma once

#include <string>

#include <ktpm/matlib/SqlStatement.h>

namespace ktpm::detail {

// Number of the database that imported grades go to, made on demand when a database lacks it.
inline constexpr int kUserDatabaseNumber = 3;
inline constexpr const char* kUserDatabaseType = "USER";

// Creates the tables, indexes and triggers that are missing. true on success.
bool ApplyMaterialSchema(SqlConnection& connection, std::string* error);

// True when the connection holds a readable material database (the tables answer a query).
bool IsMaterialDatabase(const SqlConnection& connection, std::string* error);

// Builds a new database file at path from the seed script, through a temporary file renamed
// into place, so that a failed build leaves nothing behind. The directory must exist.
bool BuildMaterialDatabase(const std::string& path, const std::string& seedFile,
                           std::string* error);

}  // namespace ktpm::detail
