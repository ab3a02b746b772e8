// Lowering the calling thread to idle priority, for background work that must not compete with
// the application (the directory watcher and resync threads). Any thread may call it.
#pragma once

namespace ktpm::detail {

// Puts the calling thread in the idle scheduling class where permitted; true when it did.
bool SetCurrentThreadIdlePriority();

}  // namespace ktpm::detail
