#include "core/RiskModel.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tidemark {
namespace {

constexpr std::uint64_t kMiB = 1024ull * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;
constexpr auto kNormal = Pressure::normal, kWarning = Pressure::warning;

LightweightSample at(Timestamp t, Pressure p, std::optional<std::uint64_t> swap = std::nullopt,
                     std::uint64_t physical = 16 * kGiB) {
    return {t, p, swap, physical, std::nullopt};
}

RiskAssessment feed(const std::vector<LightweightSample>& samples) {
    RiskModel model;
    RiskAssessment last;
    for (const auto& s : samples)
        last = model.evaluate(s);
    return last;
}

TEST(RiskModelTest, ScoreTableAndCaps) {
    const char* const kObserving = "内存压力升高，正在观察";
    const char* const kSwapGrowing = "Swap 正在增长，先观察一会儿";
    const auto kUnknown = Pressure::unknown, kCrit = Pressure::critical;
    const std::pair<std::vector<LightweightSample>, std::pair<int, const char*>> cases[] = {
        {{at(0, kWarning, 5 * kGiB, 10 * kGiB)}, {80, "风险持续升高，建议准备处理"}},
        {{at(0, kWarning, 3 * kGiB, 20 * kGiB)}, {70, kObserving}},
        {{at(0, kWarning, 3 * kGiB - 1, 20 * kGiB)}, {65, kObserving}},
        {{at(0, kWarning, 5 * kGiB, 0)}, {65, kObserving}},
        {{at(0, kNormal, 7 * kGiB), at(300, kNormal, 8 * kGiB + 512 * kMiB)}, {60, kSwapGrowing}},
        {{at(0, kNormal, 0), at(300, kNormal, 16 * kGiB)}, {75, kSwapGrowing}},
        {{at(0, kUnknown, 0), at(300, kUnknown, 16 * kGiB)}, {59, "目前无需处理"}},
        {{at(0, kNormal, 0), at(300, kNormal, 256 * kMiB)}, {25, "目前无需处理"}},
        {{at(0, kNormal, 1), at(300, kNormal, 256 * kMiB)}, {10, "目前无需处理"}},
        // Sustained warning, 20 % swap and 300 MiB growth outrank the kernel's level.
        {{at(0, kNormal, 3 * kGiB), at(100, kWarning), at(300, kWarning, 3 * kGiB + 300 * kMiB)},
         {100, "内存压力很高，请先保存工作"}},
        {{at(0, kCrit, 0), at(300, kCrit, 16 * kGiB)}, {100, "内存压力很高，请先保存工作"}},
    };
    for (const auto& [samples, expected] : cases) {
        const RiskAssessment a = feed(samples);
        EXPECT_EQ(std::make_pair(a.score, a.summary), (std::pair<int, std::string>(expected)));
    }
}

TEST(RiskModelTest, PressureDurationCountsOnlyTheNewestRun) {
    RiskModel model;
    model.evaluate(at(0, kWarning));
    model.evaluate(at(60, kNormal));
    EXPECT_EQ(model.evaluate(at(120, kWarning)).pressureDuration, 0);
    EXPECT_EQ(model.evaluate(at(180, Pressure::critical)).pressureDuration, 0);
    const RiskAssessment a = model.evaluate(at(240, Pressure::critical));
    EXPECT_EQ(a.pressureDuration, 60);
    EXPECT_EQ(a.score, 100);
}

std::optional<std::int64_t> growth(const std::vector<LightweightSample>& samples) {
    return feed(samples).swapGrowthFiveMinutesBytes;
}

TEST(RiskModelTest, GrowthBaselineIsNearestFiveMinutesAgoAndAtLeastFourMinutesOld) {
    std::vector<LightweightSample> every10s;
    for (int t = 0; t <= 400; t += 10)
        every10s.push_back(at(t, kNormal, static_cast<std::uint64_t>(t) * kMiB));
    EXPECT_EQ(growth(every10s), std::int64_t(300 * kMiB));
    // A tie goes to the earlier sample; a sample without swap is never the baseline.
    EXPECT_EQ(growth({at(0, kNormal, 0), at(100, kNormal, kMiB), at(350, kNormal, 9 * kMiB)}),
              std::int64_t(9 * kMiB));
    EXPECT_EQ(growth({at(0, kNormal, kMiB), at(60, kNormal), at(360, kNormal, 3 * kMiB)}),
              std::int64_t(2 * kMiB));
    EXPECT_FALSE(growth({at(0, kNormal, 0), at(239, kNormal, kGiB)}));
    EXPECT_TRUE(growth({at(0, kNormal, 0), at(240, kNormal, kGiB)}));
    EXPECT_FALSE(growth({at(0, kNormal, 0), at(300, kNormal)}));
    EXPECT_FALSE(growth({at(0, kNormal, 0), at(360.5, kNormal, kGiB)}));  // pruned
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(growth({at(0, kNormal, 0), at(300, kNormal, UINT64_MAX)}), kMax);
    EXPECT_EQ(growth({at(0, kNormal, UINT64_MAX), at(300, kNormal, 0)}), -kMax);
}

}  // namespace
}  // namespace tidemark
