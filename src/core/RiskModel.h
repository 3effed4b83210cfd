#pragma once

#include <vector>

#include "core/Models.h"
#include "core/RiskAssessment.h"

namespace tidemark {

// Turns the per-tick samples into risk assessments. Keeps a short rolling
// history so that time-based signals (sustained pressure, swap growth) can be
// computed; ages are measured from the newest sample, never the wall clock.
struct RiskModel {
    std::vector<LightweightSample> samples;  // oldest first
    double historyWindow = 360;              // seconds

    RiskAssessment evaluate(const LightweightSample& sample);
};

}  // namespace tidemark
