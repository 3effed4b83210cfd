#pragma once

#include <optional>

#include "core/RiskAssessment.h"

namespace tidemark {

// What the user sees, as opposed to what the model computed: any non-safe
// level shows at once, a return to safe only after two safe ticks in a row so
// that the tray does not flicker at the edge of a threshold.
struct RiskPresentationPolicy {
    RiskLevel displayedLevel = RiskLevel::safe;
    int safeSampleCount = 0;  // safe ticks seen while a non-safe level is shown
    std::optional<RiskAssessment> displayedAssessment;
    bool isRecovering = false;  // a return to safe is pending

    RiskLevel evaluate(RiskLevel level);
    RiskLevel evaluate(const RiskAssessment& assessment);
};

}  // namespace tidemark
