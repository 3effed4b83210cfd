#include "core/AlertPolicy.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace tidemark {
namespace {

using E = std::optional<AlertEvent>;
constexpr E kNone = std::nullopt, kWarning = AlertEvent::warning, kCritical = AlertEvent::critical;

// score: 40 calm, 55 safe, 70 watch, 84 warning, 95 critical
void run(const std::vector<std::tuple<double, int, E>>& ticks) {
    AlertPolicy policy;
    for (const auto& [minute, score, expected] : ticks) {
        const RiskLevel level = score >= 90   ? RiskLevel::critical
                                : score >= 80 ? RiskLevel::warning
                                : score >= 60 ? RiskLevel::watch
                                              : RiskLevel::safe;
        EXPECT_EQ(policy.evaluate({score, level, {}, 0, {}}, minute * 60), expected)
            << "minute " << minute << ", score " << score;
    }
}

TEST(AlertPolicyTest, EpisodesAndCooldowns) {
    run({{0, 84, kWarning}, {1, 84, kNone}, {2, 95, kCritical}, {3, 84, kNone}});
    // An episode ends only after two calm ticks in a row.
    run({{0, 84, kWarning}, {1, 40, kNone}, {2, 70, kNone}, {3, 40, kNone}, {40, 84, kNone}});
    std::vector<std::tuple<double, int, E>> hour;
    for (int m = 0; m <= 60; ++m)
        hour.emplace_back(m, 95, m % 30 == 0 ? kCritical : kNone);
    run(hour);
    // Cool-downs outlive the episode; a clock set back counts as within them.
    run({{0, 84, kWarning}, {1, 40, kNone}, {2, 40, kNone}, {10, 84, kNone}, {31, 84, kWarning}});
    run({{0, 95, kCritical}, {1, 40, kNone}, {2, 40, kNone}, {5, 95, kNone}, {6, 84, kNone}});
    run({{0, 84, kWarning}, {1, 40, kNone}, {2, 40, kNone}, {12, 95, kCritical}});
    run({{1000, 95, kCritical},
         {1001, 40, kNone},
         {1002, 40, kNone},
         {10, 95, kNone},
         {1031, 95, kCritical}});
}

}  // namespace
}  // namespace tidemark
