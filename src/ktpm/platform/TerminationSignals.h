// Waiting for the user to stop a program (Ctrl-C or a termination request), for command-line
// tools that run until then. BlockTerminationSignals must be called on the main thread before any
// other thread starts (threads inherit the blocked set); WaitForTerminationSignal then returns
// when SIGINT or SIGTERM arrives.
#pragma once

namespace ktpm::detail {

void BlockTerminationSignals();
// The signal number that arrived.
int WaitForTerminationSignal();

}  // namespace ktpm::detail
