#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <ktpm/matlib/MaterialSchema.h>

namespace ktpm::detail {
namespace {

// Text columns use NOCASE so that "=" and every index compare without regard to letter case.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS databases (
  id INTEGER PRIMARY KEY,
  type TEXT NOT NULL UNIQUE COLLATE NOCASE,
  description TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS materials (
  id INTEGER PRIMARY KEY,
  database_id INTEGER NOT NULL REFERENCES databases(id),
  supplier TEXT NOT NULL COLLATE NOCASE,
  grade TEXT NOT NULL COLLATE NOCASE,
  manufacturer TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  trade_name TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  family TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  filler TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE INDEX IF NOT EXISTS materials_by_supplier ON materials(supplier, grade, database_id);
CREATE INDEX IF NOT EXISTS materials_by_grade ON materials(grade);
CREATE INDEX IF NOT EXISTS materials_by_manufacturer ON materials(manufacturer, trade_name);
CREATE INDEX IF NOT EXISTS materials_by_trade_name ON materials(trade_name);
CREATE INDEX IF NOT EXISTS materials_by_family ON materials(family);
CREATE INDEX IF NOT EXISTS materials_by_database ON materials(database_id);
CREATE TABLE IF NOT EXISTS material_keywords (
  material_id INTEGER NOT NULL REFERENCES materials(id),
  position INTEGER NOT NULL,
  keyword TEXT NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY (material_id, position)) WITHOUT ROWID;
CREATE VIRTUAL TABLE IF NOT EXISTS material_text USING fts5(
  supplier, grade, manufacturer, trade_name, family,
  content='materials', content_rowid='id', tokenize='trigram');
CREATE TRIGGER IF NOT EXISTS materials_text_insert AFTER INSERT ON materials BEGIN
  INSERT INTO material_text(rowid, supplier, grade, manufacturer, trade_name, family)
    VALUES (new.id, new.supplier, new.grade, new.manufacturer, new.trade_name, new.family);
END;
CREATE TRIGGER IF NOT EXISTS materials_text_delete AFTER DELETE ON materials BEGIN
  INSERT INTO material_text(material_text, rowid, supplier, grade, manufacturer, trade_name,
                            family)
    VALUES ('delete', old.id, old.supplier, old.grade, old.manufacturer, old.trade_name,
            old.family);
END;
CREATE TRIGGER IF NOT EXISTS materials_text_update AFTER UPDATE ON materials BEGIN
  INSERT INTO material_text(material_text, rowid, supplier, grade, manufacturer, trade_name,
                            family)
    VALUES ('delete', old.id, old.supplier, old.grade, old.manufacturer, old.trade_name,
            old.family);
  INSERT INTO material_text(rowid, supplier, grade, manufacturer, trade_name, family)
    VALUES (new.id, new.supplier, new.grade, new.manufacturer, new.trade_name, new.family);
END;
)sql";

// The seed is a file of the source tree; anything larger than this is not one.
constexpr std::uintmax_t kMaxSeedBytes = 16u << 20;

bool ReadSeed(const std::string& seedFile, std::string& text, std::string* error) {
  std::error_code code;
  const std::uintmax_t size = std::filesystem::file_size(seedFile, code);
  if (code || size > kMaxSeedBytes) {
    if (error != nullptr) *error = "cannot read the material database seed " + seedFile;
    return false;
  }
  std::ifstream in(seedFile, std::ios::binary);
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    if (error != nullptr) *error = "cannot read the material database seed " + seedFile;
    return false;
  }
  return true;
}

std::string TemporarySibling(const std::string& path) {
  std::random_device random;
  return path + ".building-" + std::to_string(random()) + "~";
}

bool FillFromSeed(const std::string& path, const std::string& seed, std::string* error) {
  sqlite3* handle = nullptr;
  const int status =
      sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  SqlConnection connection(handle);
  if (status != SQLITE_OK) {
    if (error != nullptr) *error = connection.ErrorText();
    return false;
  }
  std::string seedError;
  if (!connection.Execute("BEGIN", error) || !ApplyMaterialSchema(connection, error)) return false;
  if (!connection.Execute(seed, &seedError)) {
    if (error != nullptr) *error = "material database seed: " + seedError;
    return false;
  }
  return connection.Execute("COMMIT", error);
}

}  // namespace

bool ApplyMaterialSchema(SqlConnection& connection, std::string* error) {
  return connection.Execute(kSchema, error);
}

bool IsMaterialDatabase(const SqlConnection& connection, std::string* error) {
  for (const char* probe : {"SELECT id, type FROM databases LIMIT 1",
                            "SELECT id, database_id, supplier, grade FROM materials LIMIT 1",
                            "SELECT material_id, keyword FROM material_keywords LIMIT 1",
                            "SELECT rowid FROM material_text WHERE material_text MATCH 'xyz' "
                            "LIMIT 1"}) {
    SqlStatement statement(connection, probe);
    if (statement.IsValid()) statement.Step();
    if (!statement.IsValid() || statement.Failed()) {
      if (error != nullptr) *error = connection.ErrorText();
      return false;
    }
  }
  return true;
}

bool BuildMaterialDatabase(const std::string& path, const std::string& seedFile,
                           std::string* error) {
  std::string seed;
  if (!ReadSeed(seedFile, seed, error)) return false;
  const std::string building = TemporarySibling(path);
  const bool built = FillFromSeed(building, seed, error);
  std::error_code code;
  if (built) {
    std::filesystem::rename(building, path, code);
    if (!code) return true;
    if (error != nullptr) *error = "cannot create " + path + ": " + code.message();
  }
  std::filesystem::remove(building, code);
  std::filesystem::remove(building + "-journal", code);
  return false;
}

}  // namespace ktpm::detail
