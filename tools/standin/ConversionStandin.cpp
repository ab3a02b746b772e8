#include "ConversionStandin.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "M3File.h"

#include <ktpm/keyword/KKeywordFile.h>

namespace ktpm::standin {

namespace {

// The restart point a restart file stands for, by its extension: "fr", "pr" or "kr" and a
// digit, 0 being the end of the phase.
std::string RestartPoint(const std::string& fileName) {
  std::string extension = ToLower(ExtensionOf(fileName));
  if (extension.size() != 4 || extension[3] < '0' || extension[3] > '9') return {};
  const char* phase = nullptr;
  if (extension.compare(1, 2, "fr") == 0) phase = "FILLING";
  if (extension.compare(1, 2, "pr") == 0) phase = "PACKING";
  if (extension.compare(1, 2, "kr") == 0) phase = "CURING";
  if (!phase) return {};
  return std::string(extension[3] == '0' ? "END_OF_" : "INTERMEDIATE_") + phase;
}

int SaveKeywords(const Invocation& invocation, KKeywordFile& keywords, const std::string& output) {
  if (keywords.Save(output) != 1) {
    Complain(invocation, "cannot write " + output);
    return kExitFailed;
  }
  return kExitOk;
}

int RestartToKeywords(const Invocation& invocation) {
  std::string input = invocation.Option("input");
  std::string output = invocation.Option("output");
  std::string point = RestartPoint(input);
  if (output.empty() || point.empty()) {
    Complain(invocation, "usage: ktl -restokey -input NAME.fr<n>|.pr<n>|.kr<n> -output FILE");
    return kExitUsage;
  }
  if (!FileExists(input)) {
    Complain(invocation, "cannot read the restart file " + input);
    return kExitFailed;
  }
  KKeywordFile restart;
  restart.Load(input);
  KKeywordFile keywords;
  keywords.SetValue("3DFLOW_RESTART", point);
  keywords.SetValue("3DFLOW_RESTART_" + point, input);
  keywords.SetValue("3DFLOW_RESTART_TIME", restart.GetValue("RESTART_TIME"));
  return SaveKeywords(invocation, keywords, output);
}

// "MACHINE_" and the name upper-cased with every character other than a letter or digit made
// "_" ("Max injection pressure" -> "MACHINE_MAX_INJECTION_PRESSURE").
std::string MachineKeyword(const std::string& name) {
  std::string keyword = ToUpper(name);
  for (char& c : keyword)
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) c = '_';
  return keyword.rfind("MACHINE_", 0) == 0 ? keyword : "MACHINE_" + keyword;
}

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// A machine file is text: "name = value" or "name: value" lines; "#" and ";" start comments and
// "[section]" lines are skipped.
int MachineToKeywords(const Invocation& invocation) {
  std::string input = invocation.Option("input");
  std::string output = invocation.Option("output");
  if (input.empty() || output.empty()) {
    Complain(invocation, "usage: ktl -mactokey -input MACHINE.imm -output FILE");
    return kExitUsage;
  }
  std::ifstream in(input, std::ios::binary);
  if (!FileExists(input) || !in) {
    Complain(invocation, "cannot read the machine file " + input);
    return kExitFailed;
  }
  KKeywordFile keywords;
  keywords.SetValue("MACHINE_FILE", input);
  std::string line;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[') continue;
    size_t separator = line.find_first_of("=:");
    if (separator == std::string::npos) continue;
    std::string name = Trim(line.substr(0, separator));
    std::string value = Trim(line.substr(separator + 1));
    if (!name.empty()) keywords.SetValue(MachineKeyword(name), value);
  }
  return SaveKeywords(invocation, keywords, output);
}

std::string FormatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%g", value);
  return text;
}

int ResultTimesToKeywords(const Invocation& invocation) {
  std::string result = invocation.Option("m3ravail");
  std::string output = invocation.Option("output");
  if (result.empty() || output.empty()) {
    Complain(invocation, "usage: mold3d -m3ravail RESULT.m3r -output FILE");
    return kExitUsage;
  }
  auto times = ReadM3RestartTimes(result);
  if (!times) {
    Complain(invocation, "no restart points in " + result);
    return kExitFailed;
  }
  std::string list;
  for (const auto& [time, fraction] : *times) {
    if (!list.empty()) list += ' ';
    list.append(FormatNumber(time)).append(1, ' ').append(FormatNumber(fraction));
  }
  KKeywordFile keywords;
  keywords.SetValue("MOLD3D_RESTART_AVAILABLE_TIMES", list);
  return SaveKeywords(invocation, keywords, output);
}

int ResultPointToKeywords(const Invocation& invocation) {
  std::string result = invocation.Option("m3rtokey");
  std::string output = invocation.Option("output");
  std::string indexText = invocation.Option("itime");
  int index = 0;
  auto [end, error] = std::from_chars(indexText.data(), indexText.data() + indexText.size(), index);
  if (result.empty() || output.empty() || error != std::errc() ||
      end != indexText.data() + indexText.size()) {
    Complain(invocation, "usage: mold3d -m3rtokey RESULT.m3r -itime N -output FILE");
    return kExitUsage;
  }
  auto times = ReadM3RestartTimes(result);
  if (!times || index < 1 || static_cast<size_t>(index) > times->size()) {
    Complain(invocation, "no restart point " + indexText + " in " + result);
    return kExitFailed;
  }
  const auto& [time, fraction] = (*times)[static_cast<size_t>(index - 1)];
  KKeywordFile keywords;
  keywords.SetValue("MOLD3D_RESTART_FILE_NAME", result);
  keywords.SetValue("MOLD3D_RESTART_TIME_INDEX", indexText);
  keywords.SetValue("MOLD3D_RESTART_TIME", FormatNumber(time));
  keywords.SetValue("MOLD3D_RESTART_FILLED_FRACTION", FormatNumber(fraction));
  return SaveKeywords(invocation, keywords, output);
}

}  // namespace

bool IsConversion(const Invocation& invocation) {
  return invocation.HasFlag("restokey") || invocation.HasFlag("mactokey") ||
         invocation.HasFlag("m3ravail") || invocation.HasFlag("m3rtokey");
}

int RunConversion(const Invocation& invocation) {
  const std::string& program = invocation.Program();
  if (program == "ktl" && invocation.HasFlag("restokey")) return RestartToKeywords(invocation);
  if (program == "ktl" && invocation.HasFlag("mactokey")) return MachineToKeywords(invocation);
  if (program == "mold3d" && invocation.HasFlag("m3ravail"))
    return ResultTimesToKeywords(invocation);
  if (program == "mold3d" && invocation.HasFlag("m3rtokey"))
    return ResultPointToKeywords(invocation);
  Complain(invocation, "this program has no such conversion");
  return kExitUsage;
}

}  // namespace ktpm::standin
