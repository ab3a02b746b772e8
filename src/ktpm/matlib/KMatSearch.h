// The material library: a database of plastics grades that writes material keyword files.
//
// KMatSearch names one grade (a numbered database, a supplier and a grade), writes the material
// keyword file of that grade for a mesh, and searches the database with KSearchRule lists. It is
// a small value object: copies copy its settings, its two names, its rules and its list of
// databases to search. The database itself is one SQLite file shared by the whole process: its
// location is set with SetDatabasePath, else read from the profile (section "Locations", key
// "MaterialDBPath"), else the default "<user data dir>/keltravo/materials.db", which is built
// from the seed in the data directory when it is missing. A database that cannot be opened
// (missing, unreadable, locked, corrupt) makes searches return nothing and writes fail with 0.
//
// KMatPrefs holds the user's choice of how materials are named, kept in the profile.
//
// Threads: a KMatSearch belongs to one thread at a time; different objects may be used on
// different threads, since the shared database connection has a lock of its own. The static
// functions may be called from any thread.
#pragma once

#include <string>
#include <utility>
#include <vector>

// One search condition: field is "SUPPLIER", "GRADE", "MANUFACTURER", "TRADE_NAME", "FAMILY" or
// "DATABASE_TYPE" ("ANY" matches any of the first five); op is "EQUALS" or "CONTAINS". Both
// compare without regard to letter case, and the value is plain text ("%" and "_" are not
// patterns). Field and operator names are themselves matched without regard to case.
struct KSearchRule {
  std::string field, op, value;
};

// One grade as a search returns it. database is the number of the database holding it.
struct KMaterialRecord {
  int id = 0;
  int database = 0;
  std::string databaseType;
  std::string supplier;
  std::string grade;
  std::string manufacturer;
  std::string tradeName;
  std::string family;
};

class KMatSearch {
 public:
  KMatSearch() = default;
  KMatSearch(const KMatSearch&) = default;
  KMatSearch& operator=(const KMatSearch&) = default;
  virtual ~KMatSearch() = default;

  // The number of the database whose "MATERIAL_DATABASE_TYPE" is databaseType (any letter
  // case); 0 when there is none or the database cannot be opened.
  int GetDBKeywordValue(const std::string& databaseType) const;
  // The number of the first database (lowest number) that holds the grade; 0 when none does.
  // Used for material files written before they named their database type.
  int FindOldMaterial(const std::string& supplier, const std::string& grade) const;

  // The grade that WriteMatKeywordFile writes. Database 0 means "whichever database holds it".
  void SetDatabase(int database) { m_database = database; }
  void SetSupplier(const std::string& supplier) { m_supplier = supplier; }
  void SetGrade(const std::string& grade) { m_grade = grade; }
  int GetDatabase() const { return m_database; }
  const std::string& GetSupplier() const { return m_supplier; }
  const std::string& GetGrade() const { return m_grade; }

  // Writes the material keyword file of the set grade for meshFile ("PLASTIC_MODEL" names the
  // mesh as given) to materialFile, through a temporary file renamed into place so that no
  // half-written file is ever seen. Non-zero on success; 0 when the grade is not in the
  // database, the database cannot be opened, or the file cannot be written (a write-protected
  // material file is left alone).
  int WriteMatKeywordFile(const std::string& materialFile, const std::string& meshFile) const;

  // Search rules, all of which a grade must meet.
  void AddRule(const KSearchRule& rule) { m_rules.push_back(rule); }
  void ClearRules() { m_rules.clear(); }
  const std::vector<KSearchRule>& GetRules() const { return m_rules; }
  // Limits searches to the given database numbers (empty: all databases).
  void SetSearchDatabases(const std::vector<int>& databases) { m_searchDatabases = databases; }
  const std::vector<int>& GetSearchDatabases() const { return m_searchDatabases; }

  // The grades that meet every rule, in id order, at most maxResults of them (maxResults <= 0
  // means no limit). Nothing when a rule names an unknown field or operator, or when the
  // database cannot be opened.
  std::vector<KMaterialRecord> Find(int maxResults) const;

  // The grade with the given id; 0 when there is none.
  int GetMaterial(int id, KMaterialRecord& record) const;
  // The keywords and values the material file of the grade carries, in file order, without
  // "PLASTIC_MODEL"; empty when there is no such grade.
  std::vector<std::pair<std::string, std::string>> GetMaterialKeywords(int id) const;

  // Reads a material keyword file and adds its grade (it must name a supplier and a grade) to
  // the user database, replacing a user grade of the same supplier and grade. An export file of
  // user grades ("ktpm materials export") adds all of its grades, in one transaction. The id of
  // the (first) grade, or 0 on failure.
  int ImportMatKeywordFile(const std::string& materialFile);

  // What went wrong in the last call that failed; empty after a call that succeeded.
  const std::string& GetLastError() const { return m_lastError; }

  // The database file used by every KMatSearch of the process. An explicit path must name an
  // existing database; an empty path returns to the profile setting or the default.
  static void SetDatabasePath(const std::string& path);
  // The database file in use: the explicit path, else the profile setting, else the default.
  static std::string GetDatabasePath();

 private:
  int m_database = 0;
  std::string m_supplier;
  std::string m_grade;
  std::vector<KSearchRule> m_rules;
  std::vector<int> m_searchDatabases;
  mutable std::string m_lastError;
};

class KMatPrefs {
 public:
  // 1 when materials are named by manufacturer and trade name, 0 when by supplier and grade
  // (the default). Read from the profile (section "Materials", key "NameByManufacturer").
  static int GetMaterialPrefences();
  // Stores the choice in the profile; 1 on success.
  static int SetMaterialPrefences(int byManufacturer);
};
