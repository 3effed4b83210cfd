#pragma once

#include <algorithm>
#include <functional>
#include <vector>

#include "core/Clock.h"
#include "core/SampleSource.h"

namespace tidemark::test {

// The machine as the test sets it: `next` is every light reading (stamped
// with the clock's time when there is a clock) and `applications` the
// ranking, cut to the length asked for. Counts what was read.
class ScriptedSource final : public SampleSource {
public:
    static constexpr std::uint64_t kGiB = 1ull << 30;

    explicit ScriptedSource(const Clock* clock = nullptr) : m_clock(clock) {}

    LightweightSample lightweightSample() override {
        ++lightweightReads;
        if (onRead) {
            onRead();
        }
        LightweightSample sample = next;
        if (m_clock) {
            sample.capturedAt = m_clock->now();
        }
        return sample;
    }
    SystemSnapshot capture(std::size_t limit) override {
        ++captures;
        SystemSnapshot snapshot;
        snapshot.capturedAt = m_clock ? m_clock->now() : next.capturedAt;
        snapshot.pressure = next.pressure;
        snapshot.topApplications.assign(
            applications.begin(), applications.begin() + std::min(limit, applications.size()));
        snapshot.processListAvailable = !applications.empty();
        return snapshot;
    }

    LightweightSample next{0, Pressure::normal, 0, 16 * kGiB, 8 * kGiB};
    // Resident sizes count shared pages in every process; closing frees less.
    std::vector<AppMemory> applications = {
        {"Google Chrome", "com.google.Chrome", 6 * kGiB, 20, 4 * kGiB},
        {"Codex", std::nullopt, 3 * kGiB, 4, 2 * kGiB},
        {"Safari", "com.apple.Safari", 2 * kGiB, 6, 3 * kGiB / 2}};
    int lightweightReads = 0, captures = 0;
    std::function<void()> onRead;

private:
    const Clock* m_clock;
};

}  // namespace tidemark::test
