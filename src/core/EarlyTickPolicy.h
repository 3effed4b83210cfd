#pragma once

#include <optional>

#include "core/Models.h"

namespace tidemark {

// Whether a look taken between two regular ticks runs the monitoring tick at
// once. Only a rise counts: a look whose pressure is more severe than the
// last tick's (normal < warning < critical; unknown never is). Bounded, so
// that a flapping source cannot flood the tick, its notifications or the
// incident file.
struct EarlyTickPolicy {
    static constexpr int kMaxEarlyTicks = 2;  // between two regular ticks
    static constexpr double kMinSpacingSeconds = 2.0;

    struct Decision {
        bool tickNow = false;
        // A rise that came too soon after the last tick: look again after
        // this many seconds.
        std::optional<double> retryAfterSeconds;
    };

    Decision decide(Pressure looked, Timestamp now) const;
    void recordTick(Pressure pressure, Timestamp at, bool early);

    std::optional<Pressure> lastTickPressure;  // absent before the first tick
    Timestamp lastTickAt = 0;
    int earlyTicksSinceRegular = 0;
};

}  // namespace tidemark
