#include <exception>

#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/matlib/MaterialBundle.h>
#include <ktpm/matlib/MaterialDatabaseSession.h>
#include <ktpm/matlib/MaterialFile.h>
#include <ktpm/matlib/MaterialKeywords.h>

using ktpm::detail::MaterialDatabase;
using ktpm::detail::MaterialEntry;
using ktpm::detail::UseMaterialDatabase;

namespace {

// Runs a database operation; any failure, including one thrown by the standard library (memory),
// ends as "false" with its reason in error.
template <typename Operation>
bool Attempt(std::string& error, Operation&& operation) {
  error.clear();
  try {
    return operation();
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "unexpected failure";
  }
  return false;
}

}  // namespace

int KMatSearch::GetDBKeywordValue(const std::string& databaseType) const {
  int number = 0;
  Attempt(m_lastError, [&] {
    return UseMaterialDatabase(
        [&](MaterialDatabase& database) {
          number = database.DatabaseNumber(databaseType);
          return number != 0;
        },
        &m_lastError);
  });
  return number;
}

int KMatSearch::FindOldMaterial(const std::string& supplier, const std::string& grade) const {
  int number = 0;
  Attempt(m_lastError, [&] {
    return UseMaterialDatabase(
        [&](MaterialDatabase& database) {
          number = database.DatabaseHolding(supplier, grade);
          return number != 0;
        },
        &m_lastError);
  });
  return number;
}

int KMatSearch::WriteMatKeywordFile(const std::string& materialFile,
                                    const std::string& meshFile) const {
  const bool written = Attempt(m_lastError, [&] {
    MaterialEntry entry;
    const bool found = UseMaterialDatabase(
        [&](MaterialDatabase& database) {
          const int id = database.MaterialId(m_database, m_supplier, m_grade);
          return id != 0 && database.ReadMaterial(id, entry);
        },
        &m_lastError);
    // The file is written outside the database lock: other searches need not wait for it.
    return found &&
           ktpm::detail::WriteMaterialFile(materialFile, meshFile,
                                           ktpm::detail::MaterialFileKeywords(entry), &m_lastError);
  });
  return written ? 1 : 0;
}

std::vector<KMaterialRecord> KMatSearch::Find(int maxResults) const {
  std::vector<KMaterialRecord> found;
  const bool searched = Attempt(m_lastError, [&] {
    return UseMaterialDatabase(
        [&](MaterialDatabase& database) {
          return database.Search(m_rules, m_searchDatabases, maxResults, found);
        },
        &m_lastError);
  });
  if (!searched) found.clear();
  return found;
}

int KMatSearch::GetMaterial(int id, KMaterialRecord& record) const {
  MaterialEntry entry;
  const bool found = Attempt(m_lastError, [&] {
    return UseMaterialDatabase(
        [&](MaterialDatabase& database) { return database.ReadMaterial(id, entry); }, &m_lastError);
  });
  if (found) record = entry.record;
  return found ? 1 : 0;
}

std::vector<std::pair<std::string, std::string>> KMatSearch::GetMaterialKeywords(int id) const {
  std::vector<std::pair<std::string, std::string>> keywords;
  Attempt(m_lastError, [&] {
    MaterialEntry entry;
    if (!UseMaterialDatabase(
            [&](MaterialDatabase& database) { return database.ReadMaterial(id, entry); },
            &m_lastError)) {
      return false;
    }
    keywords = ktpm::detail::MaterialFileKeywords(entry);
    return true;
  });
  return keywords;
}

int KMatSearch::ImportMatKeywordFile(const std::string& materialFile) {
  int id = 0;
  Attempt(m_lastError, [&] {
    std::vector<MaterialEntry> entries;
    if (!ktpm::detail::ReadMaterialsToImport(materialFile, entries, &m_lastError)) return false;
    if (entries.empty()) {
      m_lastError = materialFile + " holds no grades";
      return false;
    }
    return UseMaterialDatabase(
        [&](MaterialDatabase& database) {
          std::vector<int> ids;
          if (!database.StoreUserMaterials(entries, false, ids) || ids.empty()) return false;
          id = ids.front();
          return true;
        },
        &m_lastError);
  });
  return id;
}

void KMatSearch::SetDatabasePath(const std::string& path) {
  try {
    ktpm::detail::SetMaterialDatabasePath(path);
  } catch (...) {
    // Only memory can fail here; the path in use stays as it was.
  }
}

std::string KMatSearch::GetDatabasePath() {
  try {
    return ktpm::detail::ResolveMaterialDatabasePath();
  } catch (...) {
    return std::string();
  }
}
