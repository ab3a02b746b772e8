#include <ktpm/matlib/SqlStatement.h>

namespace ktpm::detail {

SqlConnection& SqlConnection::operator=(SqlConnection&& other) noexcept {
  if (this != &other) {
    Close();
    m_handle = other.m_handle;
    other.m_handle = nullptr;
  }
  return *this;
}

void SqlConnection::Close() {
  if (m_handle != nullptr) {
    // Every statement is finalised by its owner before the connection goes, so close_v2 only
    // ever has to release the handle itself.
    sqlite3_close_v2(m_handle);
    m_handle = nullptr;
  }
}

bool SqlConnection::Execute(const std::string& sql, std::string* error) {
  if (m_handle == nullptr) {
    if (error != nullptr) *error = ErrorText();
    return false;
  }
  char* message = nullptr;
  const int status = sqlite3_exec(m_handle, sql.c_str(), nullptr, nullptr, &message);
  if (status != SQLITE_OK && error != nullptr) {
    *error = message != nullptr ? message : sqlite3_errstr(status);
  }
  sqlite3_free(message);
  return status == SQLITE_OK;
}

std::string SqlConnection::ErrorText() const {
  if (m_handle == nullptr) return "database is not open";
  return sqlite3_errmsg(m_handle);
}

SqlStatement::SqlStatement(const SqlConnection& connection, const char* sql) {
  if (connection.IsOpen() &&
      sqlite3_prepare_v2(connection.Get(), sql, -1, &m_statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
  }
}

SqlStatement::~SqlStatement() { sqlite3_finalize(m_statement); }

bool SqlStatement::Bind(int index, const std::string& text) {
  return m_statement != nullptr &&
         sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                           SQLITE_TRANSIENT) == SQLITE_OK;
}

bool SqlStatement::Bind(int index, int64_t value) {
  return m_statement != nullptr && sqlite3_bind_int64(m_statement, index, value) == SQLITE_OK;
}

bool SqlStatement::Step() {
  if (m_statement == nullptr) {
    m_failed = true;
    return false;
  }
  const int status = sqlite3_step(m_statement);
  if (status == SQLITE_ROW) return true;
  m_failed = status != SQLITE_DONE;
  return false;
}

bool SqlStatement::Run() {
  Step();
  return !m_failed;
}

void SqlStatement::Reset() {
  sqlite3_reset(m_statement);
  sqlite3_clear_bindings(m_statement);
  m_failed = false;
}

std::string SqlStatement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(m_statement, column);
  if (text == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<size_t>(sqlite3_column_bytes(m_statement, column)));
}

int64_t SqlStatement::Integer(int column) const {
  return sqlite3_column_int64(m_statement, column);
}

int SqlStatement::ColumnCount() const { return sqlite3_column_count(m_statement); }

bool SqlStatement::IsNull(int column) const {
  return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

}  // namespace ktpm::detail
