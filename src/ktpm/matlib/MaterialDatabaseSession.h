// Where the material database lives, and the process's one open connection to it.
//
// The database file is the explicit path set by the client, else the profile's "Locations" /
// "MaterialDBPath" setting, else "<user data dir>/keltravo/materials.db". Only that default file
// is made when it is missing, from the seed script "materials/seed.sql" of the data directory;
// a path the client or the profile names must already hold a database. When the default file is
// opened and the seed script is of a newer version than the seed it holds, its seed grades are
// replaced (the user's grades stay as they are). The connection is kept open between calls and
// reopened when the path in use changes.
//
// Threads: every function may be called from any thread; UseMaterialDatabase runs its function
// under the session lock, so only one thread at a time queries the database.
#pragma once

#include <functional>
#include <string>

#include <ktpm/matlib/MaterialDatabase.h>

namespace ktpm::detail {

// Sets the explicit path ("" for none) and closes the open connection.
void SetMaterialDatabasePath(const std::string& path);
// The path in use: explicit, else the profile setting, else the default.
std::string ResolveMaterialDatabasePath();
// "<user data dir>/keltravo/materials.db".
std::string DefaultMaterialDatabasePath();

// The seed script that builds the default database; "" returns to the data directory's.
void SetMaterialSeedFile(const std::string& seedFile);
std::string MaterialSeedFile();

// Opens the database in use (building the default one when it is missing) and runs use with
// it. false, with the reason in *error, when the database cannot be opened or use fails; a
// damaged default database's reason says how to rebuild it.
bool UseMaterialDatabase(const std::function<bool(MaterialDatabase&)>& use, std::string* error);

// What RebuildDefaultMaterialDatabase did.
struct MaterialRebuild {
  std::string path;         // the default database
  bool hadOldFile = false;  // a file was there before
  std::string movedTo;      // where the unreadable old file went; empty when none was moved
  int keptUserGrades = 0;   // user grades carried over from the old file
};

// Builds the default database anew from the seed. The user grades of the old file are kept,
// with their ids, when it can still be read; an old file that cannot be read is moved aside as
// "<name>.corrupt-<n>" (with its journal), never deleted. A file of a newer schema version is
// left alone and the rebuild refused.
bool RebuildDefaultMaterialDatabase(MaterialRebuild& outcome, std::string* error);

}  // namespace ktpm::detail
