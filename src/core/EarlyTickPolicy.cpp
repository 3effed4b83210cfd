#include "core/EarlyTickPolicy.h"

namespace tidemark {

EarlyTickPolicy::Decision EarlyTickPolicy::decide(Pressure looked, Timestamp now) const {
    if (!lastTickPressure || pressureSeverity(looked) <= pressureSeverity(*lastTickPressure) ||
        earlyTicksSinceRegular >= kMaxEarlyTicks) {
        return {};
    }
    // A clock set back makes the elapsed time negative: that is no reason
    // to hold a warning back.
    const double elapsed = now - lastTickAt;
    if (elapsed >= 0 && elapsed < kMinSpacingSeconds) {
        return {.tickNow = false, .retryAfterSeconds = kMinSpacingSeconds - elapsed};
    }
    return {.tickNow = true, .retryAfterSeconds = std::nullopt};
}

void EarlyTickPolicy::recordTick(Pressure pressure, Timestamp at, bool early) {
    lastTickPressure = pressure;
    lastTickAt = at;
    earlyTicksSinceRegular = early ? earlyTicksSinceRegular + 1 : 0;
}

}  // namespace tidemark
