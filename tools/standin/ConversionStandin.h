// The conversion modes of the flow solvers:
// - "ktl -restokey -input RESTART -output FILE": a restart file (".fr<n>", ".pr<n>", ".kr<n>")
//   into the keywords a new analysis starts from ("3DFLOW_RESTART" and
//   "3DFLOW_RESTART_<point>");
// - "ktl -mactokey -input MACHINE -output FILE": a machine file (".imm") into keywords;
// - "mold3d -m3ravail RESULT -output FILE": the restart points of a 3D flow result as
//   "MOLD3D_RESTART_AVAILABLE_TIMES" pairs (time, filled fraction);
// - "mold3d -m3rtokey RESULT -itime N -output FILE": the keywords that restart a 3D flow at
//   its N-th restart point.
// A conversion that cannot read its input writes no output file and exits with status 1.
#pragma once

#include "StandinRun.h"

namespace ktpm::standin {

// Whether the command line asks for a conversion; RunConversion then does it.
bool IsConversion(const Invocation& invocation);
int RunConversion(const Invocation& invocation);

}  // namespace ktpm::standin
