#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "core/Models.h"
#include "core/ProcParsers.h"
#include "core/RiskPolicy.h"

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
// once-a-minute reading still sees a stall of the last minute), and the
// thresholds of core/RiskPolicy.h:
//   critical: available <= kKillLineAvailable and swap free <= kKillLineSwapFree;
//             or full >= kFreezeFullStall or some >= kFreezeSomeStall;
//             or, while available <= kThrashingAvailable,
//             full >= kThrashingFullStall or some >= kThrashingSomeStall
//   warning:  available <= kWarningAvailable and swap free <= kWarningSwapFree;
//             or available <= kKillLineAvailable; or some >= kWarningSomeStall
//   normal:   otherwise
// Stalls count only while available < kStallCountsBelowAvailable. Without PSI
// the available-memory rules apply alone, so old kernels, and a leak on a
// machine without swap (whose stall stays near 0 until the very end), still
// get a level.
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
// fires only when all of these hold (the thresholds of core/RiskPolicy.h):
//   - at least kMinimumFallingLooks looks in a row, spanning
//     kMinimumFallSeconds or more within the last kFallWindowSeconds, each
//     with less available than the one before;
//   - available memory is already under the line plus kKillerHeadroom, and
//     under kLeadFloor (a 4.8 GB burst faults in at ~300 MB/s here, like a
//     runaway, but stops with 13 % left);
//   - anonymous memory grew by at least kAnonymousShareOfFall of the fall;
//   - at the fall's rate over the run, the line is reached within
//     kKillerLeadSeconds.
bool headingForKillerLine(std::span<const MemoryLook> looks, double lineFraction);

}  // namespace tidemark
