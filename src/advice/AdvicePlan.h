#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "advice/AdviceFamily.h"
#include "core/RiskAssessment.h"

namespace tidemark {

// One mitigation plan: every text is non-empty, steps has two or three items.
struct AdvicePlan {
    std::string id;
    std::string target;
    std::string summary;
    std::string evidence;
    std::string condition;
    std::vector<std::string> steps;
    std::string fallback;
    std::string source;
    // What the plan is about and the level it was made for, so that no
    // reader has to recover them from the wording or the identifier.
    AdviceFamily family = AdviceFamily::general;
    RiskLevel level = RiskLevel::warning;

    // Plans are equal when everything they say is: the typed fields follow
    // from the same inputs as the wording.
    bool operator==(const AdvicePlan& other) const {
        return id == other.id && target == other.target && summary == other.summary &&
               evidence == other.evidence && condition == other.condition && steps == other.steps &&
               fallback == other.fallback && source == other.source;
    }
};

// Keys id, target, summary, evidence, condition, steps (array), fallback, source.
nlohmann::json toJson(const AdvicePlan& plan);

// The plan a notification carries: the first one offered, if any.
inline std::optional<AdvicePlan> firstPlan(const std::vector<AdvicePlan>& plans) {
    if (plans.empty()) {
        return std::nullopt;
    }
    return plans.front();
}

}  // namespace tidemark
