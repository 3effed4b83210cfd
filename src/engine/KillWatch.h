#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/KillSignals.h"
#include "core/KillerInventory.h"
#include "core/Models.h"
#include "core/SampleSource.h"

namespace tidemark {

// One process ending that a killer caused, as far as this program can tell.
struct KillReport {
    Timestamp at = 0;
    Killer killer = Killer::kernel;
    // Both the killer and the application are known for sure; otherwise
    // every word about it says "likely".
    bool certain = false;
    // Absent when no application of the list taken before had gone.
    std::optional<AppMemory> application;
    bool operator==(const KillReport&) const = default;
};

// Where a kill was heard of. The counters are read here; the bus signals
// come from the shell, which owns the bus connections.
enum class KillSource {
    kernelCounter,    // oom_kill in /proc/vmstat
    sessionCounter,   // oom_kill in memory.events of the user's manager
    userManagerUnit,  // a user unit's Result became "oom-kill"
    oomdSignal,       // systemd-oomd's Killed
    earlyoomSignal,   // earlyoom -n's notification signal
    memoryReturned,   // a userspace killer's line and memory coming back at once
};

// Notices kills and names the application that was ended, by comparing the
// applications captured at the critical alert with a capture taken at once
// after the event. After a critical alert it reads the counters every
// second for a while; otherwise each tick's check() keeps them current.
// Single-threaded; the signals, probe, scheduler and clock outlive it.
class KillWatch {
public:
    static constexpr double kArmedSeconds = 600;
    static constexpr double kPollSeconds = 1;
    // Several sources report the same kill; one report covers them.
    static constexpr double kSameKillSeconds = 5;
    // Memory given back at once that counts as a userspace kill: a share of
    // RAM, read while available memory was near that killer's line.
    static constexpr double kReturnedFraction = 0.05;
    static constexpr double kNearLineFraction = 0.05;
    // An application that lost at least half and this much is the victim.
    static constexpr std::uint64_t kMinimumLossBytes = 64ull << 20;
    static constexpr std::size_t kAfterCaptureLimit = 64;
    // The alert may come minutes before the kill (a stall, then a slow
    // leak); the list to compare with is taken again this often meanwhile.
    static constexpr double kBeforeRefreshSeconds = 10;

    KillWatch(KillSignals& killSignals, SampleSource& probe, Scheduler& scheduler,
              const Clock& clock);
    ~KillWatch();
    KillWatch(const KillWatch&) = delete;
    KillWatch& operator=(const KillWatch&) = delete;

    // The applications the critical alert captured; polls for a while.
    void arm(const std::vector<AppMemory>& applications);
    // Reads the counters; a rise is a kill.
    void check();
    // A kill the shell heard of on a bus.
    void noteKill(KillSource source);

    const KillerInventory& inventory() const { return m_inventory; }
    bool isArmed() const { return m_armedUntil.has_value(); }

    std::function<void(const KillReport&)> onKill;

private:
    void poll();
    void report(Killer killer, bool sourceCertain);

    KillSignals& m_signals;
    SampleSource& m_probe;
    Scheduler& m_scheduler;
    const Clock& m_clock;
    KillerInventory m_inventory;
    std::vector<AppMemory> m_before;
    std::optional<KillCounters> m_last;
    // The lowest available memory of the last few reads: a killed process
    // can take a second or two to give its memory back, across two reads.
    static constexpr std::size_t kRecentReads = 4;
    std::array<std::optional<std::uint64_t>, kRecentReads> m_recentAvailable{};
    std::size_t m_nextRecent = 0;
    std::optional<double> m_armedUntil;  // monotonic
    double m_beforeAt = 0;               // monotonic
    std::optional<double> m_lastReportAt;
    std::optional<TimerId> m_pollTimer;
};

// The application of `before` that lost processes and the most memory in
// `after` (gone, or down to less than half and by kMinimumLossBytes or more),
// how many did, and the loss of the second; matched by id(). Applications
// that only shrank (the kernel reclaims their file pages while it thrashes
// before a kill) do not count; programs that ended on their own meanwhile
// do, but lose far less than a runaway.
struct KillVictims {
    std::optional<AppMemory> largest;
    std::size_t count = 0;
    std::uint64_t largestLoss = 0;
    std::uint64_t secondLoss = 0;
    // One application clearly: alone, or losing four times the next.
    bool clear() const { return largest && (count == 1 || largestLoss >= 4 * secondLoss); }
};
KillVictims findKillVictims(const std::vector<AppMemory>& before,
                            const std::vector<AppMemory>& after);

}  // namespace tidemark
