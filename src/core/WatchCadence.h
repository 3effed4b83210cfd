#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/Models.h"

namespace tidemark {

// How soon to look again between ticks. A steady machine is looked at every
// 10 s; while available memory falls by more than 1 % of RAM per 10 s (a
// runaway program: without swap the kernel reports no stall until the very
// end) every 2 s, back to 10 s once the fall stops.
class WatchCadence {
public:
    static constexpr double kSteadySeconds = 10.0;
    static constexpr double kFallingSeconds = 2.0;
    static constexpr double kFallFractionPerTenSeconds = 0.01;
    // How far back the fall is measured; longer than the steady interval so
    // that a late timer still finds the previous look.
    static constexpr double kFallWindowSeconds = 15.0;

    // Notes a look (or a tick's sample) and returns the delay to the next.
    double noteLook(const LightweightSample& sample);
    bool isFalling() const { return m_falling; }

private:
    struct Reading {
        Timestamp at = 0;
        std::uint64_t availableBytes = 0;
    };
    static constexpr std::size_t kCapacity = 16;

    std::array<Reading, kCapacity> m_readings{};
    std::size_t m_first = 0;  // oldest
    std::size_t m_count = 0;
    bool m_falling = false;
};

}  // namespace tidemark
