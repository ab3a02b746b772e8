#include <algorithm>
#include <cctype>
#include <iterator>

#include <ktpm/matlib/MaterialQuery.h>

namespace ktpm::detail {
namespace {

constexpr const char* kSelect =
    "SELECT m.id, m.database_id, d.type, m.supplier, m.grade, m.manufacturer, m.trade_name, "
    "m.family FROM materials m LEFT JOIN databases d ON d.id = m.database_id WHERE 1";

// The trigram index cannot find substrings shorter than three characters.
constexpr size_t kShortestIndexedText = 3;

// A searchable field: its column in the query and in the text index (none for the type).
struct FieldColumn {
  const char* field;
  const char* column;
  const char* textColumn;
};

constexpr FieldColumn kFields[] = {
    {"SUPPLIER", "m.supplier", "supplier"},
    {"GRADE", "m.grade", "grade"},
    {"MANUFACTURER", "m.manufacturer", "manufacturer"},
    {"TRADE_NAME", "m.trade_name", "trade_name"},
    {"FAMILY", "m.family", "family"},
    {"DATABASE_TYPE", "d.type", nullptr},
};

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

// The trigram tokenizer folds case beyond ASCII and reads bytes as UTF-8; only plain ASCII text
// is sure to be found by it whenever LIKE finds it.
bool IsIndexableText(const std::string& value) {
  return value.size() >= kShortestIndexedText &&
         std::all_of(value.begin(), value.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80 && c != '\0'; });
}

// A full-text query for the value as one literal phrase, limited to a column unless it is null.
std::string PhraseQuery(const char* column, const std::string& value) {
  std::string phrase = "\"";
  for (char c : value) {
    if (c == '"') phrase += '"';
    phrase += c;
  }
  phrase += '"';
  if (column == nullptr) return phrase;
  return std::string(column) + " : " + phrase;
}

// "?<n>", the placeholder of the n-th parameter.
std::string Placeholder(size_t n) {
  std::string placeholder(1, '?');
  placeholder.append(std::to_string(n));
  return placeholder;
}

}  // namespace

std::string ContainsPattern(const std::string& value) {
  std::string pattern = "%";
  for (char c : value) {
    if (c == '%' || c == '_' || c == '\\') pattern += '\\';
    pattern += c;
  }
  pattern += '%';
  return pattern;
}

bool MaterialQuery::Build(const std::vector<KSearchRule>& rules, const std::vector<int>& databases,
                          int maxResults, std::string* error) {
  m_sql = kSelect;
  m_parameters.clear();
  for (const KSearchRule& rule : rules) {
    if (!AddRule(rule, error)) return false;
  }
  if (!databases.empty()) {
    m_sql += " AND m.database_id IN (";
    for (size_t i = 0; i < databases.size(); ++i) {
      if (i > 0) m_sql += ", ";
      m_sql += AddInteger(databases[i]);
    }
    m_sql += ")";
  }
  m_sql += " ORDER BY m.id";
  if (maxResults > 0) m_sql += " LIMIT " + AddInteger(maxResults);
  return true;
}

bool MaterialQuery::AddRule(const KSearchRule& rule, std::string* error) {
  bool contains = false;
  if (EqualsIgnoringCase(rule.op, "CONTAINS")) {
    contains = true;
  } else if (!EqualsIgnoringCase(rule.op, "EQUALS")) {
    if (error != nullptr) *error = "unknown search operator \"" + rule.op + "\"";
    return false;
  }
  if (EqualsIgnoringCase(rule.field, "ANY")) {
    m_sql += " AND (0";
    const std::string placeholder = AddText(contains ? ContainsPattern(rule.value) : rule.value);
    for (const char* column : kTextColumns) {
      m_sql += std::string(" OR m.") + column + (contains ? " LIKE " : " = ") + placeholder;
      if (contains) m_sql += " ESCAPE '\\'";
    }
    m_sql += ")";
    if (contains) AddTextIndexCondition(nullptr, rule.value);
    return true;
  }
  const auto field =
      std::find_if(std::begin(kFields), std::end(kFields),
                   [&](const FieldColumn& f) { return EqualsIgnoringCase(rule.field, f.field); });
  if (field == std::end(kFields)) {
    if (error != nullptr) *error = "unknown search field \"" + rule.field + "\"";
    return false;
  }
  AddCondition(field->column, contains, rule.value);
  if (contains && field->textColumn != nullptr) {
    AddTextIndexCondition(field->textColumn, rule.value);
  }
  return true;
}

void MaterialQuery::AddCondition(const char* column, bool contains, const std::string& value) {
  if (contains) {
    m_sql +=
        std::string(" AND ") + column + " LIKE " + AddText(ContainsPattern(value)) + " ESCAPE '\\'";
  } else {
    m_sql += std::string(" AND ") + column + " = " + AddText(value);
  }
}

void MaterialQuery::AddTextIndexCondition(const char* column, const std::string& value) {
  if (!IsIndexableText(value)) return;
  m_sql += " AND m.id IN (SELECT rowid FROM material_text WHERE material_text MATCH " +
           AddText(PhraseQuery(column, value)) + ")";
}

std::string MaterialQuery::AddText(const std::string& value) {
  m_parameters.push_back({true, value, 0});
  return Placeholder(m_parameters.size());
}

std::string MaterialQuery::AddInteger(long long value) {
  m_parameters.push_back({false, std::string(), value});
  return Placeholder(m_parameters.size());
}

bool MaterialQuery::BindTo(SqlStatement& statement) const {
  for (size_t i = 0; i < m_parameters.size(); ++i) {
    const Parameter& parameter = m_parameters[i];
    const int index = static_cast<int>(i + 1);
    const bool bound = parameter.isText ? statement.Bind(index, parameter.text)
                                        : statement.Bind(index, int64_t{parameter.integer});
    if (!bound) return false;
  }
  return true;
}

}  // namespace ktpm::detail
