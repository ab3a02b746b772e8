#include <filesystem>
#include <mutex>

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

// Builds the default database from the seed when it is missing. Called with the lock held.
bool EnsureDefaultDatabase(const std::string& path, const std::string& seedFile,
                           std::string* error) {
  if (FileExists(path)) return true;
  std::error_code code;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), code);
  if (code) {
    if (error != nullptr) *error = "cannot create the directory of " + path + ": " + code.message();
    return false;
  }
  return BuildMaterialDatabase(path, seedFile, error);
}

std::string ResolvePath(const Session& session) {
  if (!session.explicitPath.empty()) return session.explicitPath;
  std::string configured = GetProfileString("Locations", "MaterialDBPath", "");
  if (!configured.empty()) return configured;
  return DefaultMaterialDatabasePath();
}

std::string SeedFile(const Session& session) {
  if (!session.seedFile.empty()) return session.seedFile;
  const std::string data = GetDataDirectory();
  return data.empty() ? std::string() : data + "/materials/seed.sql";
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
    if (path == DefaultMaterialDatabasePath() &&
        !EnsureDefaultDatabase(path, SeedFile(session), error)) {
      database.Close();
      return false;
    }
    if (!database.Open(path)) {
      if (error != nullptr) *error = database.LastError();
      return false;
    }
  }
  if (use(database)) return true;
  if (error != nullptr) *error = database.LastError();
  return false;
}

}  // namespace ktpm::detail
