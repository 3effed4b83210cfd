#include "core/PressureWatch.h"

#include <gtest/gtest.h>

#include <vector>

#include "FakePressureEvents.h"
#include "ManualScheduler.h"
#include "ScriptedSource.h"

namespace tidemark {
namespace {

constexpr std::uint64_t kPhysical = test::ScriptedSource::kGiB * 16;

class PressureWatchTest : public ::testing::Test {
protected:
    // Monitoring has begun: one regular tick, then the watch.
    void begin(bool eventsAccepted = true) {
        events.accept = eventsAccepted;
        watch.tickTaken(machine.lightweightSample(), false);
        watch.start([this](const LightweightSample& sample) {
            earlyTicks.push_back(sample);
            // What the shell does: the tick runs on the look's sample.
            watch.tickTaken(sample, true);
        });
    }
    int looks() const { return static_cast<int>(watch.lookCount()); }

    test::ManualScheduler scheduler;
    test::ScriptedSource machine{&scheduler};
    test::FakePressureEvents events;
    PressureWatch watch{machine, scheduler, &events, 60};
    std::vector<LightweightSample> earlyTicks;
};

TEST_F(PressureWatchTest, AKernelEventTicksEarlyOnlyOnARise) {
    begin();
    EXPECT_TRUE(watch.hasPressureEvents());

    // A stall that leaves the level where the last tick had it: looked at,
    // nothing more.
    scheduler.advance(3);
    events.fire();
    EXPECT_EQ(looks(), 1);
    EXPECT_TRUE(earlyTicks.empty());

    // The tick runs on the look's own sample, taken now.
    machine.next.pressure = Pressure::warning;
    events.fire();
    EXPECT_EQ(earlyTicks, std::vector{machine.lightweightSample()});

    // Same level again: no tick. Critical 1 s later is held to the 2 s
    // spacing, then looked at again and ticked.
    events.fire();
    machine.next.pressure = Pressure::critical;
    scheduler.advance(1);
    events.fire();
    EXPECT_EQ(earlyTicks.size(), 1u);
    scheduler.advance(1);
    ASSERT_EQ(earlyTicks.size(), 2u);
    EXPECT_EQ(earlyTicks[1].pressure, Pressure::critical);

    watch.stop();
    EXPECT_FALSE(events.isListening());
    scheduler.advance(600);
    EXPECT_EQ(earlyTicks.size(), 2u);
}

// With the trigger refused the looks alone find a rise.
TEST_F(PressureWatchTest, LooksEveryTenSecondsAndEveryTwoWhileMemoryFalls) {
    begin(false);
    EXPECT_EQ(events.starts, 1);
    EXPECT_FALSE(watch.hasPressureEvents());
    const Timestamp started = scheduler.now();
    // Steady: one look every 10 s, and none on top of the regular tick,
    // whose sample counts as a look; the next is a full interval later.
    scheduler.advance(60.5);
    EXPECT_EQ(looks(), 5);
    watch.tickTaken(machine.lightweightSample(), false);
    scheduler.advance(9.9);
    EXPECT_EQ(looks(), 5);
    scheduler.advance(0.1);
    EXPECT_EQ(looks(), 6);

    // A runaway program: 2 % of RAM per 10 s.
    int fast = 0;
    for (int i = 0; i < 25; ++i) {
        *machine.next.memoryUsedBytes += kPhysical / 500;  // 0.2 % a second
        const int looked = looks();
        scheduler.advance(1);
        fast += looks() - looked;
    }
    EXPECT_TRUE(watch.cadence().isFalling());
    EXPECT_GE(fast, 6);  // 2 s apart once the fall was seen

    // The fall stops: back to 10 s within one measuring window.
    scheduler.advance(WatchCadence::kFallWindowSeconds + 2);
    EXPECT_FALSE(watch.cadence().isFalling());
    scheduler.advance(started + 120.5 - scheduler.now());
    watch.tickTaken(machine.lightweightSample(), false);
    const int settled = looks();
    scheduler.advance(30);
    EXPECT_EQ(looks(), settled + 3);

    machine.next.pressure = Pressure::critical;
    scheduler.advance(9.9);
    EXPECT_TRUE(earlyTicks.empty());
    scheduler.advance(0.1);
    EXPECT_EQ(earlyTicks, std::vector{machine.lightweightSample()});
}

TEST(EarlyTickPolicyTest, RisesAreBoundedAndSpaced) {
    EarlyTickPolicy policy;
    EXPECT_FALSE(policy.decide(Pressure::critical, 100).tickNow);  // before the first tick

    policy.recordTick(Pressure::normal, 100, false);
    struct Row {
        Pressure looked;
        Timestamp at;
        bool tickNow;
        std::optional<double> retry;
    };
    const Row rows[] = {
        {Pressure::normal, 110, false, std::nullopt}, {Pressure::unknown, 110, false, std::nullopt},
        {Pressure::warning, 101.5, false, 0.5},       {Pressure::warning, 102, true, std::nullopt},
        {Pressure::critical, 50, true, std::nullopt},  // the clock went back
    };
    for (const Row& row : rows) {
        const auto decision = policy.decide(row.looked, row.at);
        EXPECT_EQ(std::pair(decision.tickNow, decision.retryAfterSeconds),
                  std::pair(row.tickNow, row.retry))
            << toString(row.looked) << " at " << row.at;
    }

    // At most two early ticks until the next regular one.
    policy.recordTick(Pressure::normal, 110, true);
    policy.recordTick(Pressure::normal, 120, true);
    EXPECT_FALSE(policy.decide(Pressure::critical, 130).tickNow);
    policy.recordTick(Pressure::normal, 170, false);
    EXPECT_TRUE(policy.decide(Pressure::critical, 180).tickNow);
}

}  // namespace
}  // namespace tidemark
