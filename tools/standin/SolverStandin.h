// The analysis solvers: flow ("ktl", "ktlg", "ktlth", "ktlipc", "foktl", "ktldd", "foktldd",
// "ktlipcdd", "mold3d"), cool ("tcl", "bemcl", "bemcldd", "bemcl3d"), warp ("warpin",
// "warpindd") and stress ("strsin").
//
// A solver reads its analysis input keyword file (-input) and writes, in the current directory,
// the result files under the names the file-type registry gives (see README.md), its screen
// output (-screenlog or -output) and its keyword output, or the error output when it fails.
#pragma once

#include "StandinRun.h"

#include <ktpm/projtree/NodeTypes.h>

namespace ktpm::standin {

// The analysis family a solver program belongs to; NST_NONE for any other program.
Node_SubType SolverFamily(const std::string& program);

int RunSolver(const Invocation& invocation);

}  // namespace ktpm::standin
