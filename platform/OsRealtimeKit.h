#pragma once
#include <sys/types.h>

namespace platform {

// The system's real-time broker (rtkit, on the D-Bus system bus), for users
// whom neither privilege nor RLIMIT_RTPRIO allows real-time scheduling.
// Each call is one bus round trip (at most half a second); once there is no
// broker or it refused, later calls fail at once without asking again.

// Real-time scheduling for thread `tid` of this process; the priority is
// lowered to the broker's highest. The broker requires a limit on
// real-time CPU time, so RLIMIT_RTTIME is set to its maximum first.
bool RealtimeKitMakeRealtime(pid_t tid, int priority);
// A lower nice value for thread `tid` (raised to the broker's lowest).
bool RealtimeKitMakeHighPriority(pid_t tid, int niceLevel);

} // namespace platform
