#include "Output.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <system_error>

#include "Command.h"

namespace ktpm::tool {
namespace {

// One step through UTF-8 text: a whole character, or the maximal subpart of an ill-formed
// sequence (what Unicode replaces by one U+FFFD).
struct Utf8Step {
  size_t length;
  bool valid;
  uint32_t codePoint;
};

Utf8Step NextUtf8(std::string_view text, size_t at) {
  const auto byte = [&text](size_t index) { return static_cast<unsigned char>(text[index]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return {1, true, lead};
  size_t following = 0;
  unsigned char low = 0x80, high = 0xBF;
  uint32_t codePoint = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    following = 1;
    codePoint = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    following = 2;
    codePoint = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    following = 3;
    codePoint = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {1, false, 0};
  }
  for (size_t index = 1; index <= following; ++index) {
    if (at + index >= text.size()) return {index, false, 0};
    const unsigned char next = byte(at + index);
    if (next < low || next > high) return {index, false, 0};
    codePoint = (codePoint << 6) | (next & 0x3Fu);
    low = 0x80;
    high = 0xBF;
  }
  return {following + 1, true, codePoint};
}

void AppendHexEscape(std::string& out, const char* prefix, unsigned value, int digits) {
  static const char kHex[] = "0123456789ABCDEF";
  out += prefix;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xFu];
}

nlohmann::json Sanitised(const nlohmann::json& value) {
  if (value.is_string()) return ValidUtf8(value.get_ref<const std::string&>());
  if (value.is_array()) {
    nlohmann::json array = nlohmann::json::array();
    for (const auto& element : value) array.push_back(Sanitised(element));
    return array;
  }
  if (value.is_object()) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, element] : value.items()) object[ValidUtf8(key)] = Sanitised(element);
    return object;
  }
  return value;
}

// stderr: the message lock and the status line at its foot.
struct StderrState {
  std::mutex lock;
  std::string status;  // the status line shown, empty when none
};

StderrState& Stderr() {
  static StderrState state;
  return state;
}

std::mutex& StdoutLock() {
  static std::mutex lock;
  return lock;
}

size_t TerminalColumns() {
  struct winsize size {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

// Cuts text (escaped, so one column per code point) to at most columns code points.
std::string CutToColumns(const std::string& text, size_t columns) {
  size_t at = 0;
  for (size_t counted = 0; at < text.size() && counted < columns; ++counted) {
    at += NextUtf8(text, at).length;
  }
  return text.substr(0, at);
}

constexpr const char* kEraseLine = "\r\033[K";

// Writes one message line on stderr, with the status line taken down and put back around it.
void WriteStderrLine(const std::string& line) {
  StderrState& state = Stderr();
  std::lock_guard<std::mutex> guard(state.lock);
  std::string text;
  if (!state.status.empty()) text += kEraseLine;
  text += line + "\n";
  if (!state.status.empty()) text += state.status;
  std::cerr << text << std::flush;
}

// Writes lines on stdout at once; when stdout and stderr are the same terminal the status line
// is taken down first and put back after, so that a line never lands in the middle of it. Lock
// order: stdout, then stderr.
void WriteStdoutLines(const std::string& text) {
  std::lock_guard<std::mutex> outGuard(StdoutLock());
  StderrState& state = Stderr();
  std::lock_guard<std::mutex> errGuard(state.lock);
  if (!state.status.empty()) std::cerr << kEraseLine << std::flush;
  std::cout << text << std::flush;
  if (!state.status.empty()) std::cerr << state.status << std::flush;
}

const char* SeverityText(KDiagnosticSeverity severity) {
  switch (severity) {
    case KDS_INFO:
      return "info";
    case KDS_WARNING:
      return "warning";
    case KDS_ERROR:
      return "error";
  }
  return "error";
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const Utf8Step step = NextUtf8(text, at);
    if (step.valid) {
      out.append(text.substr(at, step.length));
    } else {
      out += "\xEF\xBF\xBD";
    }
    at += step.length;
  }
  return out;
}

std::string EscapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const Utf8Step step = NextUtf8(text, at);
    if (!step.valid) {
      for (size_t index = 0; index < step.length; ++index) {
        AppendHexEscape(out, "\\x", static_cast<unsigned char>(text[at + index]), 2);
      }
    } else if (step.codePoint == '\\') {
      out += "\\\\";
    } else if (step.codePoint == '\n') {
      out += "\\n";
    } else if (step.codePoint == '\t') {
      out += "\\t";
    } else if (step.codePoint == '\r') {
      out += "\\r";
    } else if (step.codePoint < 0x20 || step.codePoint == 0x7F) {
      AppendHexEscape(out, "\\x", step.codePoint, 2);
    } else if (step.codePoint >= 0x80 && step.codePoint <= 0x9F) {
      AppendHexEscape(out, "\\u", step.codePoint, 4);
    } else {
      out.append(text.substr(at, step.length));
    }
    at += step.length;
  }
  return out;
}

size_t DisplayWidth(std::string_view text) {
  size_t width = 0;
  for (size_t at = 0; at < text.size(); at += NextUtf8(text, at).length) ++width;
  return width;
}

TextTable::TextTable(std::vector<std::string> header) : m_header(std::move(header)) {}

void TextTable::AddRow(std::vector<std::string> cells) {
  cells.resize(m_header.size());
  for (std::string& cell : cells) cell = EscapeText(cell);
  m_rows.push_back({std::move(cells), false});
}

void TextTable::AddLine(std::string line) { m_rows.push_back({{EscapeText(line)}, true}); }

void TextTable::Print() const {
  std::vector<size_t> widths(m_header.size(), 0);
  const auto measure = [&widths](const std::vector<std::string>& cells) {
    for (size_t column = 0; column < cells.size(); ++column) {
      widths[column] = std::max(widths[column], DisplayWidth(cells[column]));
    }
  };
  measure(m_header);
  for (const Row& row : m_rows) {
    if (!row.freeLine) measure(row.cells);
  }
  const auto print = [&widths](const std::vector<std::string>& cells) {
    std::string line;
    for (size_t column = 0; column < cells.size(); ++column) {
      line += cells[column];
      if (column + 1 < cells.size()) {
        line.append(widths[column] - DisplayWidth(cells[column]) + 2, ' ');
      }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::cout << line << "\n";
  };
  print(m_header);
  for (const Row& row : m_rows) {
    if (row.freeLine) {
      std::cout << row.cells.front() << "\n";
    } else {
      print(row.cells);
    }
  }
}

void PrintLine(std::string_view line) { WriteStdoutLines(std::string(line) + "\n"); }

std::string DumpJson(const nlohmann::json& value, int indent) {
  return Sanitised(value).dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

void PrintJson(const nlohmann::json& value) { std::cout << DumpJson(value, 2) << "\n"; }

void PrintJsonLine(const nlohmann::json& value) { WriteStdoutLines(DumpJson(value, -1) + "\n"); }

nlohmann::json JsonTextOrNull(bool present, const std::string& text) {
  return present ? nlohmann::json(text) : nlohmann::json(nullptr);
}

void PrintError(std::string_view command, std::string_view message) {
  std::string line = "ktpm";
  if (!command.empty()) line += " " + std::string(command);
  WriteStderrLine(line + ": " + EscapeText(message));
}

int FailWith(std::string_view command, std::string_view message) {
  PrintError(command, message);
  return kExitFailure;
}

void PrintDiagnostic(KDiagnosticSeverity severity, std::string_view message) {
  WriteStderrLine(std::string("ktpm: ") + SeverityText(severity) + ": " + EscapeText(message));
}

ProjectDiagnosticHandler DiagnosticPrinter() {
  return [](KDiagnosticSeverity severity, const std::string& message) {
    PrintDiagnostic(severity, message);
  };
}

bool StderrIsTerminal() {
  static const bool terminal = isatty(STDERR_FILENO) == 1;
  return terminal;
}

void ShowStatusLine(std::string_view text) {
  if (!StderrIsTerminal()) return;
  StderrState& state = Stderr();
  std::lock_guard<std::mutex> guard(state.lock);
  const size_t columns = TerminalColumns();
  state.status = CutToColumns(EscapeText(text), columns > 1 ? columns - 1 : 1);
  if (state.status.empty()) state.status = " ";
  std::cerr << kEraseLine << state.status << std::flush;
}

void ClearStatusLine() {
  StderrState& state = Stderr();
  std::lock_guard<std::mutex> guard(state.lock);
  if (state.status.empty()) return;
  state.status.clear();
  std::cerr << kEraseLine << std::flush;
}

int FinishStdout(std::string_view command, int status) {
  std::lock_guard<std::mutex> guard(StdoutLock());
  errno = 0;
  bool failed = !std::cout.flush();
  if (std::fflush(stdout) != 0) failed = true;
  const int error = errno;
  if (std::ferror(stdout)) failed = true;
  if (!failed) return status;
  std::string reason = "cannot write the output";
  if (error != 0) reason += ": " + std::error_code(error, std::generic_category()).message();
  PrintError(command, reason);
  return kExitFailure;
}

bool StdoutFailed() {
  std::lock_guard<std::mutex> guard(StdoutLock());
  return !std::cout || std::ferror(stdout) != 0;
}

}  // namespace ktpm::tool
