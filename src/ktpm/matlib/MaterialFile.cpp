#include <algorithm>
#include <limits>
#include <memory>
#include <set>
#include <string_view>

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/keyword/LineReader.h>
#include <ktpm/matlib/MaterialFile.h>
#include <ktpm/matlib/MaterialKeywords.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/MappedFile.h>
#include <ktpm/platform/PathResolver.h>
#include <ktpm/platform/PathText.h>

namespace ktpm::detail {
namespace {

// A keyword that would not read back as itself: empty, a comment, or one that holds the
// separator or a line break.
bool IsWritableKeyword(const std::string& keyword) {
  return !keyword.empty() && keyword.front() != '#' && keyword.front() != '_' &&
         keyword.find_first_of(":\r\n") == std::string::npos;
}

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The keyword of every entry line, in file order, without repeats. Lines that continue a value
// may look like entries; the keyword file itself decides which names are real keywords.
std::vector<std::string> KeywordOrder(const std::string& path) {
  std::vector<std::string> order;
  std::unique_ptr<std::FILE, CloseFile> file(MappedFopen(path, "r"));
  if (file == nullptr) return order;
  std::set<std::string, std::less<>> seen;
  LineReader reader(file.get());
  std::string_view line;
  while (reader.Next(line)) {
    if (line.empty() || line.front() == '#') continue;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string keyword(line.substr(0, colon));
    if (seen.insert(keyword).second) order.push_back(std::move(keyword));
  }
  return order;
}

// The counter text's value as the C library's atoi reads it (leading blanks, an optional sign,
// digits), held within the range of int as the counter file's reader holds it.
int64_t CounterValue(std::string_view text) {
  constexpr int64_t kMax = std::numeric_limits<int>::max();
  constexpr int64_t kMin = std::numeric_limits<int>::min();
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > kMax) return negative ? kMin : kMax;
  }
  return negative ? -value : value;
}

}  // namespace

int64_t ReadMaterialFileCounter() {
  std::unique_ptr<std::FILE, CloseFile> file(MappedFopen("keltravo.ctr", "r"));
  if (file == nullptr) return 1;
  // The counter's first line, as far as the first 79 characters.
  char line[80] = {};
  if (std::fgets(line, sizeof line, file.get()) == nullptr) line[0] = '\0';
  return CounterValue(line);
}

std::string NextMaterialFileName(const std::string& inputFile, int64_t* counter) {
  std::string base = inputFile.substr(FindLastSeparator(inputFile) + 1);
  const size_t dot = base.rfind('.');
  if (dot != std::string::npos) base.resize(dot);
  // Trailing digits go, unless every character after the first is one.
  for (size_t end = base.size(); end > 1; --end) {
    if (base[end - 1] < '0' || base[end - 1] > '9') {
      base.resize(end);
      break;
    }
  }
  base = ToLowerAscii(base);
  const auto listing = GetFoldedListing("");
  int64_t next = *counter;
  std::string candidate;
  do {
    candidate = base + std::to_string(next++);
  } while (listing->HasStem(candidate));
  // The counter file is read back within the range of int.
  *counter = std::min<int64_t>(next, std::numeric_limits<int>::max());
  return candidate + ".md3";
}

bool WriteMaterialFile(const std::string& path, const std::string& meshFile,
                       const MaterialKeywordList& keywords, std::string* error) {
  if (path.empty()) {
    if (error != nullptr) *error = "no material file name";
    return false;
  }
  KFileEntry target(path);
  if (target.Exists() && target.IsWriteProtected()) {
    if (error != nullptr) *error = path + " is write-protected";
    return false;
  }
  KKeywordFile file;
  if (!meshFile.empty()) file.SetValue(kMeshKeyword, meshFile);
  for (const auto& [keyword, value] : keywords) {
    if (IsWritableKeyword(keyword)) file.SetValue(keyword, value);
  }
  // Save replaces the file through a hidden temporary beside it, which the project's directory
  // watcher does not take for a side file of the material node.
  if (file.Save(path) != 0) return true;
  if (error != nullptr) *error = "cannot write " + path;
  return false;
}

bool ReadMaterialFile(const std::string& path, MaterialKeywordList& keywords, std::string* error) {
  keywords.clear();
  if (!KFileEntry(path).Exists()) {
    if (error != nullptr) *error = "cannot read " + path;
    return false;
  }
  KKeywordFile file;
  file.Load(path);
  for (const std::string& keyword : KeywordOrder(path)) {
    if (file.HasKeyword(keyword) != 0) keywords.emplace_back(keyword, file.GetValue(keyword));
  }
  return true;
}

}  // namespace ktpm::detail
