#pragma once

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "HeapInUse.h"
#include "ManualScheduler.h"
#include "ScriptedSource.h"
#include "engine/MonitoringEngine.h"
#include "history/IncidentStore.h"

namespace tidemark::test {

// A week of uptime through the real tick: quiet days, every kind of episode,
// clock changes and suspends, with a real incident file. The soak test checks
// what it notifies and keeps and that its heap stays flat; the engine
// benchmark reports the same heap figure.
class WeekOfTicks {
public:
    static constexpr int kWeekTicks = 10'080;
    // The sanitizer's count is exact; glibc counts the chunks its per-thread
    // cache holds as in use, so a shrinking history leaves a few kilobytes there.
    static inline const bool kExactHeapCount = heapCountIsExact();

    explicit WeekOfTicks(const std::filesystem::path& incidentFile)
        : store(incidentFile, calendar, clock.now()) {
        // A week of earlier episodes, as a user who has run the program for a
        // while has: the history is at its steady size from the first tick.
        for (int k = 34; k >= 0; --k) {
            const Timestamp startedAt = clock.now() - (k + 0.5) * 4.8 * 3600;
            store.recordAlert(k % 3 ? RiskLevel::warning : RiskLevel::critical,
                              source.capture(5).topApplications, startedAt);
            store.recordRecovery(startedAt + 600);
        }
    }

    // The heap is compared at the end of each long quiet stretch after the
    // first day, when the episode is over and no sample stamped ahead of the
    // clock is left in the model.
    void run() {
        std::int64_t swapBytes = 0;
        for (const Segment& segment : scenario()) {
            clock.setNow(clock.now() + segment.clockJumpSeconds);
            clock.advance(segment.suspendSeconds);
            for (int i = 0; i < segment.ticks && ticks < kWeekTicks; ++i, ++ticks) {
                clock.advance(60);
                swapBytes =
                    std::clamp<std::int64_t>(swapBytes + segment.swapStepBytes, 0, 12 * kGiB);
                source.next = {clock.now(), segment.pressure, static_cast<std::uint64_t>(swapBytes),
                               16 * kGiB, 9 * kGiB};
                const TickReport report = engine.tick();
                if (report.alert) {
                    alerts.emplace_back(report.sample.capturedAt, *report.alert);
                    engine.confirmAdvice(clock.now() + 20);  // the user acts on it
                }
                if (!firstSaveError) {
                    firstSaveError = store.lastSaveErrorDescription();
                }
            }
            if (ticks >= 1440 && segment.pressure == Pressure::normal && segment.ticks > 30 &&
                engine.riskModel().samples.size() <= 7) {
                const std::ptrdiff_t bytes = heapBesidesHistoryBytes();
                dayOneHeapBytes = dayOneHeapBytes.value_or(bytes);
                heapGrowthBytes = std::max(heapGrowthBytes, bytes - *dayOneHeapBytes);
            }
        }
    }

    ManualScheduler clock{1'761'112'800};  // 2025-10-22T06:00:00Z
    LocalCalendar calendar;
    ScriptedSource source;
    IncidentStore store;
    MonitoringEngine engine{source, store};
    std::vector<std::pair<Timestamp, AlertEvent>> alerts;
    std::optional<std::string> firstSaveError;
    int ticks = 0;
    std::optional<std::ptrdiff_t> dayOneHeapBytes;  // at the first look after the first day
    std::ptrdiff_t heapGrowthBytes = 0;             // the most above it at a later look

private:
    static constexpr std::uint64_t kGiB = 1ull << 30;
    static constexpr std::int64_t kMiB = 1 << 20;

    // A stretch of ticks at one kernel pressure, after an optional change of
    // the wall clock or a sleep of the machine (no ticks while asleep).
    struct Segment {
        Pressure pressure;
        int ticks;
        std::int64_t swapStepBytes = 0;
        double clockJumpSeconds = 0;
        double suspendSeconds = 0;
    };

    // The number of incidents held varies with the pace of episodes; what they
    // hold is taken out by measuring a copy of them (which has no spare capacity).
    std::ptrdiff_t heapBesidesHistoryBytes() const {
        const std::ptrdiff_t before = heapInUseBytes();
        const std::vector<IncidentRecord> copy = store.records();
        const std::ptrdiff_t spare =
            (store.records().capacity() - store.records().size()) * sizeof(IncidentRecord);
        return before - (heapInUseBytes() - before) - spare;
    }

    static std::vector<Segment> scenario() {
        std::mt19937 rng(20251022);
        auto between = [&](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(rng);
        };
        const Pressure calm = Pressure::normal, warning = Pressure::warning,
                       critical = Pressure::critical;
        std::vector<Segment> plan;
        for (int episode = 0, planned = 0; planned < kWeekTicks; ++episode) {
            Segment quiet{calm, between(45, 420), -64 * kMiB};
            // The first backward change comes during the first day, so that
            // the model's longest history is part of the warm-up.
            quiet.clockJumpSeconds = episode % 9 == 1 ? -2 * 3600 : episode % 9 == 5 ? 3 * 3600 : 0;
            quiet.suspendSeconds = episode % 9 == 7 ? between(1, 10) * 3600 : 0;
            const std::vector<Segment> episodes[] = {
                // rises to warning and settles
                {{warning, between(4, 25), 16 * kMiB}},
                // escalates, then eases through warning
                {{warning, between(2, 6), 128 * kMiB},
                 {critical, between(3, 30), 256 * kMiB},
                 {warning, between(1, 4), 0}},
                // critical for hours
                {{critical, between(120, 260), 8 * kMiB}},
                // blips: one critical tick, single calm ticks, short warnings
                {{critical, 1}, {calm, 1}, {warning, 2}, {calm, 3}, {warning, 1}},
                // the machine sleeps through an open episode
                {{warning, 5, 64 * kMiB},
                 {critical, 6, 64 * kMiB},
                 {critical, 4, 0, 0, between(2, 9) * 3600.0}},
                // the clock is set back in the middle of a critical episode
                {{critical, between(5, 20), 32 * kMiB}, {critical, between(20, 60), 0, -3600}},
            };
            std::vector<Segment> add{quiet};
            add.insert(add.end(), episodes[episode % 6].begin(), episodes[episode % 6].end());
            for (const Segment& s : add) {
                plan.push_back(s);
                planned += s.ticks;
            }
        }
        return plan;
    }
};

}  // namespace tidemark::test
