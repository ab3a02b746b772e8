// Where an installed ktpm keeps its files, found at run time so that an installation can be
// moved: nothing of the build machine is compiled in. The data folder (material database seed,
// defaults) is `share/ktpm` and the helper programs folder `libexec/ktpm`, both beside the
// folder that holds the ktpm library (the shared library, or the program it is linked into).
// A build tree has `<build>/share/ktpm` too, a link to the checkout's `data/`.
//
// Free functions, safe from any thread; the module's location is read once.
#pragma once

#include <string>

namespace ktpm::detail {

// The folder of the file that holds this library's code: the shared library when ktpm is one,
// otherwise the program. Empty when it cannot be told.
const std::string& GetModuleDirectory();

// The nearest `<ancestor>/<relative>` that is a directory, for the module's folder and up to
// two folders above it; empty when none is.
std::string FindBesideModule(const std::string& relative);

// $KTPM_DATA_DIR when set, else the `share/ktpm` found beside the module; empty when neither.
std::string GetDataDirectory();

// The `libexec/ktpm` found beside the module, where an installation keeps the stand-in programs;
// empty when there is none.
std::string GetHelperProgramDirectory();

}  // namespace ktpm::detail
