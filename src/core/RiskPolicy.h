#pragma once

#include <cstddef>

// The thresholds that decide how risky the machine is, each with its reason.
// The pressure level, the risk score, the alerts, the advice and the previews
// read them here, so that a threshold changes in one place; where one rule
// leans on another, the relation is written out or checked below.

namespace tidemark::risk {

// --- The pressure level: shares of RAM or swap, PSI stalls in percent -------

// A stall confined to one container or cgroup on a roomy machine is no risk to
// the desktop: stalls count only while less than this share is available.
inline constexpr double kStallCountsBelowAvailable = 0.50;
// The line out-of-memory daemons kill at (earlyoom's default): this little
// available with this little swap free is critical; available alone, a warning.
inline constexpr double kKillLineAvailable = 0.10;
inline constexpr double kKillLineSwapFree = 0.10;
// Short of memory with most swap used: the desktop is close to stalling.
inline constexpr double kWarningAvailable = 0.20;
inline constexpr double kWarningSwapFree = 0.25;
// Where desktop memory monitors give their first warning of stalls.
inline constexpr double kWarningSomeStall = 10;
// Freeze-level stalls: every task stalled this much, or some task this much.
inline constexpr double kFreezeFullStall = 10;
inline constexpr double kFreezeSomeStall = 40;
// Really short and thrashing while other work keeps the CPUs busy: running
// tasks dilute "full" to half of what an idle machine shows (measured freezes
// read full 7-10, some 15-20 at 7-13 % available), and "some" is past the
// first warning seconds into such a shortage.
inline constexpr double kThrashingAvailable = 0.15;
inline constexpr double kThrashingFullStall = kFreezeFullStall / 2;
inline constexpr double kThrashingSomeStall = kWarningSomeStall;

// --- Ahead of the killer's line ----------------------------------------------

// A kill expected this soon reads critical now: still time to save work.
inline constexpr double kKillerLeadSeconds = 20;
// Only this close above the line (share of RAM) does a fall count ...
inline constexpr double kKillerHeadroom = 0.10;
// ... and under this share available: bursts on a roomy machine stop short.
inline constexpr double kLeadFloor = 0.25;
// One falling look is a burst, not a trend.
inline constexpr std::size_t kMinimumFallingLooks = 3;
// Nor is a fall over less than this (the PSI trigger can wake twice at once).
inline constexpr double kMinimumFallSeconds = 2;
// Looks older than this no longer belong to the fall being followed.
inline constexpr double kFallWindowSeconds = 16;
// Page cache dropped or files copied fall without anyone running out: at
// least this share of the fall must be anonymous memory growing.
inline constexpr double kAnonymousShareOfFall = 0.5;

}  // namespace tidemark::risk
