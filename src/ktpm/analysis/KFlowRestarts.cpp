#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include <ktpm/analysis/KFlowRestarts.h>
#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/mesh/UnitNames.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/LocaleFreeNumbers.h>
#include <ktpm/platform/PathResolver.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/platform/ProcessRun.h>
#include <ktpm/platform/Resources.h>

namespace {

constexpr int kEndOfFillText = 18017;
constexpr int kEndOfPackText = 18018;
constexpr int kEndOfCureText = 18019;
constexpr int kFillRestartText = 18023;
constexpr int kPackingPhaseText = 18066;
constexpr int kPackRestartText = 18067;
constexpr int kPercentFullText = 18068;
constexpr int kCuringPhaseText = 18126;
// Unit id of time in the unit name table.
constexpr unsigned kTimeUnitId = 1;
// The string table hands texts to a buffer of 128 characters.
constexpr std::size_t kMaxTextLength = 127;

std::string LoadText(int id) {
  std::string text = GetResourceString(id);
  if (text.size() > kMaxTextLength) text.resize(kMaxTextLength);
  return text;
}

// Formats one printf conversion ("%d", "%.2f", ...) of a string-table text with its single
// argument. A client may replace the texts, so the text is never handed to printf as a whole:
// only a conversion that is well formed and of the kind the argument has is formatted, "%%"
// gives "%", and anything else is copied as it stands.
std::string FormatText(const std::string& format, double value, bool integer) {
  std::string out;
  bool used = false;
  std::size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    std::size_t j = i + 1;
    while (j < format.size() && std::string_view("-+ #0").find(format[j]) != std::string::npos) {
      ++j;
    }
    std::size_t digits = 0;
    while (j < format.size() && format[j] >= '0' && format[j] <= '9' && digits < 2) ++j, ++digits;
    if (j < format.size() && format[j] == '.') {
      ++j;
      digits = 0;
      while (j < format.size() && format[j] >= '0' && format[j] <= '9' && digits < 2) {
        ++j, ++digits;
      }
    }
    const char conversion = j < format.size() ? format[j] : '\0';
    const bool fits = integer ? (conversion == 'd' || conversion == 'i')
                              : (conversion == 'f' || conversion == 'F' || conversion == 'e' ||
                                 conversion == 'g');
    if (used || !fits) {
      out += c;
      ++i;
      continue;
    }
    const std::string conversionText = format.substr(i, j + 1 - i);
    if (integer) {
      // An integer conversion without the "'" flag does not depend on the locale.
      char buffer[128];
      const int n =
          std::snprintf(buffer, sizeof buffer, conversionText.c_str(), static_cast<int>(value));
      if (n > 0)
        out.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
    } else {
      // Times and fractions show a "." whatever the host's locale, as the texts are written.
      ktpm::detail::FormatRealConversion(conversionText, value, out);
    }
    used = true;
    i = j + 1;
  }
  return out;
}

// atoi of the text, clamped to the int range instead of overflowing.
int ParseLeadingInt(const std::string& text) {
  const long value = std::strtol(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

// The first integer of a restart number, negated, without ever negating INT_MIN.
double NegatedNumber(int number) { return -static_cast<double>(number); }

// Restart numbers come back from a double that holds a negated int.
int RestartNumber(double first) {
  const double number = -first;
  if (number >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (number <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(number);
}

// "%.2f <time unit> - ", built once per process on first use.
const std::string& GetTimePrefixFormat() {
  static const std::string format = [] {
    std::string unit;
    GetUnitName(kTimeUnitId, GetUnitSystem(), unit);
    return "%.2f " + unit + " - ";
  }();
  return format;
}

std::string RestartFileName(const std::string& base, const char* series, int number) {
  return base + "." + series + std::to_string(number);
}

// Runs a conversion program in the current directory and waits for it; its exit status is not
// read. The command line is split into arguments without a shell, so no part of a file name
// can start another command.
void RunLocalProgram(const std::string& commandLine) {
  ktpm::detail::RunCommandLineAndWait(commandLine);
}

// The modification time of a file (found without regard to case); false when it cannot be read.
bool GetModificationTime(const std::string& path, std::filesystem::file_time_type& time) {
  std::error_code error;
  const std::filesystem::path resolved(ktpm::detail::ResolvePath(path));
  if (!std::filesystem::is_regular_file(resolved, error)) return false;
  time = std::filesystem::last_write_time(resolved, error);
  return !error;
}

std::vector<double> ParseNumbers(const std::string& text) {
  std::vector<double> numbers;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\n') ++i;
    if (i > start) {
      // Written by the 3D solver with a "."; a token that is not a number counts as 0.
      double number = 0.0;
      ktpm::detail::ParseDouble(std::string_view(text).substr(start, i - start), number);
      numbers.push_back(number);
    }
  }
  return numbers;
}

}  // namespace

// --- KFlowRestarts ------------------------------------------------------------------------------

KFlowRestarts::KFlowRestarts(const std::string& resultFile) {
  const std::string base = KFileEntry(resultFile).GetPathWithoutExtension();
  auto add = [this](const std::string& name) {
    m_points.push_back(GetRestartInfo(name));
    m_fileNames.push_back(name);
  };
  // Numbers 1 to 9, then 0: the restart written last is number 0.
  for (int i = 1; i <= 10; ++i) {
    const std::string name = RestartFileName(base, "fr", i % 10);
    if (KFileEntry(name).Exists()) add(name);
  }
  // The packing series, unless its first missing file is found as a curing restart: then the
  // rest of the series is read as curing restarts.
  const char* series = "pr";
  for (int i = 1; i <= 10; ++i) {
    const std::string name = RestartFileName(base, series, i % 10);
    if (KFileEntry(name).Exists()) {
      add(name);
    } else if (m_curing == 0) {
      const std::string curingName = RestartFileName(base, "kr", i % 10);
      if (KFileEntry(curingName).Exists()) {
        m_curing = 1;
        series = "kr";
        add(curingName);
      }
    }
  }
}

void KFlowRestarts::GenerateKeywordFile(int index, const std::string& output) {
  if (index < 0 || index >= GetCount()) return;
  RunLocalProgram("ktl -restokey -input " + GetFilename(index) + " -output " + output + " -gui");
}

std::string KFlowRestarts::GetFilename(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_fileNames.size()) return std::string();
  return m_fileNames[static_cast<std::size_t>(index)];
}

std::string KFlowRestarts::GetDescription(int index) {
  if (index < 0 || index >= GetCount()) return std::string();
  return FormatRestartInfo(m_points[static_cast<std::size_t>(index)], m_curing);
}

std::string KFlowRestarts::GetDescription(const std::string& fileName) {
  const int curing = fileName.find(".kr") != std::string::npos ? 1 : 0;
  return FormatRestartInfo(GetRestartInfo(fileName), curing);
}

int KFlowRestarts::GetIndexByFilename(const std::string& fileName) {
  for (std::size_t i = 0; i < m_fileNames.size(); ++i) {
    if (ktpm::detail::EqualsNoCase(m_fileNames[i], fileName)) return static_cast<int>(i);
  }
  return -1;
}

int KFlowRestarts::GetType(int index) {
  const ValuePair point = GetPoint(index);
  if (point.second == 1.0) return 0;
  if (point.second == -1.0) return 1;
  return -1;
}

ValuePair KFlowRestarts::GetPoint(int index) const {
  if (index < 0 || index >= GetCount()) return ValuePair();
  return m_points[static_cast<std::size_t>(index)];
}

ValuePair KFlowRestarts::GetRestartInfo(const std::string& fileName) {
  // The restart kind and number are in the extension ("fr3", "pr0", "kr2"). The extension starts
  // after the last "." of the name itself, so that a base name or directory with dots in it
  // ("part.v2.fr1") still reads as the restart it is.
  const std::size_t separator = ktpm::detail::FindLastSeparator(fileName);
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
    return ValuePair{-1.0, -1.0};
  }
  const std::string text = fileName.substr(dot + 1);
  if (text == "fr0") return ValuePair{0.0, 1.0};
  const int number = text.size() > 2 ? ParseLeadingInt(text.substr(2)) : 0;
  if (!text.empty() && text[0] == 'f') return ValuePair{NegatedNumber(number), 0.0};
  return ValuePair{NegatedNumber(number), -1.0};
}

std::string KFlowRestarts::FormatRestartInfo(const ValuePair& point, int curing) {
  if (point.first > 0.0) {
    // A 3D restart time: "1.25 sec - 45.00% full", "... - End of fill", "... - Packing phase".
    std::string text = FormatText(GetTimePrefixFormat(), point.first, false);
    if (point.second != 1.0 && point.second != -1.0) {
      text += FormatText(LoadText(kPercentFullText), point.second * 100.0, false);
    } else if (point.second == 1.0) {
      text += LoadText(kEndOfFillText);
    } else {
      text += LoadText(curing ? kCuringPhaseText : kPackingPhaseText);
    }
    return text;
  }
  if (point.second == 1.0) return LoadText(kEndOfFillText);
  const int number = RestartNumber(point.first);
  if (point.second != -1.0) {
    return FormatText(LoadText(kFillRestartText), number, true);
  }
  if (point.first != 0.0) return FormatText(LoadText(kPackRestartText), number, true);
  return LoadText(curing ? kEndOfCureText : kEndOfPackText);
}

// --- KFlow3DRestarts ----------------------------------------------------------------------------

KFlow3DRestarts::KFlow3DRestarts(const std::string& m3rFile) {
  m_fileNames.push_back(m3rFile);
  KKeywordFile times;
  const std::string availFile = GetAvailFile(m3rFile);
  if (!availFile.empty()) times.Load(availFile);
  const std::vector<double> numbers =
      ParseNumbers(times.GetValue("MOLD3D_RESTART_AVAILABLE_TIMES"));
  // Pairs of time and filled fraction; a time without its fraction counts as fraction 0.
  for (std::size_t i = 0; i < numbers.size(); i += 2) {
    m_points.push_back(ValuePair{numbers[i], i + 1 < numbers.size() ? numbers[i + 1] : 0.0});
  }
  if (m_points.empty()) return;
  // The first listed time is the start of the run, not a point to restart from. Every time after
  // the end of filling belongs to the packing phase.
  bool packing = m_points.front().second == 1.0;
  m_points.erase(m_points.begin());
  for (ValuePair& point : m_points) {
    if (packing) {
      point.second = -1.0;
    } else if (point.second == 1.0) {
      packing = true;
    }
  }
}

std::string KFlow3DRestarts::GetAvailFile(const std::string& m3rFile) {
  std::filesystem::file_time_type resultTime;
  if (m3rFile.find('.') == std::string::npos || !GetModificationTime(m3rFile, resultTime)) {
    return std::string();
  }
  KFileEntry avail(m3rFile);
  avail.SetExtension(".099");
  const std::string availFile = avail.GetPath();
  std::filesystem::file_time_type availTime;
  if (avail.Exists() && GetModificationTime(availFile, availTime) && availTime >= resultTime) {
    return availFile;
  }
  if (KDirectoryEntry(".").IsWriteProtected()) return std::string();
  RunLocalProgram("mold3d -m3ravail " + m3rFile + " -output " + availFile);
  return availFile;
}

std::string KFlow3DRestarts::GetFilename(int /*index*/) {
  return m_fileNames.empty() ? std::string() : m_fileNames.front();
}

void KFlow3DRestarts::GenerateKeywordFile(int index, const std::string& output) {
  RunLocalProgram("mold3d -m3rtokey " + GetFilename(index) + " -itime " +
                  std::to_string(static_cast<long long>(index) + 2) + " -output " + output);
}
