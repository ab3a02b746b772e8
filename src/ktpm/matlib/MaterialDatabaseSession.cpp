#include <filesystem>
#include <mutex>
#include <vector>

#include <ktpm/matlib/MaterialDatabaseSession.h>
#include <ktpm/matlib/MaterialSchema.h>
#include <ktpm/platform/InstallLocation.h>
#include <ktpm/platform/Resources.h>
#include <ktpm/platform/UserDirs.h>

namespace ktpm::detail {
namespace {

struct Session {
  std::mutex lock;
  std::string explicitPath;
  std::string seedFile;
  MaterialDatabase database;
};

Session& TheSession() {
  static Session session;
  return session;
}

bool FileExists(const std::string& path) {
  std::error_code code;
  return std::filesystem::exists(path, code);
}

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

std::string SeedFile(const Session& session) {
  if (!session.seedFile.empty()) return session.seedFile;
  const std::string data = GetDataDirectory();
  return data.empty() ? std::string() : data + "/materials/seed.sql";
}

// The seed script to build the default database from; false, saying where it was looked for,
// when there is none. A seed the client set is used as it is (reading it may still fail).
bool FindSeed(const Session& session, std::string& seed, std::string* error) {
  seed = SeedFile(session);
  if (!session.seedFile.empty()) return true;
  if (seed.empty()) {
    SetError(error,
             "no material database seed: no ktpm data directory was found beside the ktpm "
             "program or library; set KTPM_DATA_DIR to the directory that holds "
             "materials/seed.sql");
    return false;
  }
  if (!FileExists(seed)) {
    SetError(error, "no material database seed at " + seed +
                        "; set KTPM_DATA_DIR to the directory that holds materials/seed.sql");
    return false;
  }
  return true;
}

bool MakeParentDirectory(const std::string& path, std::string* error) {
  std::error_code code;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), code);
  if (code) SetError(error, "cannot create the directory of " + path + ": " + code.message());
  return !code;
}

// Builds the default database from the seed when it is missing. Called with the lock held.
bool EnsureDefaultDatabase(const std::string& path, const Session& session, std::string* error) {
  if (FileExists(path)) return true;
  std::string seed;
  return FindSeed(session, seed, error) && MakeParentDirectory(path, error) &&
         BuildMaterialDatabase(path, seed, error);
}

// What the default database is and how to recover from its damage, after the reason.
std::string DamagedDefaultHint(const std::string& path) {
  return ". " + path +
         " is the default material database, built from the ktpm seed: \"ktpm materials "
         "rebuild\" builds it anew and keeps the damaged file beside it; grades imported into it "
         "are lost unless they were exported (\"ktpm materials export\")";
}

// Brings the seed grades of the freshly opened default database up to the seed file. A failed
// update leaves the database as it was, still usable; it is tried again on the next opening.
void UpdateDefaultSeed(const Session& session, MaterialDatabase& database) {
  const std::string seed = SeedFile(session);
  bool updated = false;
  if (!seed.empty()) database.UpdateSeed(seed, updated);
}

std::string ResolvePath(const Session& session) {
  if (!session.explicitPath.empty()) return session.explicitPath;
  std::string configured = GetProfileString("Locations", "MaterialDBPath", "");
  if (!configured.empty()) return configured;
  return DefaultMaterialDatabasePath();
}

// Moves an unreadable database (and its journal, which must never be played back into another
// file) to the first free "<path>.corrupt-<n>".
bool MoveAside(const std::string& path, std::string& movedTo, std::string* error) {
  constexpr int kMaxAsideNumber = 1000;
  for (int n = 1; n <= kMaxAsideNumber && movedTo.empty(); ++n) {
    const std::string candidate = path + ".corrupt-" + std::to_string(n);
    if (!FileExists(candidate)) movedTo = candidate;
  }
  std::error_code code;
  if (!movedTo.empty()) std::filesystem::rename(path, movedTo, code);
  if (movedTo.empty() || code) {
    SetError(error, "cannot move the damaged " + path + " aside" +
                        (code ? ": " + code.message() : std::string()));
    movedTo.clear();
    return false;
  }
  for (const char* companion : {"-journal", "-wal", "-shm"}) {
    if (FileExists(path + companion)) {
      std::filesystem::rename(path + companion, movedTo + companion, code);
    }
  }
  return true;
}

// The user grades of the old default database and the highest id it gave out. false when they
// cannot be read: *damaged tells whether the file is damaged (else it is busy or out of reach).
bool ReadOldUserGrades(const std::string& path, std::vector<MaterialEntry>& grades,
                       int64_t& highestId, bool& damaged, std::string* error) {
  MaterialDatabase old;
  if (old.Open(path, MaterialDatabase::OpenMode::kReadOnly)) {
    if (old.SchemaVersion() > kMaterialSchemaVersion) {
      damaged = false;
      SetError(error, path + " has schema version " + std::to_string(old.SchemaVersion()) +
                          ", newer than this ktpm (" + std::to_string(kMaterialSchemaVersion) +
                          "): it is not rebuilt");
      return false;
    }
    highestId = old.HighestMaterialId();
    if (highestId >= 0 && old.ReadUserMaterials(grades)) return true;
  }
  damaged = old.IsDamaged();
  SetError(error, old.LastError());
  return false;
}

// Builds the new database at building and carries the old user grades into it.
bool BuildWithUserGrades(const std::string& building, const std::string& seed,
                         const std::vector<MaterialEntry>& grades, int64_t highestId,
                         std::string* error) {
  if (!BuildMaterialDatabase(building, seed, error)) return false;
  if (grades.empty() && highestId <= 0) return true;
  MaterialDatabase fresh;
  std::vector<int> ids;
  if (fresh.Open(building) && fresh.StoreUserMaterials(grades, true, ids) &&
      fresh.ReserveMaterialIds(highestId)) {
    return true;
  }
  SetError(error, "cannot carry the user grades over: " + fresh.LastError());
  return false;
}

}  // namespace

void SetMaterialDatabasePath(const std::string& path) {
  Session& session = TheSession();
  std::lock_guard<std::mutex> guard(session.lock);
  session.explicitPath = path;
  session.database.Close();
}

std::string ResolveMaterialDatabasePath() {
  Session& session = TheSession();
  std::lock_guard<std::mutex> guard(session.lock);
  return ResolvePath(session);
}

std::string DefaultMaterialDatabasePath() { return GetUserDataDir() + "/keltravo/materials.db"; }

void SetMaterialSeedFile(const std::string& seedFile) {
  Session& session = TheSession();
  std::lock_guard<std::mutex> guard(session.lock);
  session.seedFile = seedFile;
}

std::string MaterialSeedFile() {
  Session& session = TheSession();
  std::lock_guard<std::mutex> guard(session.lock);
  return SeedFile(session);
}

bool UseMaterialDatabase(const std::function<bool(MaterialDatabase&)>& use, std::string* error) {
  Session& session = TheSession();
  std::lock_guard<std::mutex> guard(session.lock);
  const std::string path = ResolvePath(session);
  MaterialDatabase& database = session.database;
  // A database file removed since it was opened is opened again (and the default rebuilt)
  // rather than read through the connection that still holds it.
  if (database.IsOpen() && (database.Path() != path || !FileExists(path))) database.Close();
  if (!database.IsOpen()) {
    const bool isDefault = path == DefaultMaterialDatabasePath();
    if (isDefault && !EnsureDefaultDatabase(path, session, error)) {
      database.Close();
      return false;
    }
    if (!database.Open(path)) {
      SetError(error, database.LastError() +
                          (isDefault && database.IsDamaged() ? DamagedDefaultHint(path) : ""));
      return false;
    }
    if (isDefault) UpdateDefaultSeed(session, database);
  }
  if (use(database)) return true;
  if (error != nullptr) *error = database.LastError();
  return false;
}

bool RebuildDefaultMaterialDatabase(MaterialRebuild& outcome, std::string* error) {
  Session& session = TheSession();
  std::lock_guard<std::mutex> guard(session.lock);
  session.database.Close();
  outcome = MaterialRebuild();
  const std::string path = DefaultMaterialDatabasePath();
  outcome.path = path;
  std::string seed;
  if (!FindSeed(session, seed, error) || !MakeParentDirectory(path, error)) return false;
  std::vector<MaterialEntry> grades;
  int64_t highestId = 0;
  bool readable = false;
  outcome.hadOldFile = FileExists(path);
  if (outcome.hadOldFile) {
    bool damaged = false;
    readable = ReadOldUserGrades(path, grades, highestId, damaged, error);
    // A file that is only busy or out of reach is not replaced.
    if (!readable && !damaged) return false;
  }
  const std::string building = TemporarySiblingOf(path);
  bool rebuilt = BuildWithUserGrades(building, seed, grades, highestId, error);
  if (rebuilt && outcome.hadOldFile && !readable) {
    rebuilt = MoveAside(path, outcome.movedTo, error);
  }
  std::error_code code;
  if (rebuilt) {
    std::filesystem::rename(building, path, code);
    rebuilt = !code;
    if (code) SetError(error, "cannot replace " + path + ": " + code.message());
  }
  if (!rebuilt) {
    std::filesystem::remove(building, code);
    std::filesystem::remove(building + "-journal", code);
    return false;
  }
  outcome.keptUserGrades = static_cast<int>(grades.size());
  return true;
}

}  // namespace ktpm::detail
