// One open material database file and the queries the material library makes of it.
//
// A MaterialDatabase owns its SQLite connection. Opening never creates a file: the path must
// name an existing material database, else Open fails with the reason in LastError. Opening
// upgrades a database of an earlier layout in place; one of a newer layout (or one that cannot
// be written to upgrade it) is opened read-only: it can be searched, and every change fails with
// the reason. Every query returns its "nothing" value (0, false, empty) on failure and leaves
// the reason in LastError.
// Not thread-safe: the process's one instance is used under the lock of MaterialDatabaseSession.
#pragma once

#include <cstdint>
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
  enum class OpenMode { kUpgrade, kReadOnly };

  bool Open(const std::string& path, OpenMode mode = OpenMode::kUpgrade);
  void Close();
  bool IsOpen() const { return m_connection.IsOpen(); }
  const std::string& Path() const { return m_path; }
  const std::string& LastError() const { return m_lastError; }
  // The layout version of the open file (see MaterialSchema.h).
  int SchemaVersion() const { return m_version; }
  // Why changes are refused; empty when the database can be changed.
  const std::string& ReadOnlyReason() const { return m_readOnlyReason; }
  // After a failure: the file is damaged or is no material database (rather than busy or out
  // of reach).
  bool IsDamaged() const { return m_damaged; }

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
  // Stores every grade as StoreUserMaterial does, all in one transaction; ids receives their
  // ids in order. With keepIds a new grade takes entry.record.id when no grade has it.
  bool StoreUserMaterials(const std::vector<MaterialEntry>& entries, bool keepIds,
                          std::vector<int>& ids);
  // Removes the user grades with these ids, with their keywords, in one transaction; removed
  // receives their records. Fails, removing nothing, when an id names no grade or a seed grade.
  bool RemoveUserMaterials(const std::vector<int>& ids, std::vector<KMaterialRecord>& removed);
  // The user's grades (the grades of the user database in a version 0 file), in id order.
  bool ReadUserMaterials(std::vector<MaterialEntry>& entries);
  // The highest grade id the database has ever given out (0 for none); -1 on failure.
  int64_t HighestMaterialId();
  // Makes sure that no new grade gets an id at or below floor.
  bool ReserveMaterialIds(int64_t floor);
  // Replaces the seed grades when seedFile is newer than the seed the database holds (see
  // UpdateSeedMaterials); updated tells whether it did.
  bool UpdateSeed(const std::string& seedFile, bool& updated);

 private:
  bool Fail(const std::string& reason);
  bool FailWithConnectionError();
  bool FailOpen(const std::string& reason);
  bool RefuseChanges();
  bool StoreOne(int database, const MaterialEntry& entry, bool keepId, int& id);
  bool RemoveOne(int id, std::vector<KMaterialRecord>& removed);
  int UserDatabaseNumber();
  // The first column of the query's first row. 0 when the parameters were not bound, the query
  // failed, or it found no row (notFound is then the reason).
  int FirstInteger(SqlStatement& query, bool bound, const std::string& notFound);

  SqlConnection m_connection;
  std::string m_path;
  std::string m_lastError;
  std::string m_readOnlyReason;
  int m_version = 0;
  bool m_damaged = false;
};

}  // namespace ktpm::detail
