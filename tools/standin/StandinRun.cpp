#include "StandinRun.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include <ktpm/keyword/KKeywordFile.h>

namespace ktpm::standin {

namespace {

constexpr double kMaxSeconds = 3600.0;

// Options that take a value; every other "-word" is a flag.
bool TakesValue(const std::string& option) {
  static const char* const kValued[] = {"-input", "-output",   "-screenlog",
                                        "-itime", "-m3ravail", "-m3rtokey"};
  return std::find(std::begin(kValued), std::end(kValued), option) != std::end(kValued);
}

}  // namespace

Invocation::Invocation(std::string program, std::vector<std::string> arguments)
    : m_program(std::move(program)), m_arguments(std::move(arguments)) {}

std::string Invocation::Option(const std::string& name) const {
  for (size_t i = 0; i + 1 < m_arguments.size(); ++i)
    if (m_arguments[i] == "-" + name) return m_arguments[i + 1];
  return {};
}

bool Invocation::HasFlag(const std::string& name) const {
  return std::find(m_arguments.begin(), m_arguments.end(), "-" + name) != m_arguments.end();
}

std::vector<std::string> Invocation::Positional() const {
  std::vector<std::string> positional;
  for (size_t i = 0; i < m_arguments.size(); ++i) {
    const std::string& argument = m_arguments[i];
    if (argument.size() > 1 && argument[0] == '-') {
      if (TakesValue(argument)) ++i;
      continue;
    }
    positional.push_back(argument);
  }
  return positional;
}

Outcome ReadOutcome(const KKeywordFile& keywords) {
  Outcome outcome;
  outcome.fail = ToUpper(keywords.GetValue("STANDIN_OUTCOME")) == "FAIL";
  std::string seconds = keywords.GetValue("STANDIN_SECONDS");
  if (!seconds.empty()) {
    char* end = nullptr;
    double value = std::strtod(seconds.c_str(), &end);
    if (end != seconds.c_str() && value > 0.0) outcome.seconds = std::min(value, kMaxSeconds);
  }
  return outcome;
}

void SpendRunTime(const Outcome& outcome) {
  if (outcome.seconds > 0.0)
    std::this_thread::sleep_for(std::chrono::duration<double>(outcome.seconds));
}

std::string ToLower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string ToUpper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         ToLower(text.substr(text.size() - suffix.size())) == ToLower(suffix);
}

std::string ExtensionOf(const std::string& path) {
  size_t dot = path.rfind('.');
  size_t separator = path.find_last_of("/\\");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return {};
  return path.substr(dot);
}

std::string WithoutExtension(const std::string& path) {
  return path.substr(0, path.size() - ExtensionOf(path).size());
}

std::string OutputFileName(const std::string& input, int raise, char replace) {
  std::string extension = ExtensionOf(input);
  if (extension.size() < 2) return {};
  std::string output = input;
  char& digit = output[input.size() - extension.size() + 1];
  digit = replace != '\0' ? replace : static_cast<char>(digit + raise);
  return output;
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error);
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

void Complain(const Invocation& invocation, const std::string& message) {
  std::cerr << invocation.Program() << ": " << message << "\n";
}

}  // namespace ktpm::standin
