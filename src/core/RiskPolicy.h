#pragma once

#include <cstddef>
#include <cstdint>

// The thresholds that decide how risky the machine is, each with its reason.
// The pressure level, the risk score, the alerts, the advice and the previews
// read them here, so that a threshold changes in one place; where one rule
// leans on another, the relation is written out or checked below.

namespace tidemark::risk {

inline constexpr std::int64_t kMiB = std::int64_t{1} << 20;
inline constexpr std::int64_t kGiB = std::int64_t{1} << 30;

// --- The pressure level: shares of RAM or swap, PSI stalls in percent --------

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

// --- The risk score, 0 to 100 ------------------------------------------------

// Where each level begins.
inline constexpr unsigned kWatchScore = 60;
inline constexpr unsigned kWarningScore = 80;
inline constexpr unsigned kCriticalScore = 90;
inline constexpr unsigned kMaximumScore = 100;

// Points for the pressure level: critical pressure is a critical risk by
// itself; warning pressure is watched until it holds.
inline constexpr unsigned kNormalPressurePoints = 10;
inline constexpr unsigned kWarningPressurePoints = 65;
inline constexpr unsigned kCriticalPressurePoints = kCriticalScore;
inline constexpr unsigned kUnknownPressurePoints = 20;
// Swap alone never warns while the kernel reports normal pressure, and an
// unreadable pressure is never more than safe.
inline constexpr unsigned kNormalPressureScoreCap = kWarningScore - 1;
inline constexpr unsigned kUnknownPressureScoreCap = kWatchScore - 1;
// Pressure that holds is worse than a spike: warning pressure held this long
// becomes a warning; critical pressure held adds more.
inline constexpr double kSustainedWarningSeconds = 180;
inline constexpr unsigned kSustainedWarningPoints = 15;
inline constexpr double kSustainedCriticalSeconds = 60;
inline constexpr unsigned kSustainedCriticalPoints = 10;

// One step of points: at least `atLeast`, largest first in each table.
template <typename T>
struct ScoreStep {
    T atLeast;
    unsigned points;
};
// Swap in use as a share of RAM: the more of the working set lives on disk,
// the sooner the next burst stalls.
inline constexpr ScoreStep<double> kSwapInUseSteps[] = {{0.50, 15}, {0.30, 10}, {0.15, 5}};

// Swap growth is measured over five minutes, long enough to be a trend ...
inline constexpr double kSwapGrowthSpanSeconds = 300;
// ... and only against a sample at least this old, not extrapolated from a blip.
inline constexpr double kSwapGrowthMinimumSpanSeconds = 240;
// Below this growth swap comes and goes; from it the score counts it and the
// summary and the advice call the swapping out.
inline constexpr std::int64_t kSwapGrowthNoticedBytes = 256 * kMiB;
// The faster swap grows, the sooner the working set no longer fits: more
// points at each of these steps.
inline constexpr std::int64_t kSwapGrowthFastBytes = 1 * kGiB;
inline constexpr std::int64_t kSwapGrowthRunawayBytes = 2 * kGiB;
inline constexpr ScoreStep<std::int64_t> kSwapGrowthSteps[] = {
    {kSwapGrowthRunawayBytes, 50}, {kSwapGrowthFastBytes, 35}, {kSwapGrowthNoticedBytes, 15}};

static_assert(kWarningPressurePoints >= kWatchScore && kWarningPressurePoints < kWarningScore,
              "warning pressure alone is watched, not warned about");
static_assert(kWarningPressurePoints + kSustainedWarningPoints >= kWarningScore,
              "warning pressure that holds warns");

// --- Alerts and the panel ----------------------------------------------------

// An episode is calm at or under this score, well under the watch line, so a
// score hovering at a line does not end and restart episodes.
inline constexpr int kCalmScore = 49;
// One calm reading may be luck: this many in a row end an episode.
inline constexpr int kCalmTicksToEndEpisode = 2;
// The panel, likewise, shows safe again only after this many safe ticks.
inline constexpr int kSafeTicksToShowRecovery = 2;
// A reminder of the same risk at most every half hour.
inline constexpr double kAlertCooldownSeconds = 1800;

static_assert(kCalmScore < static_cast<int>(kWatchScore), "a watched risk is not calm");

// --- Advice ------------------------------------------------------------------

// Closing a smaller application gives back too little to name it, however
// small the machine.
inline constexpr std::uint64_t kAdviceMinimumApplicationBytes = 768 * kMiB;
// The share of RAM an application must give back to be named: a higher bar
// while only watching; once the risk warns, any real help counts.
inline constexpr double kAdviceWatchShare = 0.12;
inline constexpr double kAdviceWarningShare = 0.08;

}  // namespace tidemark::risk
