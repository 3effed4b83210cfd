#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tidemark {

// In order of severity. No ordering operator is defined on purpose: code that
// needs severity order says so case by case.
enum class RiskLevel { safe, watch, warning, critical };

std::string_view toString(RiskLevel level);
std::optional<RiskLevel> riskLevelFromString(std::string_view text);

struct RiskAssessment {
    int score = 0;  // 0-100, after the cap at 100
    RiskLevel level = RiskLevel::safe;
    std::optional<std::int64_t> swapGrowthFiveMinutesBytes;
    double pressureDuration = 0;  // seconds
    std::string summary;

    bool operator==(const RiskAssessment&) const = default;
};

enum class AlertEvent { warning, critical };

std::string_view toString(AlertEvent event);

}  // namespace tidemark
