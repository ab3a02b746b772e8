// One open material database file and the queries the material library makes of it.
//
// A MaterialDatabase owns its SQLite connection. Opening never creates a file: the path must
// name an existing material database, else Open fails with the reason in LastError. Every query
// returns its "nothing" value (0, false, empty) on failure and leaves the reason in LastError.
// Not thread-safe: the process's one instance is used under the lock of MaterialDatabaseSession.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/matlib/SqlStatement.h>

namespace ktpm::detail {

using MaterialKeywordList = std::vector<std::pair<std::string, std::string>>;

// A grade as the database stores it: the searchable record, its filler and its further keywords.
struct MaterialEntry {
  KMaterialRecord record;
  std::string filler;
  MaterialKeywordList keywords;
};

class MaterialDatabase {
 public:
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return m_connection.IsOpen(); }
  const std::string& Path() const { return m_path; }
  const std::string& LastError() const { return m_lastError; }

  // Number of the database of that type; 0 when none.
  int DatabaseNumber(const std::string& type);
  // Lowest database number holding supplier/grade; 0 when none.
  int DatabaseHolding(const std::string& supplier, const std::string& grade);
  // Id of the grade in the database (any database when database is 0, lowest number first).
  int MaterialId(int database, const std::string& supplier, const std::string& grade);
  bool Search(const std::vector<KSearchRule>& rules, const std::vector<int>& databases,
              int maxResults, std::vector<KMaterialRecord>& found);
  // Reads the grade with the given id; false when there is none.
  bool ReadMaterial(int id, MaterialEntry& entry);
  // Adds the grade to the user database (replacing the user grade of the same supplier and
  // grade) in one transaction; its id, or 0.
  int StoreUserMaterial(const MaterialEntry& entry);

 private:
  bool Fail(const std::string& reason);
  bool FailWithConnectionError();
  int UserDatabaseNumber();
  // The first column of the query's first row. 0 when the parameters were not bound, the query
  // failed, or it found no row (notFound is then the reason).
  int FirstInteger(SqlStatement& query, bool bound, const std::string& notFound);

  SqlConnection m_connection;
  std::string m_path;
  std::string m_lastError;
};

}  // namespace ktpm::detail
