// Running a local program synchronously: the conversion tools that restart points and the
// machine database start, waited for without time-out.
//
// The command line is split by the Windows rules (no shell), the program is looked up on
// $KT_TOOLS_DIR and then $PATH, and it runs in the current directory with its output discarded.
// Safe from any thread; blocks the caller until the program ends.
#pragma once

#include <string>

namespace ktpm::detail {

// 1 when the program could be started (whatever its exit status), 0 when not.
int RunCommandLineAndWait(const std::string& commandLine);

}  // namespace ktpm::detail
