#include "advice/AdviceFollowUp.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

constexpr Timestamp kT0 = 1'765'000'000.0;
const std::string kIdle = "完成操作后，点击确认，再观察后续约 1 分钟的系统压力。";
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

// The message after starting with `baseline` and consuming `after` in order.
std::string verdict(std::optional<LightweightSample> baseline,
                    std::vector<LightweightSample> after) {
    AdviceFollowUp f;
    f.start(baseline, kT0);
    for (const LightweightSample& s : after)
        f.consume(s);
    EXPECT_EQ(f.isPending(), f.message == kWaiting);
    return f.message;
}

TEST(AdviceFollowUp, BaselineTimingAndVerdicts) {
    const auto at = [](Timestamp t, Pressure p) { return sample(kT0 + t, p); };
    const auto N = Pressure::normal, W = Pressure::warning, C = Pressure::critical,
               U = Pressure::unknown;
    struct Case {
        std::optional<LightweightSample> baseline;
        std::vector<LightweightSample> after;
        std::string message;
    };
    const Case cases[] = {
        // The baseline must be a sample from the two minutes before the confirmation.
        {at(-120, W), {at(60, N)}, kDecrease},
        {at(-121, W), {at(60, N)}, kInsufficient},
        {at(1, W), {at(60, N)}, kInsufficient},
        {std::nullopt, {at(60, N)}, kInsufficient},
        // The verdict waits for a sample 60 s to 180 s after the confirmation.
        {at(0, W), {at(-30, N), at(59.9, N)}, kWaiting},
        {at(0, W), {at(180, N)}, kDecrease},
        {at(0, W), {at(180.1, N)}, kInsufficient},
        // Only a fall of the kernel's level is a decrease.
        {at(0, C), {at(61, W)}, kDecrease},
        {at(0, W), {at(61, W)}, kNoDecrease},
        {at(0, W), {at(61, U)}, kInsufficient},
        {at(0, U), {at(61, N)}, kInsufficient},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(verdict(c.baseline, c.after), c.message) << "row " << &c - cases;
    }
}

TEST(AdviceFollowUp, NothingBeforeAStartAndTheVerdictStaysUntilARestart) {
    AdviceFollowUp f;
    f.consume(sample(kT0, Pressure::normal));
    EXPECT_FALSE(f.isPending());
    EXPECT_EQ(f.message, kIdle);

    f.start(sample(kT0, Pressure::critical), kT0);
    f.consume(sample(kT0 + 60, Pressure::normal));
    f.consume(sample(kT0 + 120, Pressure::critical));
    EXPECT_EQ(f.message, kDecrease);

    f.start(sample(kT0 + 120, Pressure::critical), kT0 + 130);
    f.consume(sample(kT0 + 180, Pressure::normal));  // only 50 s after the restart
    EXPECT_TRUE(f.isPending());
    f.consume(sample(kT0 + 190, Pressure::critical));
    EXPECT_EQ(f.message, kNoDecrease);
}

}  // namespace
}  // namespace tidemark
