#include <ktpm/matlib/MaterialDatabase.h>
#include <ktpm/matlib/MaterialQuery.h>
#include <ktpm/matlib/MaterialSchema.h>

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

bool MaterialDatabase::Open(const std::string& path) {
  Close();
  m_path = path;
  sqlite3* handle = nullptr;
  const int status = sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr);
  m_connection = SqlConnection(handle);
  if (status != SQLITE_OK) {
    const std::string reason =
        m_connection.IsOpen() ? m_connection.ErrorText() : std::string(sqlite3_errstr(status));
    m_connection.Close();
    return Fail("cannot open material database " + path + ": " + reason);
  }
  sqlite3_busy_timeout(m_connection.Get(), kBusyTimeoutMs);
  std::string reason;
  if (!IsMaterialDatabase(m_connection, &reason)) {
    m_connection.Close();
    return Fail(path + " is not a usable material database: " + reason);
  }
  m_lastError.clear();
  return true;
}

void MaterialDatabase::Close() { m_connection.Close(); }

bool MaterialDatabase::Fail(const std::string& reason) {
  m_lastError = reason;
  return false;
}

bool MaterialDatabase::FailWithConnectionError() {
  return Fail("material database " + m_path + ": " + m_connection.ErrorText());
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
  if (!m_connection.Execute("BEGIN IMMEDIATE")) {
    FailWithConnectionError();
    return 0;
  }
  const int database = UserDatabaseNumber();
  int id = 0;
  bool stored = database != 0;
  if (stored) {
    SqlStatement existing(m_connection,
                          "SELECT id FROM materials WHERE database_id = ?1 AND supplier = ?2 "
                          "AND grade = ?3 ORDER BY id LIMIT 1");
    stored = existing.Bind(1, int64_t{database}) && existing.Bind(2, entry.record.supplier) &&
             existing.Bind(3, entry.record.grade);
    if (stored && existing.Step()) id = static_cast<int>(existing.Integer(0));
    stored = stored && !existing.Failed();
  }
  if (stored) {
    // An existing user grade keeps its id; its keywords are replaced as a whole.
    SqlStatement write(m_connection,
                       id != 0 ? "UPDATE materials SET database_id = ?1, supplier = ?2, "
                                 "grade = ?3, manufacturer = ?4, trade_name = ?5, family = ?6, "
                                 "filler = ?7 WHERE id = ?8"
                               : "INSERT INTO materials (database_id, supplier, grade, "
                                 "manufacturer, trade_name, family, filler) "
                                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    stored = write.Bind(1, int64_t{database}) && write.Bind(2, entry.record.supplier) &&
             write.Bind(3, entry.record.grade) && write.Bind(4, entry.record.manufacturer) &&
             write.Bind(5, entry.record.tradeName) && write.Bind(6, entry.record.family) &&
             write.Bind(7, entry.filler) && (id == 0 || write.Bind(8, int64_t{id})) && write.Run();
    if (stored && id == 0) id = static_cast<int>(sqlite3_last_insert_rowid(m_connection.Get()));
  }
  if (stored) {
    SqlStatement clear(m_connection, "DELETE FROM material_keywords WHERE material_id = ?1");
    stored = clear.Bind(1, int64_t{id}) && clear.Run();
  }
  int position = 0;
  for (const auto& [keyword, value] : entry.keywords) {
    if (!stored) break;
    SqlStatement add(m_connection,
                     "INSERT INTO material_keywords (material_id, position, keyword, value) "
                     "VALUES (?1, ?2, ?3, ?4)");
    stored = add.Bind(1, int64_t{id}) && add.Bind(2, int64_t{++position}) && add.Bind(3, keyword) &&
             add.Bind(4, value) && add.Run();
  }
  if (stored && m_connection.Execute("COMMIT")) return id;
  FailWithConnectionError();
  m_connection.Execute("ROLLBACK");
  return 0;
}

}  // namespace ktpm::detail
