// Feeds arbitrary bytes to KKeywordFile as a file and checks what it read three ways:
// - no crash, overread or leak (the sanitizers);
// - the saved file equals the one a plain, unoptimised reading of the same rules would write, and
//   the line splitting with the smallest read chunk equals a plain split of the whole input;
// - the saved file reads back the same.
// Inputs with 3D flow keywords are left out of the comparisons: their conversion is the reader's
// own business, and a converted value may look old again to the next reading.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/keyword/LineReader.h>

namespace {

std::string ScratchPath(const char* name) {
  static const std::string directory = [] {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("ktpm-keyword-fuzz-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(path);
    return path.string();
  }();
  return directory + "/" + name;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of text, split one character at a time: "\n" ends a line, and so does "\r" unless
// another "\r" or "\n" follows it (that one is dropped); the last line needs no line end.
std::vector<std::string> PlainLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool next = i + 1 < text.size();
    if (c == '\n' || (c == '\r' && next && text[i + 1] != '\r' && text[i + 1] != '\n')) {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string Trimmed(std::string text, bool front, bool back) {
  const char* space = " \t\r\n\v\f";
  if (back) text.erase(text.find_last_not_of(space) + 1);
  if (front) text.erase(0, text.find_first_not_of(space));
  return text;
}

// The decimal number at the start of text (sign, digits, point, digits, exponent), as strtod
// would read it were it not to take hexadecimal numbers, infinities and NaNs as well.
std::string DecimalPrefix(const std::string& text) {
  std::size_t end = 0;
  auto digits = [&] {
    std::size_t start = end;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    return end - start;
  };
  if (end < text.size() && (text[end] == '-' || text[end] == '+')) ++end;
  std::size_t mantissa = digits();
  if (end < text.size() && text[end] == '.') {
    ++end;
    mantissa += digits();
  }
  if (mantissa == 0) return "";
  std::size_t beforeExponent = end;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    ++end;
    if (end < text.size() && (text[end] == '-' || text[end] == '+')) ++end;
    if (digits() == 0) end = beforeExponent;
  }
  return text.substr(0, end);
}

bool IsMarker(const std::string& value) {
  std::string text = Trimmed(value, true, false);
  if (text.empty() || text[0] != '-') return false;
  // Integer reading: "-", zeros, then the digits 16384 and no further digit.
  std::size_t digits = text.find_first_not_of('0', 1);
  if (digits != std::string::npos && text.compare(digits, 5, "16384") == 0 &&
      (digits + 5 == text.size() || text[digits + 5] < '0' || text[digits + 5] > '9')) {
    return true;
  }
  std::string number = DecimalPrefix(text);
  return !number.empty() && std::strtod(number.c_str(), nullptr) == -16384.0;
}

// The file Save writes after Load of text, by the reading and writing rules step by step.
std::string PlainLoadAndSave(std::string_view text) {
  std::vector<std::string> lines = PlainLines(text);
  std::vector<std::pair<std::string, std::string>> slots;
  std::map<std::string, std::size_t> index;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    std::string line = lines[n].substr(0, lines[n].find('\0'));
    if (line.empty() || line[0] == '#') continue;
    line = Trimmed(line, false, true);
    std::size_t colon = line.find(':');
    if (colon == std::string::npos || IsMarker(line.substr(colon + 1))) continue;
    std::string keyword = line.substr(0, colon);
    std::string value = Trimmed(line.substr(colon + 1), true, false);
    while (!line.empty() && line.back() == '\\' && n + 1 < lines.size()) {
      line = Trimmed(lines[++n].substr(0, lines[n].find('\0')), false, true);
      value += "\n" + line;
    }
    auto [it, added] = index.emplace(keyword, slots.size());
    if (added) slots.emplace_back(keyword, value);
    slots[it->second].second = value;
  }
  std::string out;
  bool openContinuation = false;
  for (const auto& [keyword, value] : slots) {
    if (value.empty() || keyword[0] == '_') continue;
    if (openContinuation) out += '\n';
    out += keyword + ": " + value + "\n";
    openContinuation = value.back() == '\\';
  }
  return out;
}

std::vector<std::string> ReaderLines(const std::string& path) {
  std::vector<std::string> lines;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return lines;
  ktpm::detail::LineReader reader(file, 1);
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  std::fclose(file);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = ScratchPath("input.kwd");
  const std::string first = ScratchPath("first.kwd");
  const std::string second = ScratchPath("second.kwd");
  std::FILE* file = std::fopen(input.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  if (ReaderLines(input) != PlainLines(bytes)) __builtin_trap();

  KKeywordFile keywords;
  keywords.Load(input);
  keywords.GetValue("3DFLOW_ANALYSIS_AIM");
  if (keywords.Save(first) != 1) __builtin_trap();
  KKeywordFile again;
  again.Load(first);
  again.SetValue("_INTERNAL", "1");
  if (again.Save(second) != 1) __builtin_trap();

  if (bytes.find("3DFLOW_") != std::string_view::npos) return 0;
  const std::string saved = ReadBytes(first);
  if (saved != PlainLoadAndSave(bytes)) __builtin_trap();
  if (ReadBytes(second) != saved) __builtin_trap();
  return 0;
}
