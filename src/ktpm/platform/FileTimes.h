// Whether a file-system timestamp can be trusted to change on the next modification.
//
// File times advance in ticks (a kernel clock tick on local disks, whole seconds or two on
// older and remote file systems). A snapshot taken within the same tick as the last change may
// miss a change made right after it without the timestamp moving, as git treats "racy"
// entries: such a snapshot is used once and not cached. Safe from any thread.
#pragma once

#include <ctime>

namespace ktpm::detail {

// True when the current time is at least a safety margin past changeTime: 100 ms for
// timestamps with sub-second digits, 2 s for whole-second timestamps. A time in the future
// (clock skew with a file server) is never settled.
bool IsTimestampSettled(const struct timespec& changeTime);

}  // namespace ktpm::detail
