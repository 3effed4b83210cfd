#include "advice/AdviceFollowUp.h"

namespace tidemark {

namespace {

constexpr double kMaximumBaselineAgeSeconds = 120;
// A sample earlier than this after the confirmation cannot show the effect yet.
constexpr double kEarliestVerdictSeconds = 60;
// Later than this (the machine slept, sampling stalled) the before and after
// are too far apart to be compared.
constexpr double kLatestComparisonSeconds = 180;

}  // namespace

void AdviceFollowUp::start(const std::optional<LightweightSample>& sample, Timestamp now) {
    startedAt = now;
    baseline = Pressure::unknown;
    if (sample) {
        const double ageSeconds = now - sample->capturedAt;
        if (ageSeconds >= 0 && ageSeconds <= kMaximumBaselineAgeSeconds) {
            baseline = sample->pressure;
        }
    }
    message = kWaitingMessage;
}

void AdviceFollowUp::consume(const LightweightSample& sample) {
    if (!startedAt) {
        return;
    }
    const double elapsedSeconds = sample.capturedAt - *startedAt;
    // Written so that a sample stamped before the confirmation, or with no
    // usable time at all, keeps the re-check waiting.
    if (!(elapsedSeconds >= kEarliestVerdictSeconds)) {
        return;
    }
    if (elapsedSeconds > kLatestComparisonSeconds || baseline == Pressure::unknown ||
        sample.pressure == Pressure::unknown) {
        message = kInsufficientDataMessage;
    } else if (pressureSeverity(sample.pressure) >= pressureSeverity(baseline)) {
        message = kNoDecreaseMessage;
    } else {
        message = kDecreaseMessage;
    }
    startedAt.reset();
}

}  // namespace tidemark
