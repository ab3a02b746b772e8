#include <algorithm>
#include <iterator>

#include <ktpm/matlib/MaterialKeywords.h>

namespace ktpm::detail {
namespace {

// The identity keywords in file order, with the field of the entry each one carries.
struct IdentityKeyword {
  const char* keyword;
  std::string MaterialEntry::*entryField;
  std::string KMaterialRecord::*recordField;
};

constexpr IdentityKeyword kIdentity[] = {
    {"MATERIAL_DATABASE_TYPE", nullptr, &KMaterialRecord::databaseType},
    {"MATERIAL_SUPPLIER", nullptr, &KMaterialRecord::supplier},
    {"MATERIAL_GRADE", nullptr, &KMaterialRecord::grade},
    {"MATERIAL_MANUFACTURER", nullptr, &KMaterialRecord::manufacturer},
    {"MATERIAL_TRADE_NAME", nullptr, &KMaterialRecord::tradeName},
    {"MATERIAL_FAMILY", nullptr, &KMaterialRecord::family},
    {"MATERIAL_FILLER", &MaterialEntry::filler, nullptr},
};

// The field an identity keyword carries, of a const or a mutable entry.
template <typename Entry>
auto& FieldOf(Entry& entry, const IdentityKeyword& identity) {
  return identity.entryField != nullptr ? entry.*identity.entryField
                                        : entry.record.*identity.recordField;
}

// The identity keyword of that name; nullptr for any other keyword.
const IdentityKeyword* FindIdentity(const std::string& keyword) {
  const auto found =
      std::find_if(std::begin(kIdentity), std::end(kIdentity),
                   [&](const IdentityKeyword& identity) { return keyword == identity.keyword; });
  return found != std::end(kIdentity) ? found : nullptr;
}

std::string OneLine(std::string value) {
  std::replace_if(
      value.begin(), value.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return value;
}

}  // namespace

bool IsIdentityKeyword(const std::string& keyword) { return FindIdentity(keyword) != nullptr; }

MaterialKeywordList MaterialFileKeywords(const MaterialEntry& entry) {
  MaterialKeywordList keywords;
  for (const IdentityKeyword& identity : kIdentity) {
    const std::string& value = FieldOf(entry, identity);
    if (!value.empty()) keywords.emplace_back(identity.keyword, OneLine(value));
  }
  for (const auto& [keyword, value] : entry.keywords) {
    if (keyword.empty() || keyword == kMeshKeyword || IsIdentityKeyword(keyword)) continue;
    if (!value.empty()) keywords.emplace_back(OneLine(keyword), OneLine(value));
  }
  return keywords;
}

MaterialEntry MaterialEntryFromKeywords(const MaterialKeywordList& keywords) {
  MaterialEntry entry;
  for (const auto& [keyword, value] : keywords) {
    if (keyword == kMeshKeyword) continue;
    const IdentityKeyword* identity = FindIdentity(keyword);
    if (identity != nullptr) {
      FieldOf(entry, *identity) = value;
    } else {
      entry.keywords.emplace_back(keyword, value);
    }
  }
  return entry;
}

}  // namespace ktpm::detail
