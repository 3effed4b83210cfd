#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

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

    bool operator==(const AdvicePlan&) const = default;
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
