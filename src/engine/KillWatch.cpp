#include "engine/KillWatch.h"

#include <string>

#include "engine/Trace.h"

namespace tidemark {

KillVictims findKillVictims(const std::vector<AppMemory>& before,
                            const std::vector<AppMemory>& after) {
    KillVictims victims;
    for (const AppMemory& app : before) {
        std::uint64_t now = 0;
        std::int64_t processes = 0;
        for (const AppMemory& later : after) {
            if (later.id() == app.id()) {
                now += later.residentBytes;
                processes += later.processCount;
            }
        }
        // A kill ends processes; an application that only shrank had its
        // pages reclaimed while memory ran short.
        if (processes >= app.processCount || now >= app.residentBytes / 2 ||
            app.residentBytes - now < KillWatch::kMinimumLossBytes) {
            continue;
        }
        ++victims.count;
        const std::uint64_t loss = app.residentBytes - now;
        if (loss > victims.largestLoss) {
            victims.secondLoss = victims.largestLoss;
            victims.largestLoss = loss;
            victims.largest = app;
        } else if (loss > victims.secondLoss) {
            victims.secondLoss = loss;
        }
    }
    return victims;
}

KillWatch::KillWatch(KillSignals& killSignals, SampleSource& probe, Scheduler& scheduler,
                     const Clock& clock)
    : m_signals(killSignals), m_probe(probe), m_scheduler(scheduler), m_clock(clock) {}

KillWatch::~KillWatch() {
    if (m_pollTimer) {
        m_scheduler.cancel(*m_pollTimer);
    }
}

void KillWatch::arm(const std::vector<AppMemory>& applications) {
    m_before = applications;
    m_beforeAt = m_clock.monotonicSeconds();
    m_inventory = m_signals.readInventory();
    m_recentAvailable.fill(std::nullopt);
    if (!m_last) {
        m_last = m_signals.readCounters();
    }
    m_armedUntil = m_clock.monotonicSeconds() + kArmedSeconds;
    if (!m_pollTimer) {
        m_pollTimer = m_scheduler.scheduleAfter(kPollSeconds, [this] { poll(); });
    }
    if (traceEnabled()) {
        trace(("kill watch armed; killers: " + describe(m_inventory)).c_str());
    }
}

void KillWatch::poll() {
    m_pollTimer.reset();
    check();
    if (m_armedUntil && m_clock.monotonicSeconds() - m_beforeAt >= kBeforeRefreshSeconds) {
        m_before = m_probe.capture(kAfterCaptureLimit).topApplications;
        m_beforeAt = m_clock.monotonicSeconds();
    }
    if (m_armedUntil && m_clock.monotonicSeconds() < *m_armedUntil) {
        m_pollTimer = m_scheduler.scheduleAfter(kPollSeconds, [this] { poll(); });
    } else {
        m_armedUntil.reset();
    }
}

void KillWatch::check() {
    const KillCounters counters = m_signals.readCounters();
    const std::optional<KillCounters> last = m_last;
    m_last = counters;
    if (!last) {
        return;
    }
    if (traceEnabled() && isArmed() && counters.availableBytes && counters.physicalMemoryBytes) {
        trace(("kill watch: available " +
               std::to_string(100 * *counters.availableBytes / counters.physicalMemoryBytes) +
               " %, oom_kill " +
               (counters.kernelOomKills ? std::to_string(*counters.kernelOomKills) : "-"))
                  .c_str());
    }
    const auto rose = [](const std::optional<std::uint64_t>& before,
                         const std::optional<std::uint64_t>& now) {
        return before && now && *now > *before;
    };
    if (rose(last->kernelOomKills, counters.kernelOomKills)) {
        noteKill(KillSource::kernelCounter);
    } else if (rose(last->sessionOomKills, counters.sessionOomKills)) {
        noteKill(KillSource::sessionCounter);
    } else if (counters.availableBytes && counters.physicalMemoryBytes > 0) {
        // earlyoom and nohang end processes with a plain signal: no counter
        // moves. Memory coming back in a block just as it neared their line
        // is the sign, but the user may have closed the application as well.
        std::optional<std::uint64_t> low;
        for (const std::optional<std::uint64_t>& recent : m_recentAvailable) {
            if (recent && (!low || *recent < *low)) {
                low = recent;
            }
        }
        const double ram = static_cast<double>(counters.physicalMemoryBytes);
        const KillerLine line = activeKillerLine(m_inventory, 0);
        if (low && *counters.availableBytes > *low &&
            (line.killer == Killer::earlyoom || line.killer == Killer::nohang) &&
            static_cast<double>(*low) / ram <= line.availableFraction + kNearLineFraction &&
            static_cast<double>(*counters.availableBytes - *low) / ram >= kReturnedFraction) {
            m_recentAvailable.fill(std::nullopt);
            noteKill(KillSource::memoryReturned);
            return;
        }
    }
    m_recentAvailable[m_nextRecent] = counters.availableBytes;
    m_nextRecent = (m_nextRecent + 1) % kRecentReads;
}

void KillWatch::noteKill(KillSource source) {
    switch (source) {
        case KillSource::kernelCounter:
        case KillSource::sessionCounter:
            report(Killer::kernel, true);
            return;
        case KillSource::userManagerUnit:
            // systemd records oom-kill for the kernel's kills and for
            // systemd-oomd's alike.
            report(m_inventory.systemdOomd ? Killer::systemdOomd : Killer::kernel,
                   !m_inventory.systemdOomd);
            return;
        case KillSource::oomdSignal:
            report(Killer::systemdOomd, true);
            return;
        case KillSource::earlyoomSignal:
            report(Killer::earlyoom, true);
            return;
        case KillSource::memoryReturned:
            report(activeKillerLine(m_inventory, 0).killer, false);
            return;
    }
}

void KillWatch::report(Killer killer, bool sourceCertain) {
    const double now = m_clock.monotonicSeconds();
    if (m_lastReportAt && now - *m_lastReportAt < kSameKillSeconds) {
        return;
    }
    m_lastReportAt = now;
    KillReport kill;
    kill.at = m_clock.now();
    kill.killer = killer;
    std::vector<AppMemory> after;
    if (!m_before.empty()) {
        after = m_probe.capture(kAfterCaptureLimit).topApplications;
    }
    const KillVictims victims = findKillVictims(m_before, after);
    kill.application = victims.largest;
    kill.certain = sourceCertain && victims.clear();
    if (victims.largest) {
        // The same application is not named twice for one list.
        std::erase_if(m_before,
                      [&](const AppMemory& app) { return app.id() == victims.largest->id(); });
    }
    if (traceEnabled()) {
        trace(("kill: " + std::string(toString(killer)) +
               (kill.certain ? " certain " : " likely ") +
               (kill.application ? kill.application->name : std::string("(unnamed)")) + ", " +
               std::to_string(victims.count) + " applications ended")
                  .c_str());
    }
    if (onKill) {
        onKill(kill);
    }
}

}  // namespace tidemark
