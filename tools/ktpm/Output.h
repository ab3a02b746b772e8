// What every ktpm command prints through, so that the program keeps the promises of
// docs/ktpm-output.md:
//
// - JSON output is valid UTF-8 whatever bytes a name holds: PrintJson and PrintJsonLine write
//   any nlohmann::json value and replace bytes that are not UTF-8 by U+FFFD (names and texts
//   come from files and directories, in whatever code page they were made). Build the value with
//   plain std::string members and print it through these, never with json::dump directly.
// - Text output keeps one item on one line: pass every name, label or file text through
//   EscapeText (control characters and bytes that are not UTF-8 become backslash escapes).
//   TextTable prints rows under a header row, in columns.
// - Messages go to stderr: PrintError ("ktpm <command>: <message>") for the reason a command
//   fails (FailWith also returns exit status 1), PrintDiagnostic for what a project tree reports.
//   They never tear through the status line (progress bars, a running job's elapsed time), which
//   appears only when stderr is a terminal.
// - A write error on stdout is a failure: main calls FinishStdout after every command, which
//   flushes stdout and turns an error into exit status 1 with the reason on stderr. A command
//   that prints for a long time (watch) may test StdoutFailed to stop early.
//
// Threads: the stderr functions and the status line may be called from any thread; they share
// one lock. PrintJsonLine may be called from any thread (one line is written at once). The
// other functions are pure.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include <ktpm/projtree/ProjectDiagnostics.h>

namespace ktpm::tool {

// --- Text ------------------------------------------------------------------------------------

// The text with every byte sequence that is not UTF-8 replaced by U+FFFD (one per maximal
// invalid subsequence); valid text is returned unchanged.
std::string ValidUtf8(std::string_view text);
// The text made safe for one line of text output: backslash, newline, tab and carriage return
// become \\, \n, \t and \r; other control characters (C0, DEL, C1) and bytes that are not UTF-8
// become \xHH (C1 characters as \u0080 to \u009F). Printable UTF-8 is kept as it is.
std::string EscapeText(std::string_view text);
// Columns a text takes on a terminal: its code points (every character counted as one column).
size_t DisplayWidth(std::string_view text);

// Rows of text columns under a header row, each column as wide as its widest cell, two blanks
// apart; the last column is not padded. Cells are escaped by the table. Extra lines (AddLine)
// are printed as they are (escaped) after the row added before them and take no part in the
// column widths.
class TextTable {
 public:
  explicit TextTable(std::vector<std::string> header);
  void AddRow(std::vector<std::string> cells);
  void AddLine(std::string line);
  // Prints the header and the rows to std::cout.
  void Print() const;
  bool Empty() const { return m_rows.empty(); }

 private:
  struct Row {
    std::vector<std::string> cells;
    bool freeLine = false;
  };
  std::vector<std::string> m_header;
  std::vector<Row> m_rows;
};

// One line on std::cout, flushed at once (lines from several threads never mix, and never land
// in the status line when stdout and stderr are the same terminal).
void PrintLine(std::string_view line);

// --- JSON ------------------------------------------------------------------------------------

// The value as JSON text, strings sanitised as ValidUtf8 does; indent < 0 gives one line.
std::string DumpJson(const nlohmann::json& value, int indent = 2);
// The value on std::cout, indented, with a final newline.
void PrintJson(const nlohmann::json& value);
// The value on std::cout as one line (JSON Lines), flushed at once.
void PrintJsonLine(const nlohmann::json& value);
// A string, or null when absent.
nlohmann::json JsonTextOrNull(bool present, const std::string& text);

// --- stderr ----------------------------------------------------------------------------------

// "ktpm <command>: <message>" on stderr (command may be empty: "ktpm: <message>").
void PrintError(std::string_view command, std::string_view message);
// PrintError, then exit status 1 for the caller to return.
int FailWith(std::string_view command, std::string_view message);
// "ktpm: warning: <message>" (or info, error) on stderr.
void PrintDiagnostic(KDiagnosticSeverity severity, std::string_view message);
// A handler for KProjectTree::SetDiagnosticHandler that prints through PrintDiagnostic.
ProjectDiagnosticHandler DiagnosticPrinter();

// Whether stderr is a terminal (the status line is shown only then).
bool StderrIsTerminal();
// Replaces the one status line at the foot of stderr (cut to the terminal's width); does
// nothing when stderr is not a terminal.
void ShowStatusLine(std::string_view text);
// Removes the status line, if one is shown.
void ClearStatusLine();

// --- stdout ----------------------------------------------------------------------------------

// Flushes stdout; on a write error prints the reason ("ktpm <command>: cannot write the output:
// No space left on device") and returns 1, otherwise returns status.
int FinishStdout(std::string_view command, int status);
// Whether a write to stdout has failed so far.
bool StdoutFailed();

}  // namespace ktpm::tool
