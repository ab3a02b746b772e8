#include <cstddef>

#include <ktpm/platform/CommandLine.h>

namespace ktpm::detail {

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

size_t SkipSeparators(const std::string& line, size_t pos) {
  while (pos < line.size() && IsSeparator(line[pos])) ++pos;
  return pos;
}

// The program name: double quotes group, everything else is literal.
size_t ReadProgramName(const std::string& line, size_t pos, std::string& name, bool& open) {
  bool quoted = false;
  for (; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && IsSeparator(c)) {
      break;
    } else {
      name.push_back(c);
    }
  }
  open = quoted;
  return pos;
}

// One further argument by the backslash and quote rules.
size_t ReadArgument(const std::string& line, size_t pos, std::string& argument, bool& open) {
  bool quoted = false;
  while (pos < line.size()) {
    char c = line[pos];
    if (c == '\\') {
      size_t count = 0;
      while (pos < line.size() && line[pos] == '\\') {
        ++count;
        ++pos;
      }
      if (pos < line.size() && line[pos] == '"') {
        argument.append(count / 2, '\\');
        if (count % 2 == 1) {
          argument.push_back('"');
          ++pos;
        }
      } else {
        argument.append(count, '\\');
      }
    } else if (c == '"') {
      if (quoted && pos + 1 < line.size() && line[pos + 1] == '"') {
        argument.push_back('"');
        pos += 2;
      } else {
        quoted = !quoted;
        ++pos;
      }
    } else if (!quoted && IsSeparator(c)) {
      break;
    } else {
      argument.push_back(c);
      ++pos;
    }
  }
  open = quoted;
  return pos;
}

}  // namespace

SplitCommandLineResult SplitCommandLine(const std::string& commandLine) {
  SplitCommandLineResult result;
  if (commandLine.find('\0') != std::string::npos) {
    result.error = "the command line contains a null character";
    return result;
  }
  size_t pos = SkipSeparators(commandLine, 0);
  if (pos == commandLine.size()) return result;
  bool open = false;
  std::string program;
  pos = ReadProgramName(commandLine, pos, program, open);
  result.arguments.push_back(std::move(program));
  while (!open) {
    pos = SkipSeparators(commandLine, pos);
    if (pos == commandLine.size()) break;
    std::string argument;
    pos = ReadArgument(commandLine, pos, argument, open);
    result.arguments.push_back(std::move(argument));
  }
  if (open) {
    result.arguments.clear();
    result.error = "unbalanced double quotes in the command line";
  }
  return result;
}

std::string QuoteCommandLineArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, '\\');
  quoted.push_back('"');
  return quoted;
}

}  // namespace ktpm::detail
