#include "core/RiskAssessment.h"

namespace tidemark {

std::string_view toString(RiskLevel level) {
    switch (level) {
        case RiskLevel::safe:
            return "safe";
        case RiskLevel::watch:
            return "watch";
        case RiskLevel::warning:
            return "warning";
        case RiskLevel::critical:
            break;
    }
    return "critical";
}

std::optional<RiskLevel> riskLevelFromString(std::string_view text) {
    for (RiskLevel l :
         {RiskLevel::safe, RiskLevel::watch, RiskLevel::warning, RiskLevel::critical}) {
        if (toString(l) == text) {
            return l;
        }
    }
    return std::nullopt;
}

std::string_view toString(AlertEvent event) {
    return event == AlertEvent::warning ? "warning" : "critical";
}

}  // namespace tidemark
