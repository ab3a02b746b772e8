// The layout of the material database, its upgrades from earlier layouts, and the building of a
// database from a seed script.
//
// Tables: "databases" (the numbered databases, each with its "MATERIAL_DATABASE_TYPE" value),
// "materials" (one row per grade: its database, supplier, grade, manufacturer, trade name,
// family, filler and origin, "seed" for the generic grades of the seed and "user" for grades the
// user imported), "material_keywords" (the further keywords of a grade's material file, in file
// order, removed with their grade) and "meta" (the seed version the database holds). A grade is
// unique by database, supplier and grade; grade ids are never given out twice. Text columns
// compare without regard to ASCII letter case, and indexes cover every searchable field;
// "material_text" is a trigram full-text index over the searchable text that the "materials"
// triggers keep in step, so substring searches need no full scan.
//
// The layout's version is the database's user_version. Version 0 is the layout written before
// versions were recorded; UpgradeMaterialSchema takes a database through every later version,
// one step per version, in one transaction.
//
// Free functions, no state: any thread with its own connection may call them.
#pragma once

#include <cstdint>
#include <string>

#include <ktpm/matlib/SqlStatement.h>

namespace ktpm::detail {

// Number of the database that imported grades go to, made on demand when a database lacks it.
inline constexpr int kUserDatabaseNumber = 3;
inline constexpr const char* kUserDatabaseType = "USER";

// The layout this library writes and reads.
inline constexpr int kMaterialSchemaVersion = 1;

// Opens a connection for the material library: waits busyTimeoutMs for another process's lock
// and enforces foreign keys. flags as for sqlite3_open_v2. false, with the reason, on failure
// (the connection is then closed).
bool OpenMaterialConnection(const std::string& path, int flags, int busyTimeoutMs,
                            SqlConnection& connection, std::string* error);

// The database's layout version (its user_version); -1 when it cannot be read.
int MaterialSchemaVersion(const SqlConnection& connection, std::string* error);

// Creates the current layout in a database that holds no material tables yet and records its
// version; does nothing to a database that already has the current layout. Runs inside the
// caller's transaction, if any. false for a database of another version.
bool ApplyMaterialSchema(SqlConnection& connection, std::string* error);

// Takes a database of an earlier layout to the current one in place, in one transaction, keeping
// every grade and its keywords (see MaterialSchema.cpp for what each step does). Must be called
// outside a transaction; foreign keys are enforced again afterwards. A database at the current
// version is left alone; a newer one is refused.
bool UpgradeMaterialSchema(SqlConnection& connection, std::string* error);

// True when the connection holds a readable material database (the tables answer a query).
bool IsMaterialDatabase(const SqlConnection& connection, std::string* error);

// True when the connection's last error says that its file is damaged or is no material
// database (rather than busy, locked or out of reach).
bool IsDamageError(const SqlConnection& connection);

// Builds a new database file at path from the seed script, through a temporary file renamed
// into place, so that a failed build leaves nothing behind. The directory must exist.
bool BuildMaterialDatabase(const std::string& path, const std::string& seedFile,
                           std::string* error);

// A name beside path for a file being built ("<path>.building-<n>~").
std::string TemporarySiblingOf(const std::string& path);

}  // namespace ktpm::detail
