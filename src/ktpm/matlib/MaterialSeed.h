// The seed script: the generic grades every material database starts with, and their updates.
//
// A seed script is SQL written as if it filled "databases", "materials" and "material_keywords"
// itself. It runs against staging tables of those names in the connection's temp schema (which
// SQLite searches first for a name without a schema) and may write nothing else; its grades are
// then merged into the database as seed grades, matched to the grades already there by database
// type, supplier and grade. The script's first lines may carry its version,
// "-- seed-version: <n>"; the database records the version it holds in "meta".
//
// Free functions, no state: any thread with its own connection may call them.
#pragma once

#include <string>

#include <ktpm/matlib/SqlStatement.h>

namespace ktpm::detail {

// Reads a seed script (at most 16 MiB). false, with the reason, when it cannot be read.
bool ReadSeedScript(const std::string& seedFile, std::string& text, std::string* error);

// The version a seed script's leading comment lines give; 0 when they give none.
int SeedScriptVersion(const std::string& text);

// The seed version the database holds; 0 when it records none, -1 on a read failure.
int StoredSeedVersion(const SqlConnection& connection, std::string* error);

// Runs the seed script and merges its grades into the database, inside the caller's
// transaction, and records its version. Seed grades the script no longer lists are removed
// (their keywords with them), the others are updated in place and keep their ids, new ones are
// added; a user grade of the same database, supplier and grade is left as it is and the seed's
// grade is not added. Database rows are added for new types, never removed.
bool LoadSeed(SqlConnection& connection, const std::string& script, std::string* error);

// When the seed file's version is above the database's, replaces the seed grades with the
// file's in one transaction (LoadSeed). *updated tells whether it did. A seed file that cannot
// be read is no update; false only when an update failed (the database is left as it was).
bool UpdateSeedMaterials(SqlConnection& connection, const std::string& seedFile, bool* updated,
                         std::string* error);

}  // namespace ktpm::detail
