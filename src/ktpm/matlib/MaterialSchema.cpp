#include <filesystem>
#include <iterator>
#include <random>

#include <ktpm/matlib/MaterialSchema.h>
#include <ktpm/matlib/MaterialSeed.h>

namespace ktpm::detail {
namespace {

// The current layout, as a new database gets it. Text columns use NOCASE so that "=", the
// UNIQUE rule and every index compare without regard to letter case. Grades made without an
// origin count as the user's, so that no seed update ever removes them. A grade's keywords go
// with it through the foreign key and also through a trigger, for connections that leave
// foreign keys off (the sqlite3 shell does by default).
constexpr const char* kSchema = R"sql(
CREATE TABLE databases (
  id INTEGER PRIMARY KEY,
  type TEXT NOT NULL UNIQUE COLLATE NOCASE,
  description TEXT NOT NULL DEFAULT '');
CREATE TABLE materials (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  database_id INTEGER NOT NULL REFERENCES databases(id),
  supplier TEXT NOT NULL COLLATE NOCASE,
  grade TEXT NOT NULL COLLATE NOCASE,
  manufacturer TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  trade_name TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  family TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  filler TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  origin TEXT NOT NULL DEFAULT 'user' CHECK (origin IN ('seed', 'user')),
  UNIQUE (database_id, supplier, grade));
CREATE INDEX materials_by_supplier ON materials(supplier, grade, database_id);
CREATE INDEX materials_by_grade ON materials(grade);
CREATE INDEX materials_by_manufacturer ON materials(manufacturer, trade_name);
CREATE INDEX materials_by_trade_name ON materials(trade_name);
CREATE INDEX materials_by_family ON materials(family);
CREATE TABLE material_keywords (
  material_id INTEGER NOT NULL REFERENCES materials(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  keyword TEXT NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY (material_id, position)) WITHOUT ROWID;
CREATE TABLE meta (
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL) WITHOUT ROWID;
CREATE TRIGGER materials_keywords_delete AFTER DELETE ON materials BEGIN
  DELETE FROM material_keywords WHERE material_id = old.id;
END;
CREATE VIRTUAL TABLE material_text USING fts5(
  supplier, grade, manufacturer, trade_name, family,
  content='materials', content_rowid='id', tokenize='trigram');
CREATE TRIGGER materials_text_insert AFTER INSERT ON materials BEGIN
  INSERT INTO material_text(rowid, supplier, grade, manufacturer, trade_name, family)
    VALUES (new.id, new.supplier, new.grade, new.manufacturer, new.trade_name, new.family);
END;
CREATE TRIGGER materials_text_delete AFTER DELETE ON materials BEGIN
  INSERT INTO material_text(material_text, rowid, supplier, grade, manufacturer, trade_name,
                            family)
    VALUES ('delete', old.id, old.supplier, old.grade, old.manufacturer, old.trade_name,
            old.family);
END;
CREATE TRIGGER materials_text_update AFTER UPDATE ON materials BEGIN
  INSERT INTO material_text(material_text, rowid, supplier, grade, manufacturer, trade_name,
                            family)
    VALUES ('delete', old.id, old.supplier, old.grade, old.manufacturer, old.trade_name,
            old.family);
  INSERT INTO material_text(rowid, supplier, grade, manufacturer, trade_name, family)
    VALUES (new.id, new.supplier, new.grade, new.manufacturer, new.trade_name, new.family);
END;
)sql";

// Version 0 to 1: foreign keys that cascade, ids that are never given out twice, one grade per
// database, supplier and grade, the origin of each grade and the "meta" table. SQLite adds such
// constraints only by building the tables anew: the new tables are filled, the old ones dropped
// and the new ones renamed; the text index and its triggers are dropped first and made again
// over the new table.
//
// - Of grades that share database, supplier and grade (in any letter case) the one with the
//   lowest id is kept, with its keywords: it is the one every lookup and every import has used.
// - Grades of the "USER" database are the user's; so are grades whose database row is missing
//   (they can only have been added by hand), which get a placeholder database row. All others
//   came from the seed.
// - Keyword rows whose grade is gone are dropped; their ids are not given out again.
//
// This text is fixed once released: a later layout is a further step, never an edit of this one.
constexpr const char* kUpgradeTo1 = R"sql(
DROP TRIGGER IF EXISTS materials_text_insert;
DROP TRIGGER IF EXISTS materials_text_delete;
DROP TRIGGER IF EXISTS materials_text_update;
DROP TRIGGER IF EXISTS materials_keywords_delete;
DROP TABLE IF EXISTS material_text;
CREATE TABLE materials_v1 (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  database_id INTEGER NOT NULL REFERENCES databases(id),
  supplier TEXT NOT NULL COLLATE NOCASE,
  grade TEXT NOT NULL COLLATE NOCASE,
  manufacturer TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  trade_name TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  family TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  filler TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  origin TEXT NOT NULL DEFAULT 'user' CHECK (origin IN ('seed', 'user')),
  UNIQUE (database_id, supplier, grade));
INSERT INTO materials_v1 (id, database_id, supplier, grade, manufacturer, trade_name, family,
                          filler, origin)
  SELECT m.id, m.database_id, m.supplier, m.grade, m.manufacturer, m.trade_name, m.family,
         m.filler, CASE WHEN d.id IS NULL OR d.type = 'USER' THEN 'user' ELSE 'seed' END
    FROM materials m LEFT JOIN databases d ON d.id = m.database_id
    WHERE NOT EXISTS (SELECT 1 FROM materials o WHERE o.database_id = m.database_id
                        AND o.supplier = m.supplier AND o.grade = m.grade AND o.id < m.id)
    ORDER BY m.id;
INSERT INTO databases (id, type, description)
  SELECT DISTINCT database_id, 'DATABASE ' || database_id, 'Recovered when upgraded'
    FROM materials_v1 WHERE database_id NOT IN (SELECT id FROM databases);
CREATE TABLE material_keywords_v1 (
  material_id INTEGER NOT NULL REFERENCES materials(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  keyword TEXT NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY (material_id, position)) WITHOUT ROWID;
INSERT INTO material_keywords_v1 (material_id, position, keyword, value)
  SELECT material_id, position, keyword, value FROM material_keywords
    WHERE material_id IN (SELECT id FROM materials_v1);
INSERT INTO sqlite_sequence (name, seq)
  SELECT 'materials_v1', 0 WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence
                                             WHERE name = 'materials_v1');
UPDATE sqlite_sequence
  SET seq = MAX(seq, IFNULL((SELECT MAX(material_id) FROM material_keywords), 0))
  WHERE name = 'materials_v1';
DROP TABLE material_keywords;
DROP TABLE materials;
ALTER TABLE materials_v1 RENAME TO materials;
ALTER TABLE material_keywords_v1 RENAME TO material_keywords;
CREATE INDEX materials_by_supplier ON materials(supplier, grade, database_id);
CREATE INDEX materials_by_grade ON materials(grade);
CREATE INDEX materials_by_manufacturer ON materials(manufacturer, trade_name);
CREATE INDEX materials_by_trade_name ON materials(trade_name);
CREATE INDEX materials_by_family ON materials(family);
CREATE TABLE meta (
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL) WITHOUT ROWID;
CREATE TRIGGER materials_keywords_delete AFTER DELETE ON materials BEGIN
  DELETE FROM material_keywords WHERE material_id = old.id;
END;
CREATE VIRTUAL TABLE material_text USING fts5(
  supplier, grade, manufacturer, trade_name, family,
  content='materials', content_rowid='id', tokenize='trigram');
INSERT INTO material_text(material_text) VALUES ('rebuild');
CREATE TRIGGER materials_text_insert AFTER INSERT ON materials BEGIN
  INSERT INTO material_text(rowid, supplier, grade, manufacturer, trade_name, family)
    VALUES (new.id, new.supplier, new.grade, new.manufacturer, new.trade_name, new.family);
END;
CREATE TRIGGER materials_text_delete AFTER DELETE ON materials BEGIN
  INSERT INTO material_text(material_text, rowid, supplier, grade, manufacturer, trade_name,
                            family)
    VALUES ('delete', old.id, old.supplier, old.grade, old.manufacturer, old.trade_name,
            old.family);
END;
CREATE TRIGGER materials_text_update AFTER UPDATE ON materials BEGIN
  INSERT INTO material_text(material_text, rowid, supplier, grade, manufacturer, trade_name,
                            family)
    VALUES ('delete', old.id, old.supplier, old.grade, old.manufacturer, old.trade_name,
            old.family);
  INSERT INTO material_text(rowid, supplier, grade, manufacturer, trade_name, family)
    VALUES (new.id, new.supplier, new.grade, new.manufacturer, new.trade_name, new.family);
END;
)sql";

// The upgrade steps in order: step i takes a database from version i to version i + 1.
constexpr const char* kUpgradeSteps[] = {kUpgradeTo1};
static_assert(std::size(kUpgradeSteps) == kMaterialSchemaVersion,
              "one upgrade step per schema version");

// How long an upgrade waits for another process that holds the database: longer than a search
// waits, since giving up leaves the database unusable to this process.
constexpr int kUpgradeBusyTimeoutMs = 10000;

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

bool HasMaterialTables(const SqlConnection& connection, bool& has, std::string* error) {
  SqlStatement query(connection,
                     "SELECT 1 FROM sqlite_master WHERE name IN ('databases', 'materials', "
                     "'material_keywords')");
  has = query.Step();
  if (query.Failed()) SetError(error, connection.ErrorText());
  return !query.Failed();
}

// Rows that break a foreign key, as "table rowid" text; empty when there are none.
std::string ForeignKeyViolations(const SqlConnection& connection) {
  SqlStatement check(connection, "PRAGMA foreign_key_check");
  std::string found;
  while (check.Step()) {
    found += (found.empty() ? "" : ", ") + check.Text(0) + " " + check.Text(1);
  }
  if (check.Failed()) return connection.ErrorText();
  return found;
}

bool RunUpgradeSteps(SqlConnection& connection, std::string* error) {
  int version = MaterialSchemaVersion(connection, error);
  if (version < 0) return false;
  // Another process may have upgraded the database while this one waited for its lock.
  for (; version < kMaterialSchemaVersion; ++version) {
    std::string reason;
    if (!connection.Execute(kUpgradeSteps[version], &reason)) {
      SetError(error, "step to version " + std::to_string(version + 1) + ": " + reason);
      return false;
    }
  }
  const std::string violations = ForeignKeyViolations(connection);
  if (!violations.empty()) {
    SetError(error, "rows without their referenced row: " + violations);
    return false;
  }
  return connection.Execute("PRAGMA user_version = " + std::to_string(kMaterialSchemaVersion),
                            error);
}

}  // namespace

bool OpenMaterialConnection(const std::string& path, int flags, int busyTimeoutMs,
                            SqlConnection& connection, std::string* error) {
  sqlite3* handle = nullptr;
  const int status = sqlite3_open_v2(path.c_str(), &handle, flags, nullptr);
  connection = SqlConnection(handle);
  if (status != SQLITE_OK) {
    SetError(error,
             connection.IsOpen() ? connection.ErrorText() : std::string(sqlite3_errstr(status)));
    connection.Close();
    return false;
  }
  sqlite3_busy_timeout(connection.Get(), busyTimeoutMs);
  if (!connection.Execute("PRAGMA foreign_keys = ON", error)) {
    connection.Close();
    return false;
  }
  return true;
}

int MaterialSchemaVersion(const SqlConnection& connection, std::string* error) {
  SqlStatement query(connection, "PRAGMA user_version");
  if (query.Step()) return static_cast<int>(query.Integer(0));
  SetError(error, connection.ErrorText());
  return -1;
}

bool ApplyMaterialSchema(SqlConnection& connection, std::string* error) {
  const int version = MaterialSchemaVersion(connection, error);
  if (version < 0) return false;
  if (version == kMaterialSchemaVersion) return true;
  bool hasTables = false;
  if (!HasMaterialTables(connection, hasTables, error)) return false;
  if (version != 0 || hasTables) {
    SetError(error, "the database holds material tables of schema version " +
                        std::to_string(version) + ", not " +
                        std::to_string(kMaterialSchemaVersion));
    return false;
  }
  return connection.Execute(std::string(kSchema) + "PRAGMA user_version = " +
                                std::to_string(kMaterialSchemaVersion) + ";",
                            error);
}

bool UpgradeMaterialSchema(SqlConnection& connection, std::string* error) {
  const int version = MaterialSchemaVersion(connection, error);
  if (version < 0) return false;
  if (version == kMaterialSchemaVersion) return true;
  if (version > kMaterialSchemaVersion) {
    SetError(error, "schema version " + std::to_string(version) + " is newer than this library's " +
                        std::to_string(kMaterialSchemaVersion));
    return false;
  }
  if (sqlite3_get_autocommit(connection.Get()) == 0) {
    SetError(error, "cannot upgrade inside a transaction");
    return false;
  }
  // Foreign keys cannot be switched inside a transaction, and while tables are rebuilt they
  // must be off: dropping the old "materials" would otherwise cascade into the new keywords.
  // foreign_key_check stands in for them before the commit.
  sqlite3_busy_timeout(connection.Get(), kUpgradeBusyTimeoutMs);
  bool upgraded = connection.Execute("PRAGMA foreign_keys = OFF", error) &&
                  connection.Execute("BEGIN IMMEDIATE", error);
  if (upgraded) {
    upgraded = RunUpgradeSteps(connection, error) && connection.Execute("COMMIT", error);
    if (!upgraded) connection.Execute("ROLLBACK");
  }
  std::string reason;
  if (!connection.Execute("PRAGMA foreign_keys = ON", &reason) && upgraded) {
    SetError(error, reason);
    upgraded = false;
  }
  return upgraded;
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
      SetError(error, connection.ErrorText());
      return false;
    }
  }
  return true;
}

bool IsDamageError(const SqlConnection& connection) {
  if (!connection.IsOpen()) return false;
  switch (sqlite3_errcode(connection.Get())) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_ERROR:  // a table or column is missing
    case SQLITE_SCHEMA:
      return true;
    default:
      return false;
  }
}

std::string TemporarySiblingOf(const std::string& path) {
  std::random_device random;
  return path + ".building-" + std::to_string(random()) + "~";
}

bool BuildMaterialDatabase(const std::string& path, const std::string& seedFile,
                           std::string* error) {
  std::string seed;
  if (!ReadSeedScript(seedFile, seed, error)) return false;
  const std::string building = TemporarySiblingOf(path);
  SqlConnection connection;
  bool built = OpenMaterialConnection(building, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, 0,
                                      connection, error) &&
               connection.Execute("BEGIN", error) && ApplyMaterialSchema(connection, error) &&
               LoadSeed(connection, seed, error) && connection.Execute("COMMIT", error);
  connection.Close();
  std::error_code code;
  if (built) {
    std::filesystem::rename(building, path, code);
    if (!code) return true;
    SetError(error, "cannot create " + path + ": " + code.message());
  }
  std::filesystem::remove(building, code);
  std::filesystem::remove(building + "-journal", code);
  return false;
}

}  // namespace ktpm::detail
