#include "core/RiskPresentationPolicy.h"

#include "core/RiskPolicy.h"

namespace tidemark {

RiskLevel RiskPresentationPolicy::evaluate(RiskLevel level) {
    if (level != RiskLevel::safe) {
        safeSampleCount = 0;
        displayedLevel = level;
        return level;
    }
    if (displayedLevel == RiskLevel::safe) {
        return RiskLevel::safe;
    }
    if (++safeSampleCount < risk::kSafeTicksToShowRecovery) {
        return displayedLevel;
    }
    displayedLevel = RiskLevel::safe;
    safeSampleCount = 0;
    return RiskLevel::safe;
}

RiskLevel RiskPresentationPolicy::evaluate(const RiskAssessment& assessment) {
    const RiskLevel shown = evaluate(assessment.level);
    if (assessment.level != RiskLevel::safe || shown == RiskLevel::safe) {
        isRecovering = false;
        displayedAssessment = assessment;
    } else {
        // Keep showing the last elevated assessment until the recovery holds.
        isRecovering = true;
    }
    return shown;
}

}  // namespace tidemark
