// Splitting a command line into program arguments.
//
// Jobs and local programs are given one command-line string, as the analysis and report code
// builds it. It is split here by the Windows command-line rules, never by a shell, so that a
// keyword value such as "x; rm -rf ~" or "$(...)" reaches the program as plain text:
// - arguments are separated by blanks and tabs;
// - a double quote starts or ends a quoted part, in which blanks and tabs are ordinary
//   characters; inside a quoted part two double quotes give one literal double quote;
// - 2n backslashes followed by a double quote give n backslashes and the quote acts as above;
//   2n+1 backslashes followed by a double quote give n backslashes and a literal double quote;
//   backslashes not followed by a double quote are literal;
// - "" outside a quoted part gives an empty argument;
// - the program name (the first argument) is taken literally up to the next blank or tab, with
//   double quotes only grouping: backslashes in it are never escapes.
// A command line that ends inside a quoted part is refused rather than guessed at.
//
// Pure functions; safe from any thread.
#pragma once

#include <string>
#include <vector>

namespace ktpm::detail {

struct SplitCommandLineResult {
  std::vector<std::string> arguments;  // program name first; empty when the line is blank
  std::string error;                   // empty on success, else why the line was refused
};

SplitCommandLineResult SplitCommandLine(const std::string& commandLine);

// Quotes one argument so that SplitCommandLine gives it back unchanged (for logs and for
// building command lines from argument lists).
std::string QuoteCommandLineArgument(const std::string& argument);

}  // namespace ktpm::detail
