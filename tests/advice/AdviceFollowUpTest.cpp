#include "advice/AdviceFollowUp.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

constexpr Timestamp kT0 = 1'765'000'000.0;
const std::string kWaiting =
    "已确认操作；等待新的系统采样。不会推测你执行了什么，也不保证释放固定内存。";
const std::string kDecrease = "观察到系统压力下降，仍需留意后续状态；不能证明下降由这次操作造成。";
const std::string kNoDecrease =
    "暂未观察到压力下降。检查其他暂不用的对象，不要反复重启同一应用；若工作无法继续，先保存。";
const std::string kInsufficient =
    "数据不足，无法判断效果。请查看后续压力；不要因缺失数据重复退出应用。";

LightweightSample sample(Timestamp at, Pressure pressure) {
    LightweightSample s;
    s.capturedAt = at;
    s.pressure = pressure;
    return s;
}

AdviceFollowUp startedWith(Pressure baseline) {
    AdviceFollowUp f;
    f.start(sample(kT0, baseline), kT0);
    return f;
}

TEST(AdviceFollowUp, InitialState) {
    AdviceFollowUp f;
    EXPECT_FALSE(f.isPending());
    EXPECT_EQ(f.baseline, Pressure::unknown);
    EXPECT_EQ(f.message, "完成操作后，点击确认，再观察后续约 1 分钟的系统压力。");
    f.consume(sample(kT0, Pressure::normal));
    EXPECT_EQ(f.message, "完成操作后，点击确认，再观察后续约 1 分钟的系统压力。");
}

TEST(AdviceFollowUp, BaselineOnlyFromARecentPastSample) {
    auto baselineFor = [](std::optional<LightweightSample> s) {
        AdviceFollowUp f;
        f.start(s, kT0);
        EXPECT_EQ(f.message, kWaiting);
        EXPECT_EQ(f.startedAt, kT0);
        return f.baseline;
    };
    EXPECT_EQ(baselineFor(sample(kT0 - 120, Pressure::warning)), Pressure::warning);
    EXPECT_EQ(baselineFor(sample(kT0, Pressure::critical)), Pressure::critical);
    EXPECT_EQ(baselineFor(sample(kT0 - 121, Pressure::warning)), Pressure::unknown);
    EXPECT_EQ(baselineFor(sample(kT0 + 1, Pressure::warning)), Pressure::unknown);
    EXPECT_EQ(baselineFor(std::nullopt), Pressure::unknown);

    // Without a baseline no comparison is possible.
    AdviceFollowUp f;
    f.start(std::nullopt, kT0);
    f.consume(sample(kT0 + 60, Pressure::normal));
    EXPECT_EQ(f.message, kInsufficient);
}

TEST(AdviceFollowUp, TimingLimits) {
    AdviceFollowUp f = startedWith(Pressure::warning);
    f.consume(sample(kT0 - 30, Pressure::normal));  // stamped before the confirmation
    f.consume(sample(kT0 + 59.9, Pressure::normal));
    EXPECT_TRUE(f.isPending());
    EXPECT_EQ(f.message, kWaiting);
    f.consume(sample(kT0 + 60, Pressure::normal));
    EXPECT_FALSE(f.isPending());
    EXPECT_EQ(f.message, kDecrease);

    f = startedWith(Pressure::warning);
    f.consume(sample(kT0 + 180, Pressure::normal));
    EXPECT_EQ(f.message, kDecrease);

    f = startedWith(Pressure::warning);
    f.consume(sample(kT0 + 180.1, Pressure::normal));
    EXPECT_EQ(f.message, kInsufficient);
    EXPECT_EQ(f.baseline, Pressure::warning);
}

TEST(AdviceFollowUp, Verdicts) {
    struct Case {
        Pressure before, after;
        std::string message;
    };
    const std::vector<Case> cases{
        {Pressure::critical, Pressure::warning, kDecrease},
        {Pressure::warning, Pressure::normal, kDecrease},
        {Pressure::warning, Pressure::warning, kNoDecrease},
        {Pressure::normal, Pressure::normal, kNoDecrease},
        {Pressure::warning, Pressure::critical, kNoDecrease},
        {Pressure::warning, Pressure::unknown, kInsufficient},
        {Pressure::unknown, Pressure::normal, kInsufficient},
    };
    for (const Case& c : cases) {
        AdviceFollowUp f = startedWith(c.before);
        f.consume(sample(kT0 + 61, c.after));
        EXPECT_EQ(f.message, c.message) << toString(c.before) << " -> " << toString(c.after);
    }
}

TEST(AdviceFollowUp, VerdictStaysUntilRestart) {
    AdviceFollowUp f = startedWith(Pressure::critical);
    f.consume(sample(kT0 + 60, Pressure::normal));
    f.consume(sample(kT0 + 120, Pressure::critical));
    EXPECT_EQ(f.message, kDecrease);
    EXPECT_FALSE(f.isPending());

    f.start(sample(kT0 + 120, Pressure::critical), kT0 + 130);
    EXPECT_TRUE(f.isPending());
    EXPECT_EQ(f.message, kWaiting);
    f.consume(sample(kT0 + 180, Pressure::normal));  // only 50 s after the restart
    EXPECT_TRUE(f.isPending());
    f.consume(sample(kT0 + 190, Pressure::critical));
    EXPECT_EQ(f.message, kNoDecrease);
}

}  // namespace
}  // namespace tidemark
