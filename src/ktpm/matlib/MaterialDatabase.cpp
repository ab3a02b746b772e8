#include <algorithm>

#include <ktpm/matlib/MaterialDatabase.h>
#include <ktpm/matlib/MaterialQuery.h>
#include <ktpm/matlib/MaterialSchema.h>
#include <ktpm/matlib/MaterialSeed.h>

namespace ktpm::detail {
namespace {

// How long a query waits for another process's write to finish before it gives up: short,
// since searches are interactive and a locked database only makes them come back empty.
constexpr int kBusyTimeoutMs = 250;

// A material file carries a few dozen keywords; a database that lists more for one grade is not
// one this library wrote, and the rest are not read.
constexpr int kMaxKeywordsPerMaterial = 4096;

constexpr const char* kSelectMaterial =
    "SELECT m.id, m.database_id, d.type, m.supplier, m.grade, m.manufacturer, m.trade_name, "
    "m.family, m.filler FROM materials m LEFT JOIN databases d ON d.id = m.database_id "
    "WHERE m.id = ?1";

KMaterialRecord ReadRecord(const SqlStatement& row) {
  KMaterialRecord record;
  record.id = static_cast<int>(row.Integer(0));
  record.database = static_cast<int>(row.Integer(1));
  record.databaseType = row.Text(2);
  record.supplier = row.Text(3);
  record.grade = row.Text(4);
  record.manufacturer = row.Text(5);
  record.tradeName = row.Text(6);
  record.family = row.Text(7);
  return record;
}

}  // namespace

bool MaterialDatabase::Open(const std::string& path, OpenMode mode) {
  Close();
  m_path = path;
  m_readOnlyReason.clear();
  m_damaged = false;
  const bool readOnly = mode == OpenMode::kReadOnly;
  std::string reason;
  if (!OpenMaterialConnection(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                              kBusyTimeoutMs, m_connection, &reason)) {
    return Fail("cannot open material database " + path + ": " + reason);
  }
  m_version = MaterialSchemaVersion(m_connection, &reason);
  if (m_version < 0) return FailOpen(path + " is not a usable material database: " + reason);
  const std::string version = std::to_string(m_version);
  const std::string known = std::to_string(kMaterialSchemaVersion);
  if (m_version > kMaterialSchemaVersion) {
    // A later ktpm's database is never changed by this one: read-only at the SQLite level too.
    m_readOnlyReason = path + " has schema version " + version + ", newer than this ktpm (" +
                       known + "): it is used read-only";
    if (!readOnly) {
      m_connection.Close();
      if (!OpenMaterialConnection(path, SQLITE_OPEN_READONLY, kBusyTimeoutMs, m_connection,
                                  &reason)) {
        return Fail("cannot open material database " + path + ": " + reason);
      }
    }
    if (!IsMaterialDatabase(m_connection, &reason)) {
      return FailOpen(path + " has schema version " + version + ", newer than this ktpm (" + known +
                      "), and cannot be read by it: " + reason);
    }
  } else if (!IsMaterialDatabase(m_connection, &reason)) {
    return FailOpen(path + " is not a usable material database: " + reason);
  } else if (m_version < kMaterialSchemaVersion) {
    if (readOnly || sqlite3_db_readonly(m_connection.Get(), "main") == 1) {
      m_readOnlyReason = path + " has schema version " + version + " and cannot be upgraded to " +
                         known + " here (it is " + (readOnly ? "opened read-only" : "read-only") +
                         "): it is used read-only";
    } else if (!UpgradeMaterialSchema(m_connection, &reason)) {
      return FailOpen("cannot upgrade material database " + path + " from schema version " +
                      version + " to " + known + ": " + reason);
    } else {
      m_version = kMaterialSchemaVersion;
      sqlite3_busy_timeout(m_connection.Get(), kBusyTimeoutMs);
    }
  }
  if (readOnly && m_readOnlyReason.empty()) m_readOnlyReason = path + " is opened read-only";
  m_lastError.clear();
  return true;
}

void MaterialDatabase::Close() { m_connection.Close(); }

bool MaterialDatabase::Fail(const std::string& reason) {
  m_lastError = reason;
  m_damaged = false;
  return false;
}

bool MaterialDatabase::FailOpen(const std::string& reason) {
  const bool damaged = IsDamageError(m_connection);
  m_connection.Close();
  Fail(reason);
  m_damaged = damaged;
  return false;
}

bool MaterialDatabase::RefuseChanges() { return Fail(m_readOnlyReason); }

bool MaterialDatabase::FailWithConnectionError() {
  Fail("material database " + m_path + ": " + m_connection.ErrorText());
  m_damaged = IsDamageError(m_connection);
  return false;
}

int MaterialDatabase::FirstInteger(SqlStatement& query, bool bound, const std::string& notFound) {
  if (bound && query.Step()) return static_cast<int>(query.Integer(0));
  if (!bound || query.Failed()) {
    FailWithConnectionError();
  } else {
    Fail(notFound);
  }
  return 0;
}

int MaterialDatabase::DatabaseNumber(const std::string& type) {
  SqlStatement query(m_connection, "SELECT id FROM databases WHERE type = ?1");
  return FirstInteger(query, query.Bind(1, type), "no material database of type \"" + type + "\"");
}

int MaterialDatabase::DatabaseHolding(const std::string& supplier, const std::string& grade) {
  const int id = MaterialId(0, supplier, grade);
  if (id == 0) return 0;
  SqlStatement query(m_connection, "SELECT database_id FROM materials WHERE id = ?1");
  return FirstInteger(query, query.Bind(1, int64_t{id}),
                      "no material with id " + std::to_string(id));
}

int MaterialDatabase::MaterialId(int database, const std::string& supplier,
                                 const std::string& grade) {
  SqlStatement query(m_connection,
                     "SELECT id FROM materials WHERE supplier = ?1 AND grade = ?2 "
                     "AND (?3 = 0 OR database_id = ?3) ORDER BY database_id, id LIMIT 1");
  const bool bound =
      query.Bind(1, supplier) && query.Bind(2, grade) && query.Bind(3, int64_t{database});
  const std::string where = database != 0 ? " in database " + std::to_string(database) : "";
  return FirstInteger(query, bound, "no material \"" + supplier + "\" \"" + grade + "\"" + where);
}

bool MaterialDatabase::Search(const std::vector<KSearchRule>& rules,
                              const std::vector<int>& databases, int maxResults,
                              std::vector<KMaterialRecord>& found) {
  found.clear();
  MaterialQuery query;
  std::string reason;
  if (!query.Build(rules, databases, maxResults, &reason)) return Fail(reason);
  SqlStatement statement(m_connection, query.Sql().c_str());
  if (!query.BindTo(statement)) return FailWithConnectionError();
  while (statement.Step()) found.push_back(ReadRecord(statement));
  if (statement.Failed()) {
    found.clear();
    return FailWithConnectionError();
  }
  return true;
}

bool MaterialDatabase::ReadMaterial(int id, MaterialEntry& entry) {
  SqlStatement material(m_connection, kSelectMaterial);
  if (!material.Bind(1, int64_t{id})) return FailWithConnectionError();
  if (!material.Step()) {
    if (material.Failed()) return FailWithConnectionError();
    return Fail("no material with id " + std::to_string(id));
  }
  entry.record = ReadRecord(material);
  entry.filler = material.Text(8);
  entry.keywords.clear();
  SqlStatement keywords(m_connection,
                        "SELECT keyword, value FROM material_keywords WHERE material_id = ?1 "
                        "ORDER BY position LIMIT ?2");
  if (!keywords.Bind(1, int64_t{id}) || !keywords.Bind(2, int64_t{kMaxKeywordsPerMaterial})) {
    return FailWithConnectionError();
  }
  while (keywords.Step()) entry.keywords.emplace_back(keywords.Text(0), keywords.Text(1));
  if (keywords.Failed()) return FailWithConnectionError();
  return true;
}

int MaterialDatabase::UserDatabaseNumber() {
  SqlStatement find(m_connection, "SELECT id FROM databases WHERE type = ?1");
  if (!find.Bind(1, std::string(kUserDatabaseType))) return 0;
  if (find.Step()) return static_cast<int>(find.Integer(0));
  if (find.Failed()) return 0;
  // The usual number when it is free, else the next one after the highest.
  SqlStatement add(m_connection,
                   "INSERT INTO databases (id, type, description) VALUES ("
                   "CASE WHEN EXISTS (SELECT 1 FROM databases WHERE id = ?1) "
                   "THEN (SELECT MAX(id) + 1 FROM databases) ELSE ?1 END, ?2, 'User materials')");
  if (!add.Bind(1, int64_t{kUserDatabaseNumber}) || !add.Bind(2, std::string(kUserDatabaseType)) ||
      !add.Run()) {
    return 0;
  }
  return static_cast<int>(sqlite3_last_insert_rowid(m_connection.Get()));
}

int MaterialDatabase::StoreUserMaterial(const MaterialEntry& entry) {
  std::vector<int> ids;
  return StoreUserMaterials({entry}, false, ids) ? ids.front() : 0;
}

bool MaterialDatabase::StoreUserMaterials(const std::vector<MaterialEntry>& entries, bool keepIds,
                                          std::vector<int>& ids) {
  ids.clear();
  if (!m_readOnlyReason.empty()) return RefuseChanges();
  if (!m_connection.Execute("BEGIN IMMEDIATE")) return FailWithConnectionError();
  const int database = UserDatabaseNumber();
  bool stored = database != 0;
  for (const MaterialEntry& entry : entries) {
    int id = 0;
    stored = stored && StoreOne(database, entry, keepIds, id);
    if (!stored) break;
    ids.push_back(id);
  }
  if (stored && m_connection.Execute("COMMIT")) return true;
  FailWithConnectionError();
  m_connection.Execute("ROLLBACK");
  ids.clear();
  return false;
}

bool MaterialDatabase::StoreOne(int database, const MaterialEntry& entry, bool keepId, int& id) {
  id = 0;
  SqlStatement existing(m_connection,
                        "SELECT id FROM materials WHERE database_id = ?1 AND supplier = ?2 "
                        "AND grade = ?3");
  if (!existing.Bind(1, int64_t{database}) || !existing.Bind(2, entry.record.supplier) ||
      !existing.Bind(3, entry.record.grade)) {
    return false;
  }
  if (existing.Step()) id = static_cast<int>(existing.Integer(0));
  if (existing.Failed()) return false;
  // An existing grade keeps its id and becomes the user's; its keywords are replaced as a
  // whole. A new one takes the id asked for when that is free, else the next one.
  SqlStatement write(m_connection,
                     id != 0 ? "UPDATE materials SET database_id = ?1, supplier = ?2, "
                               "grade = ?3, manufacturer = ?4, trade_name = ?5, family = ?6, "
                               "filler = ?7, origin = 'user' WHERE id = ?8"
                             : "INSERT INTO materials (id, database_id, supplier, grade, "
                               "manufacturer, trade_name, family, filler, origin) VALUES ("
                               "CASE WHEN EXISTS (SELECT 1 FROM materials WHERE id = ?8) "
                               "THEN NULL ELSE ?8 END, ?1, ?2, ?3, ?4, ?5, ?6, ?7, 'user')");
  const bool bindId = id != 0 || (keepId && entry.record.id > 0);
  const int64_t wantedId = id != 0 ? id : entry.record.id;
  if (!write.Bind(1, int64_t{database}) || !write.Bind(2, entry.record.supplier) ||
      !write.Bind(3, entry.record.grade) || !write.Bind(4, entry.record.manufacturer) ||
      !write.Bind(5, entry.record.tradeName) || !write.Bind(6, entry.record.family) ||
      !write.Bind(7, entry.filler) || (bindId && !write.Bind(8, wantedId)) || !write.Run()) {
    return false;
  }
  if (id == 0) id = static_cast<int>(sqlite3_last_insert_rowid(m_connection.Get()));
  SqlStatement clear(m_connection, "DELETE FROM material_keywords WHERE material_id = ?1");
  if (!clear.Bind(1, int64_t{id}) || !clear.Run()) return false;
  SqlStatement add(m_connection,
                   "INSERT INTO material_keywords (material_id, position, keyword, value) "
                   "VALUES (?1, ?2, ?3, ?4)");
  int64_t position = 0;
  for (const auto& [keyword, value] : entry.keywords) {
    add.Reset();
    if (!add.Bind(1, int64_t{id}) || !add.Bind(2, ++position) || !add.Bind(3, keyword) ||
        !add.Bind(4, value) || !add.Run()) {
      return false;
    }
  }
  return true;
}

bool MaterialDatabase::RemoveUserMaterials(const std::vector<int>& ids,
                                           std::vector<KMaterialRecord>& removed) {
  removed.clear();
  if (!m_readOnlyReason.empty()) return RefuseChanges();
  if (!m_connection.Execute("BEGIN IMMEDIATE")) return FailWithConnectionError();
  bool done = true;
  for (const int id : ids) {
    done = RemoveOne(id, removed);
    if (!done) break;
  }
  if (done && !m_connection.Execute("COMMIT")) done = FailWithConnectionError();
  if (!done) {
    m_connection.Execute("ROLLBACK");
    removed.clear();
  }
  return done;
}

bool MaterialDatabase::RemoveOne(int id, std::vector<KMaterialRecord>& removed) {
  for (const KMaterialRecord& earlier : removed) {
    if (earlier.id == id) return true;  // named twice
  }
  bool seed = false;
  {
    SqlStatement origin(m_connection, "SELECT origin FROM materials WHERE id = ?1");
    if (!origin.Bind(1, int64_t{id})) return FailWithConnectionError();
    if (!origin.Step()) {
      return origin.Failed() ? FailWithConnectionError()
                             : Fail("no material with id " + std::to_string(id));
    }
    seed = origin.Text(0) != "user";
  }
  MaterialEntry entry;
  if (!ReadMaterial(id, entry)) return false;
  if (seed) {
    return Fail("material " + std::to_string(id) + " (" + entry.record.supplier + ", " +
                entry.record.grade +
                ") is a generic grade of the seed and cannot be removed; only imported grades "
                "can");
  }
  // Its keywords go with it (ON DELETE CASCADE), its text index entry through the trigger.
  SqlStatement remove(m_connection, "DELETE FROM materials WHERE id = ?1");
  if (!remove.Bind(1, int64_t{id}) || !remove.Run()) return FailWithConnectionError();
  removed.push_back(entry.record);
  return true;
}

bool MaterialDatabase::ReadUserMaterials(std::vector<MaterialEntry>& entries) {
  entries.clear();
  SqlStatement query(m_connection, m_version == 0
                                       ? "SELECT m.id FROM materials m JOIN databases d "
                                         "ON d.id = m.database_id WHERE d.type = 'USER' "
                                         "ORDER BY m.id"
                                       : "SELECT id FROM materials WHERE origin = 'user' "
                                         "ORDER BY id");
  std::vector<int> ids;
  while (query.Step()) ids.push_back(static_cast<int>(query.Integer(0)));
  if (query.Failed()) return FailWithConnectionError();
  for (const int id : ids) {
    entries.emplace_back();
    if (!ReadMaterial(id, entries.back())) {
      entries.clear();
      return false;
    }
  }
  return true;
}

int64_t MaterialDatabase::HighestMaterialId() {
  int64_t highest = 0;
  std::vector<const char*> queries = {"SELECT MAX(id) FROM materials",
                                      "SELECT MAX(material_id) FROM material_keywords"};
  if (m_version >= 1) queries.push_back("SELECT seq FROM sqlite_sequence WHERE name = 'materials'");
  for (const char* sql : queries) {
    SqlStatement query(m_connection, sql);
    if (query.Step()) highest = std::max(highest, query.Integer(0));
    if (query.Failed()) {
      FailWithConnectionError();
      return -1;
    }
  }
  return highest;
}

bool MaterialDatabase::ReserveMaterialIds(int64_t floor) {
  if (!m_readOnlyReason.empty()) return RefuseChanges();
  SqlStatement add(m_connection,
                   "INSERT INTO sqlite_sequence (name, seq) SELECT 'materials', ?1 "
                   "WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = 'materials')");
  SqlStatement raise(m_connection,
                     "UPDATE sqlite_sequence SET seq = MAX(seq, ?1) WHERE name = 'materials'");
  return (add.Bind(1, floor) && add.Run() && raise.Bind(1, floor) && raise.Run()) ||
         FailWithConnectionError();
}

bool MaterialDatabase::UpdateSeed(const std::string& seedFile, bool& updated) {
  updated = false;
  if (!m_readOnlyReason.empty()) return true;
  std::string reason;
  if (UpdateSeedMaterials(m_connection, seedFile, &updated, &reason)) return true;
  return Fail("cannot update the seed grades of material database " + m_path + ": " + reason);
}

}  // namespace ktpm::detail
