// Turns search rules into one parameterised SELECT over the material database.
//
// The SQL text is put together only from fixed fragments chosen by the rule's field and
// operator; every value reaches SQLite as a bound parameter, and "CONTAINS" escapes "%", "_"
// and "\" so that they match themselves. Substring searches of three or more ASCII characters
// are narrowed through the trigram index before the exact LIKE test. A value object made on the
// stack for one search; no state is shared.
#pragma once

#include <string>
#include <vector>

#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/matlib/SqlStatement.h>

namespace ktpm::detail {

class MaterialQuery {
 public:
  // Builds the query; false (with error text) when a rule names an unknown field or operator.
  bool Build(const std::vector<KSearchRule>& rules, const std::vector<int>& databases,
             int maxResults, std::string* error);

  const std::string& Sql() const { return m_sql; }
  // Binds the values collected by Build to a statement prepared from Sql().
  bool BindTo(SqlStatement& statement) const;

 private:
  struct Parameter {
    bool isText = true;
    std::string text;
    long long integer = 0;
  };

  bool AddRule(const KSearchRule& rule, std::string* error);
  void AddCondition(const char* column, bool contains, const std::string& value);
  void AddTextIndexCondition(const char* column, const std::string& value);
  // Adds a parameter and returns its placeholder, "?<n>".
  std::string AddText(const std::string& value);
  std::string AddInteger(long long value);

  std::string m_sql;
  std::vector<Parameter> m_parameters;
};

// The LIKE pattern that finds value anywhere in a text, with "\" as the escape character.
std::string ContainsPattern(const std::string& value);

// The columns of the searched fields, in "material_text" order. Shared with the search of
// the full-text index.
inline constexpr const char* kTextColumns[] = {"supplier", "grade", "manufacturer", "trade_name",
                                               "family"};

}  // namespace ktpm::detail
