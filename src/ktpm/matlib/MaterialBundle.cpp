#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <ktpm/matlib/MaterialBundle.h>
#include <ktpm/matlib/MaterialFile.h>
#include <ktpm/matlib/MaterialKeywords.h>
#include <ktpm/platform/KFileEntry.h>

namespace ktpm::detail {
namespace {

// An export file holds the grades of one user; anything larger is not one.
constexpr std::uintmax_t kMaxBundleBytes = 64u << 20;
// As many keywords as the database reads back for one grade.
constexpr size_t kMaxKeywordsPerGrade = 4096;

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

// The identity keywords a grade's block starts with, as a material file names them.
MaterialKeywordList IdentityKeywords(const MaterialEntry& entry) {
  const std::pair<const char*, const std::string*> fields[] = {
      {"MATERIAL_DATABASE_TYPE", &entry.record.databaseType},
      {"MATERIAL_SUPPLIER", &entry.record.supplier},
      {"MATERIAL_GRADE", &entry.record.grade},
      {"MATERIAL_MANUFACTURER", &entry.record.manufacturer},
      {"MATERIAL_TRADE_NAME", &entry.record.tradeName},
      {"MATERIAL_FAMILY", &entry.record.family},
      {"MATERIAL_FILLER", &entry.filler}};
  MaterialKeywordList keywords;
  for (const auto& [keyword, value] : fields) {
    if (!value->empty()) keywords.emplace_back(keyword, *value);
  }
  return keywords;
}

// Escapes what would not read back: a backslash, control characters and, in a keyword, a colon
// or a leading "#" (the line would be a comment).
void AppendEscaped(std::string& out, std::string_view text, bool isKeyword) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (byte < 0x20 || byte == 0x7F || (isKeyword && (c == ':' || (i == 0 && c == '#')))) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 &&
               HexDigit(text[i + 3]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else {
      return false;
    }
  }
  return true;
}

// Ends the grade being read (if any): it must name a supplier and a grade.
bool FinishGrade(MaterialKeywordList& keywords, size_t firstLine,
                 std::vector<MaterialEntry>& entries, std::string* error) {
  if (keywords.empty()) return true;
  MaterialEntry entry = MaterialEntryFromKeywords(keywords);
  keywords.clear();
  if (entry.record.supplier.empty() || entry.record.grade.empty()) {
    SetError(error,
             "line " + std::to_string(firstLine) + ": the grade names no supplier and grade");
    return false;
  }
  entries.push_back(std::move(entry));
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& text, std::string* error) {
  std::error_code code;
  const std::uintmax_t size = std::filesystem::file_size(path, code);
  if (!code && size > kMaxBundleBytes) {
    SetError(error, path + " is too large for a material export file");
    return false;
  }
  std::ifstream in;
  if (!code) in.open(path, std::ios::binary);
  if (in.is_open()) {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.good() || in.eof()) return true;
  }
  SetError(error, "cannot read " + path);
  return false;
}

// A hidden name beside path, so that the project's directory watcher takes the half-written
// file for no file of its own.
std::string HiddenSibling(const std::string& path) {
  std::random_device random;
  const std::filesystem::path target(path);
  // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on "." + std::string at -O3.
  std::string name(1, '.');
  name.append(target.filename().string()).append(".tmp-").append(std::to_string(random()));
  return (target.parent_path() / name).string();
}

}  // namespace

std::string FormatMaterialBundle(const std::vector<MaterialEntry>& entries) {
  std::string text(kMaterialBundleHeader);
  text += "\n# " + std::to_string(entries.size()) + (entries.size() == 1 ? " grade" : " grades") +
          " imported by the user; \"ktpm materials import\" reads them back.\n";
  for (const MaterialEntry& entry : entries) {
    text += "\n";
    MaterialKeywordList keywords = IdentityKeywords(entry);
    keywords.insert(keywords.end(), entry.keywords.begin(), entry.keywords.end());
    for (const auto& [keyword, value] : keywords) {
      AppendEscaped(text, keyword, true);
      text += ": ";
      AppendEscaped(text, value, false);
      text += "\n";
    }
  }
  return text;
}

bool IsMaterialBundle(std::string_view text) {
  if (text.substr(0, kMaterialBundleHeader.size()) != kMaterialBundleHeader) return false;
  text.remove_prefix(kMaterialBundleHeader.size());
  return text.empty() || text.front() == '\n' || text.front() == '\r';
}

bool ParseMaterialBundle(std::string_view text, std::vector<MaterialEntry>& entries,
                         std::string* error) {
  entries.clear();
  MaterialKeywordList keywords;
  size_t lineNumber = 0;
  size_t gradeLine = 0;
  std::string keyword, value;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == '#') continue;
    if (line.empty()) {
      if (!FinishGrade(keywords, gradeLine, entries, error)) return false;
      continue;
    }
    const size_t colon = line.find(':');
    std::string_view rawValue = colon == std::string_view::npos ? "" : line.substr(colon + 1);
    if (!rawValue.empty() && rawValue.front() == ' ') rawValue.remove_prefix(1);
    if (colon == std::string_view::npos || !Unescape(line.substr(0, colon), keyword) ||
        !Unescape(rawValue, value)) {
      SetError(error, "line " + std::to_string(lineNumber) + ": not a \"KEYWORD: value\" entry");
      return false;
    }
    if (keywords.empty()) gradeLine = lineNumber;
    if (keywords.size() == kMaxKeywordsPerGrade) {
      SetError(error, "line " + std::to_string(lineNumber) + ": too many keywords for one grade");
      return false;
    }
    keywords.emplace_back(keyword, value);
  }
  return FinishGrade(keywords, gradeLine, entries, error);
}

bool ReadMaterialsToImport(const std::string& path, std::vector<MaterialEntry>& entries,
                           std::string* error) {
  entries.clear();
  std::string start(kMaterialBundleHeader.size() + 1, '\0');
  {
    std::ifstream in(path, std::ios::binary);
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<size_t>(in.gcount()));
  }
  if (IsMaterialBundle(start)) {
    std::string text, reason;
    if (!ReadWholeFile(path, text, error)) return false;
    if (ParseMaterialBundle(text, entries, &reason)) return true;
    SetError(error, path + ", " + reason);
    return false;
  }
  MaterialKeywordList keywords;
  if (!ReadMaterialFile(path, keywords, error)) return false;
  MaterialEntry entry = MaterialEntryFromKeywords(keywords);
  if (entry.record.supplier.empty() || entry.record.grade.empty()) {
    SetError(error, path + " names no material supplier and grade");
    return false;
  }
  entries.push_back(std::move(entry));
  return true;
}

bool WriteFileReplacing(const std::string& path, const std::string& text, std::string* error) {
  if (path.empty()) {
    SetError(error, "no file name");
    return false;
  }
  KFileEntry target(path);
  if (target.Exists() && target.IsWriteProtected()) {
    SetError(error, path + " is write-protected");
    return false;
  }
  const std::string temporary = HiddenSibling(path);
  bool written = false;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (out.is_open()) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      out.close();
      written = !out.fail();
    }
  }
  std::error_code code;
  if (written) {
    std::filesystem::rename(temporary, path, code);
    if (!code) return true;
  }
  SetError(error, "cannot write " + path + (code ? ": " + code.message() : std::string()));
  std::filesystem::remove(temporary, code);
  return false;
}

}  // namespace ktpm::detail
