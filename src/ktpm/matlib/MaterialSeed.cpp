#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include <ktpm/matlib/MaterialSeed.h>

namespace ktpm::detail {
namespace {

// The seed is a file of the installation; anything larger than this is not one.
constexpr std::uintmax_t kMaxSeedBytes = 16u << 20;
// The version line is among the first lines; this much of the file is read to find it.
constexpr std::streamsize kSeedHeaderBytes = 4096;

constexpr std::string_view kVersionTag = "-- seed-version:";
constexpr const char* kSeedVersionKey = "seed_version";

// The staging tables the script fills, shaped like the database's own tables of those names.
constexpr const char* kStaging = R"sql(
DROP TABLE IF EXISTS temp.databases;
DROP TABLE IF EXISTS temp.materials;
DROP TABLE IF EXISTS temp.material_keywords;
CREATE TEMP TABLE databases (
  id INTEGER PRIMARY KEY,
  type TEXT NOT NULL UNIQUE COLLATE NOCASE,
  description TEXT NOT NULL DEFAULT '');
CREATE TEMP TABLE materials (
  id INTEGER PRIMARY KEY,
  database_id INTEGER NOT NULL,
  supplier TEXT NOT NULL COLLATE NOCASE,
  grade TEXT NOT NULL COLLATE NOCASE,
  manufacturer TEXT NOT NULL DEFAULT '',
  trade_name TEXT NOT NULL DEFAULT '',
  family TEXT NOT NULL DEFAULT '',
  filler TEXT NOT NULL DEFAULT '',
  UNIQUE (database_id, supplier, grade));
CREATE TEMP TABLE material_keywords (
  material_id INTEGER NOT NULL,
  position INTEGER NOT NULL,
  keyword TEXT NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY (material_id, position)) WITHOUT ROWID;
)sql";

constexpr const char* kDropStaging =
    "DROP TABLE temp.databases; DROP TABLE temp.materials; DROP TABLE temp.material_keywords;";

// Seed grades that the script no longer lists, matched by database type, supplier and grade.
constexpr const char* kRemoveDroppedSeedGrades =
    "DELETE FROM main.materials WHERE origin = 'seed' AND id NOT IN ("
    "SELECT m.id FROM main.materials m JOIN main.databases d ON d.id = m.database_id "
    "JOIN temp.databases sd ON sd.type = d.type "
    "JOIN temp.materials s ON s.database_id = sd.id AND s.supplier = m.supplier "
    "AND s.grade = m.grade)";

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

// The decimal number at the start of text (at most nine digits); 0 when there is none.
int LeadingNumber(std::string_view text) {
  int number = 0;
  for (size_t i = 0; i < text.size() && i < 9 && text[i] >= '0' && text[i] <= '9'; ++i) {
    number = number * 10 + (text[i] - '0');
  }
  return number;
}

bool SeedFailure(const SqlConnection& connection, std::string* error) {
  SetError(error, "material database seed: " + connection.ErrorText());
  return false;
}

// What a seed script may do: fill, read and drop tables of the temp schema, nothing else (no
// write to the database's own tables, no transaction control, no pragma, no attach).
int SeedAuthorizer(void*, int action, const char*, const char*, const char* schema, const char*) {
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
    case SQLITE_CREATE_TEMP_TABLE:
    case SQLITE_DROP_TEMP_TABLE:
    case SQLITE_CREATE_TEMP_INDEX:
    case SQLITE_DROP_TEMP_INDEX:
      return SQLITE_OK;
    case SQLITE_READ:
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
      return schema != nullptr && std::strcmp(schema, "temp") == 0 ? SQLITE_OK : SQLITE_DENY;
    default:
      return SQLITE_DENY;
  }
}

bool RunScript(SqlConnection& connection, const std::string& script, std::string* error) {
  sqlite3_set_authorizer(connection.Get(), SeedAuthorizer, nullptr);
  std::string reason;
  const bool ran = connection.Execute(script, &reason);
  sqlite3_set_authorizer(connection.Get(), nullptr, nullptr);
  if (!ran) {
    if (reason == "not authorized") reason += " (a seed fills only its own tables)";
    SetError(error, "material database seed: " + reason);
  }
  return ran;
}

// Gives every database type of the seed a row: the seed's number when it is free, else the next
// after the highest.
bool MergeDatabases(SqlConnection& connection, std::string* error) {
  SqlStatement seed(connection, "SELECT id, type, description FROM temp.databases ORDER BY id");
  SqlStatement describe(connection, "UPDATE main.databases SET description = ?2 WHERE type = ?1");
  SqlStatement add(connection,
                   "INSERT INTO main.databases (id, type, description) VALUES ("
                   "CASE WHEN EXISTS (SELECT 1 FROM main.databases WHERE id = ?1) "
                   "THEN (SELECT MAX(id) + 1 FROM main.databases) ELSE ?1 END, ?2, ?3)");
  while (seed.Step()) {
    describe.Reset();
    if (!describe.Bind(1, seed.Text(1)) || !describe.Bind(2, seed.Text(2)) || !describe.Run()) {
      return SeedFailure(connection, error);
    }
    if (sqlite3_changes(connection.Get()) != 0) continue;
    add.Reset();
    if (!add.Bind(1, seed.Integer(0)) || !add.Bind(2, seed.Text(1)) || !add.Bind(3, seed.Text(2)) ||
        !add.Run()) {
      return SeedFailure(connection, error);
    }
  }
  return !seed.Failed() || SeedFailure(connection, error);
}

// Adds or updates one seed grade (the current row of grade) and replaces its keywords.
bool MergeGrade(SqlConnection& connection, const SqlStatement& grade, std::string* error) {
  const std::string supplier = grade.Text(2);
  const std::string name = grade.Text(3);
  if (grade.IsNull(1)) {
    SetError(error, "material database seed: grade \"" + supplier + "\" \"" + name +
                        "\" names a database the seed does not list");
    return false;
  }
  const int64_t database = grade.Integer(1);
  SqlStatement existing(connection,
                        "SELECT id, origin FROM main.materials WHERE database_id = ?1 "
                        "AND supplier = ?2 AND grade = ?3");
  if (!existing.Bind(1, database) || !existing.Bind(2, supplier) || !existing.Bind(3, name)) {
    return SeedFailure(connection, error);
  }
  int64_t id = 0;
  if (existing.Step()) {
    // The user's own grade of that name stays; the seed's is not added beside it.
    if (existing.Text(1) != "seed") return true;
    id = existing.Integer(0);
  } else if (existing.Failed()) {
    return SeedFailure(connection, error);
  }
  SqlStatement write(connection,
                     id != 0 ? "UPDATE main.materials SET database_id = ?1, supplier = ?2, "
                               "grade = ?3, manufacturer = ?4, trade_name = ?5, family = ?6, "
                               "filler = ?7 WHERE id = ?8"
                             : "INSERT INTO main.materials (database_id, supplier, grade, "
                               "manufacturer, trade_name, family, filler, origin) "
                               "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 'seed')");
  bool merged = write.Bind(1, database) && write.Bind(2, supplier) && write.Bind(3, name);
  for (int field = 4; field <= 7; ++field) merged = merged && write.Bind(field, grade.Text(field));
  merged = merged && (id == 0 || write.Bind(8, id)) && write.Run();
  if (merged && id == 0) id = sqlite3_last_insert_rowid(connection.Get());
  SqlStatement clear(connection, "DELETE FROM main.material_keywords WHERE material_id = ?1");
  SqlStatement copy(connection,
                    "INSERT INTO main.material_keywords (material_id, position, keyword, value) "
                    "SELECT ?1, position, keyword, value FROM temp.material_keywords "
                    "WHERE material_id = ?2");
  merged = merged && clear.Bind(1, id) && clear.Run() && copy.Bind(1, id) &&
           copy.Bind(2, grade.Integer(0)) && copy.Run();
  return merged || SeedFailure(connection, error);
}

bool MergeGrades(SqlConnection& connection, std::string* error) {
  if (!connection.Execute(kRemoveDroppedSeedGrades)) return SeedFailure(connection, error);
  SqlStatement grades(connection,
                      "SELECT s.id, d.id, s.supplier, s.grade, s.manufacturer, s.trade_name, "
                      "s.family, s.filler FROM temp.materials s "
                      "LEFT JOIN temp.databases sd ON sd.id = s.database_id "
                      "LEFT JOIN main.databases d ON d.type = sd.type ORDER BY s.id");
  while (grades.Step()) {
    if (!MergeGrade(connection, grades, error)) return false;
  }
  return !grades.Failed() || SeedFailure(connection, error);
}

bool RecordSeedVersion(SqlConnection& connection, int version, std::string* error) {
  SqlStatement record(connection,
                      "INSERT INTO main.meta (key, value) VALUES (?1, ?2) "
                      "ON CONFLICT (key) DO UPDATE SET value = excluded.value");
  return (record.Bind(1, std::string(kSeedVersionKey)) && record.Bind(2, std::to_string(version)) &&
          record.Run()) ||
         SeedFailure(connection, error);
}

}  // namespace

bool ReadSeedScript(const std::string& seedFile, std::string& text, std::string* error) {
  std::error_code code;
  const std::uintmax_t size = std::filesystem::file_size(seedFile, code);
  std::ifstream in;
  if (!code && size <= kMaxSeedBytes) in.open(seedFile, std::ios::binary);
  if (in.is_open()) {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.good() || in.eof()) return true;
  }
  SetError(error, "cannot read the material database seed " + seedFile);
  return false;
}

int SeedScriptVersion(const std::string& text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;
    if (line.empty()) continue;
    if (line.substr(0, 2) != "--") break;  // the leading comment lines end here
    if (line.substr(0, kVersionTag.size()) != kVersionTag) continue;
    line.remove_prefix(kVersionTag.size());
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    return LeadingNumber(line);
  }
  return 0;
}

int StoredSeedVersion(const SqlConnection& connection, std::string* error) {
  SqlStatement query(connection, "SELECT value FROM main.meta WHERE key = ?1");
  if (!query.Bind(1, std::string(kSeedVersionKey))) {
    SetError(error, connection.ErrorText());
    return -1;
  }
  if (query.Step()) return LeadingNumber(query.Text(0));
  if (query.Failed()) {
    SetError(error, connection.ErrorText());
    return -1;
  }
  return 0;
}

bool LoadSeed(SqlConnection& connection, const std::string& script, std::string* error) {
  if (!connection.Execute(kStaging)) return SeedFailure(connection, error);
  return RunScript(connection, script, error) && MergeDatabases(connection, error) &&
         MergeGrades(connection, error) &&
         RecordSeedVersion(connection, SeedScriptVersion(script), error) &&
         (connection.Execute(kDropStaging) || SeedFailure(connection, error));
}

bool UpdateSeedMaterials(SqlConnection& connection, const std::string& seedFile, bool* updated,
                         std::string* error) {
  if (updated != nullptr) *updated = false;
  std::ifstream in(seedFile, std::ios::binary);
  std::string header(static_cast<size_t>(kSeedHeaderBytes), '\0');
  in.read(header.data(), kSeedHeaderBytes);
  header.resize(static_cast<size_t>(in.gcount()));
  const int fileVersion = SeedScriptVersion(header);
  if (fileVersion <= 0) return true;
  const int heldVersion = StoredSeedVersion(connection, error);
  if (heldVersion < 0) return false;
  if (fileVersion <= heldVersion) return true;
  std::string script;
  if (!ReadSeedScript(seedFile, script, nullptr)) return true;
  if (!connection.Execute("BEGIN IMMEDIATE", error)) return false;
  // Another process may have brought the seed up to date while this one waited for the lock.
  const int lockedVersion = StoredSeedVersion(connection, error);
  bool merged = lockedVersion >= 0;
  if (merged && SeedScriptVersion(script) > lockedVersion) {
    merged = LoadSeed(connection, script, error);
    if (merged && updated != nullptr) *updated = true;
  }
  if (merged && connection.Execute("COMMIT", error)) return true;
  connection.Execute("ROLLBACK");
  if (updated != nullptr) *updated = false;
  return false;
}

}  // namespace ktpm::detail
