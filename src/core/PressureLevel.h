#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "core/Models.h"
#include "core/ProcParsers.h"

// The Linux memory-pressure level, from the figures the /proc parsers read.

namespace tidemark {

// Kernel-style pressure level codes (1 normal, 2 warning, 4 critical), so
// Linux feeds the same mapping as the macOS kernel variable.
inline constexpr int kPressureLevelNormal = 1;
inline constexpr int kPressureLevelWarning = 2;
inline constexpr int kPressureLevelCritical = 4;

// The Linux memory-pressure level.
//   availableFraction = MemAvailable / MemTotal
//   swapFreeFraction  = SwapFree / SwapTotal, 0 without swap (exhausted)
//   stall             = PSI averages, absent on kernels without PSI
// With some = max(some avg10, avg60) and full = max(full avg10, avg60) (avg10
// so that a look seconds into a shortage sees it, avg60 so that a
// once-a-minute reading still sees a stall of the last minute):
//   critical: available <= 10 % and swap free <= 10 %;
//             or, while available < 50 %, full >= 10 or some >= 40;
//             or, while available <= 15 %, full >= 5 or some >= 10
//   warning:  available <= 20 % and swap free <= 25 %; or available <= 10 %;
//             or, while available < 50 %, some >= 10
//   normal:   otherwise
// Stalls are ignored while at least half of memory is available: a stall
// confined to one container or cgroup on a roomy machine is no risk to the
// desktop. The third critical line is for a machine that is really short and
// thrashing while other work keeps the CPUs busy: tasks that run dilute
// "full" (all tasks stalled) to half of what it is on an idle machine, so
// measured freezes read full 7-10 with some 15-20 at 7-13 % available; and
// seconds into such a shortage some avg10 is past 10 while the exact stall
// is already 40-60 %. The
// lines follow what the Linux out-of-memory daemons and desktop memory
// monitors converge on (first warning at about 10 % stall, freeze-level
// stalls at about 10 % full, the kill line at 10 % available with swap nearly
// full). Without PSI the available-memory rules apply alone, so old kernels,
// and a leak on a machine without swap (whose stall stays near 0 until the
// very end), still get a level.
int memoryPressureLevel(double availableFraction, double swapFreeFraction,
                        const std::optional<PressureStall>& stall);

// The same from the parsed files; absent when MemTotal or MemAvailable is
// missing, since then no rule can be evaluated.
std::optional<int> memoryPressureLevel(const MemInfo& memInfo,
                                       const std::optional<PressureStall>& stall);

// One look at the figures the lead-time rule follows, as shares of RAM.
struct MemoryLook {
    Timestamp at = 0;
    double availableFraction = 0;
    double anonymousFraction = 0;  // AnonPages + Shmem
};

// Whether a runaway is heading for the killer's line (a share of RAM) fast
// enough that the kill would come within kKillerLeadSeconds: the pressure
// then reads critical, early enough to save. `looks` are oldest first. It
// fires only when all of these hold:
//   - at least kMinimumFallingLooks looks in a row, spanning 2 s or more
//     within the last kFallWindowSeconds, each with less available than the
//     one before (one look in a fall is a burst, not a trend);
//   - available memory is already under the line plus kKillerHeadroom, and
//     under kLeadFloor (builds and bursts that give memory back on a roomy
//     machine: a 4.8 GB burst faults in at ~300 MB/s here, like a runaway,
//     but stops with 13 % left);
//   - anonymous memory grew by at least half of the fall (page cache that
//     is dropped, or file copies, fall without anyone running out);
//   - at the fall's rate over the run, the line is reached within
//     kKillerLeadSeconds.
inline constexpr double kKillerLeadSeconds = 20;
inline constexpr double kKillerHeadroom = 0.10;
inline constexpr double kLeadFloor = 0.25;
inline constexpr std::size_t kMinimumFallingLooks = 3;
inline constexpr double kFallWindowSeconds = 16;
bool headingForKillerLine(std::span<const MemoryLook> looks, double lineFraction);

}  // namespace tidemark
