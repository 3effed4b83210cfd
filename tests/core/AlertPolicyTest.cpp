#include "core/AlertPolicy.h"

#include <gtest/gtest.h>

#include <vector>

namespace tidemark {
namespace {

using E = std::optional<AlertEvent>;
constexpr E kNone = std::nullopt, kWarning = AlertEvent::warning, kCritical = AlertEvent::critical;

struct Tick {
    double minute;
    int score;  // 40 calm, 55 safe, 70 watch, 84 warning, 95 critical
    E expected;
};

void run(const std::vector<Tick>& ticks) {
    AlertPolicy policy;
    for (const Tick& t : ticks) {
        const RiskLevel level = t.score >= 90   ? RiskLevel::critical
                                : t.score >= 80 ? RiskLevel::warning
                                : t.score >= 60 ? RiskLevel::watch
                                                : RiskLevel::safe;
        EXPECT_EQ(policy.evaluate({t.score, level, {}, 0, {}}, t.minute * 60), t.expected)
            << "minute " << t.minute << ", score " << t.score;
    }
}

TEST(AlertPolicyTest, WithinAnEpisode) {
    run({{0, 84, kWarning}, {1, 84, kNone}, {2, 95, kCritical}, {3, 84, kNone}});
    // An episode ends only after two calm ticks in a row.
    run({{0, 84, kWarning}, {1, 40, kNone}, {40, 84, kNone}});
    run({{0, 84, kWarning}, {1, 40, kNone}, {2, 55, kNone}, {3, 40, kNone}, {40, 84, kNone}});
    run({{0, 84, kWarning}, {1, 40, kNone}, {2, 70, kNone}, {3, 40, kNone}, {40, 84, kNone}});
    std::vector<Tick> hour;
    for (int m = 0; m <= 60; ++m) {
        hour.push_back({double(m), 95, m % 30 == 0 ? kCritical : kNone});
    }
    run(hour);
}

TEST(AlertPolicyTest, CooldownsOutliveTheEpisode) {
    run({{0, 84, kWarning}, {1, 40, kNone}, {2, 40, kNone}, {10, 84, kNone}, {31, 84, kWarning}});
    run({{0, 95, kCritical}, {1, 40, kNone}, {2, 40, kNone}, {5, 95, kNone}, {6, 84, kNone}});
    run({{0, 84, kWarning}, {1, 40, kNone}, {2, 40, kNone}, {12, 95, kCritical}});
    // A clock set back counts as within the cool-down.
    run({{1000, 95, kCritical},
         {1001, 40, kNone},
         {1002, 40, kNone},
         {10, 95, kNone},
         {11, 84, kNone},
         {1031, 95, kCritical}});
}

}  // namespace
}  // namespace tidemark
