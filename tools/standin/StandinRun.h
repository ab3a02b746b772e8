// What every stand-in program shares: its command line, the test keywords that set its outcome
// and run time, and small file helpers.
//
// A stand-in runs as one short process on one thread.
#pragma once

#include <string>
#include <vector>

class KKeywordFile;

namespace ktpm::standin {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The program's name (what it was called as) and its arguments.
class Invocation {
 public:
  Invocation(std::string program, std::vector<std::string> arguments);

  const std::string& Program() const { return m_program; }
  // The argument after "-name"; empty when absent.
  std::string Option(const std::string& name) const;
  // Whether "-name" is among the arguments.
  bool HasFlag(const std::string& name) const;
  // The arguments that are neither options, their values, nor flags.
  std::vector<std::string> Positional() const;

 private:
  std::string m_program;
  std::vector<std::string> m_arguments;
};

// The test keywords of an input: STANDIN_OUTCOME ("FAIL" makes the run fail) and
// STANDIN_SECONDS (how long the run takes, at most an hour).
struct Outcome {
  bool fail = false;
  double seconds = 0.0;
};
Outcome ReadOutcome(const KKeywordFile& keywords);
// Waits for the run time of the outcome.
void SpendRunTime(const Outcome& outcome);

// Text helpers.
std::string ToLower(std::string text);
std::string ToUpper(std::string text);
bool EndsWithNoCase(const std::string& text, const std::string& suffix);
// The extension from the last "." after the last separator, with its dot; empty when none.
std::string ExtensionOf(const std::string& path);
// The path less its extension.
std::string WithoutExtension(const std::string& path);
// The path with the first character after its last "." replaced by digit (".001" -> ".501"
// with '5', raised by 5; with '9' replaced by 9).
std::string OutputFileName(const std::string& input, int raise, char replace);
bool FileExists(const std::string& path);
// Writes a whole text file; false when it cannot be written.
bool WriteTextFile(const std::string& path, const std::string& text);
// A message on standard error, prefixed by the program name.
void Complain(const Invocation& invocation, const std::string& message);

}  // namespace ktpm::standin
