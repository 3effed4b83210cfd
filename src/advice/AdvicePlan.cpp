#include "advice/AdvicePlan.h"

#include <nlohmann/json.hpp>

namespace tidemark {

nlohmann::json toJson(const AdvicePlan& plan) {
    nlohmann::json out = nlohmann::json::object();
    out["id"] = plan.id;
    out["target"] = plan.target;
    out["summary"] = plan.summary;
    out["evidence"] = plan.evidence;
    out["condition"] = plan.condition;
    out["steps"] = plan.steps;
    out["fallback"] = plan.fallback;
    out["source"] = plan.source;
    return out;
}

}  // namespace tidemark
