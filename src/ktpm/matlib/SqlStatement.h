// A prepared SQLite statement and the connection that owns it, as small RAII wrappers.
//
// SqlConnection owns one sqlite3 handle and closes it on destruction; SqlStatement owns one
// prepared statement of a connection that must outlive it. Text is bound and read as 8-bit
// bytes; every failure is a false/empty result, nothing throws. Neither is shared between
// threads: the material database serialises access to its one connection.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace ktpm::detail {

class SqlConnection {
 public:
  SqlConnection() = default;
  explicit SqlConnection(sqlite3* handle) : m_handle(handle) {}
  SqlConnection(const SqlConnection&) = delete;
  SqlConnection& operator=(const SqlConnection&) = delete;
  SqlConnection(SqlConnection&& other) noexcept : m_handle(other.m_handle) {
    other.m_handle = nullptr;
  }
  SqlConnection& operator=(SqlConnection&& other) noexcept;
  ~SqlConnection() { Close(); }

  sqlite3* Get() const { return m_handle; }
  bool IsOpen() const { return m_handle != nullptr; }
  void Close();

  // Runs statements that take no parameters (schema, pragmas, a seed script).
  bool Execute(const std::string& sql, std::string* error = nullptr);
  // The connection's last error text; "database is not open" without a connection.
  std::string ErrorText() const;

 private:
  sqlite3* m_handle = nullptr;
};

class SqlStatement {
 public:
  SqlStatement(const SqlConnection& connection, const char* sql);
  SqlStatement(const SqlStatement&) = delete;
  SqlStatement& operator=(const SqlStatement&) = delete;
  ~SqlStatement();

  bool IsValid() const { return m_statement != nullptr; }

  // Parameters are numbered from 1, as in SQLite.
  bool Bind(int index, const std::string& text);
  bool Bind(int index, int64_t value);

  // Advances to the next row: true with a row, false at the end or on an error (see Failed).
  bool Step();
  // True when the last Step ended on an error rather than at the end of the rows.
  bool Failed() const { return m_failed; }
  // Runs a statement that returns no rows; true when it completed.
  bool Run();
  // Makes the statement ready to run again with new parameters (the old ones are cleared).
  void Reset();

  // Columns are numbered from 0. A NULL column reads as "" or 0.
  std::string Text(int column) const;
  int64_t Integer(int column) const;
  bool IsNull(int column) const;
  int ColumnCount() const;

 private:
  sqlite3_stmt* m_statement = nullptr;
  bool m_failed = false;
};

}  // namespace ktpm::detail
