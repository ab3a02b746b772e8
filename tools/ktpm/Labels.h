// The words the ktpm program shows for the project tree's vocabulary in text output: readable
// kinds ("CAD model (IGES)", "Mesh (midplane)"), states ("pending") and result kinds
// ("summary", "result (NR)"). Where the library's string table names a kind (CAD formats, the
// bins) its text is used, so a localised table shows through. Pure functions, any thread.
#pragma once

#include <string>

#include <ktpm/projtree/NodeTypes.h>

namespace ktpm::tool {

// The node kind: its type, with its subtype in parentheses where the subtype tells kinds apart.
std::string KindText(Node_Type type, Node_SubType subType);
// "ok", "pending", "failed" or "deleted".
std::string StateText(Node_State state);
// The result kind of a result file; empty for RT_NONE.
std::string ResultText(ResultType resultType);

}  // namespace ktpm::tool
