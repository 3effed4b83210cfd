#include "app/MonitoringEngine.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "history/IncidentStore.h"

namespace tidemark {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

class ScriptedSource final : public SampleSource {
public:
    LightweightSample lightweightSample() override { return next; }
    SystemSnapshot capture(std::size_t limit) override {
        ++captures;
        SystemSnapshot s;
        s.topApplications = apps;
        if (s.topApplications.size() > limit)
            s.topApplications.resize(limit);
        s.processListAvailable = !apps.empty();
        return s;
    }
    LightweightSample next;
    std::vector<AppMemory> apps;
    int captures = 0;
};

class MonitoringEngineTest : public ::testing::Test {
protected:
    MonitoringEngineTest()
        : store(dir / "incidents.json", calendar, kStart), engine(source, store) {
        source.apps = {{"Google Chrome", "com.google.Chrome", 4 * kGiB, 20},
                       {"Codex", std::nullopt, 2 * kGiB, 4},
                       {"Safari", "com.apple.Safari", 3 * kGiB / 2, 6},
                       {"bash", std::nullopt, 1 << 20, 1}};
    }

    TickReport tickAt(int minute, Pressure pressure) {
        source.next = {kStart + 60.0 * minute, pressure, 0, 16 * kGiB, 8 * kGiB};
        return engine.tick();
    }

    static constexpr Timestamp kStart = 1'765'000'000.0;
    test::TempDir dir;
    LocalCalendar calendar;
    ScriptedSource source;
    IncidentStore store;
    MonitoringEngine engine;
};

TEST_F(MonitoringEngineTest, AlertCapturesRecordsAndAsksForOneNotificationWithTheFirstPlan) {
    std::vector<std::pair<AlertEvent, std::optional<AdvicePlan>>> alerts;
    engine.onAlert = [&](AlertEvent e, const std::optional<AdvicePlan>& p) {
        alerts.emplace_back(e, p);
    };

    EXPECT_FALSE(tickAt(0, Pressure::normal).captured);
    TickReport critical = tickAt(1, Pressure::critical);

    ASSERT_EQ(critical.alert, AlertEvent::critical);
    EXPECT_TRUE(critical.captured);
    EXPECT_EQ(source.captures, 1);
    ASSERT_EQ(alerts.size(), 1u);
    ASSERT_TRUE(alerts[0].second.has_value());
    EXPECT_EQ(alerts[0].second->id, "chrome.inspect.critical.v1");
    EXPECT_EQ(critical.advicePlans.size(), 3u);

    ASSERT_EQ(store.records().size(), 1u);
    EXPECT_EQ(store.records()[0].topApplications.size(), 3u);
    EXPECT_EQ(store.records()[0].highestLevel, RiskLevel::critical);

    // Still critical, inside the cool-down: no alert, and the open incident
    // needs no new applications, so the process list is not read again.
    TickReport again = tickAt(2, Pressure::critical);
    EXPECT_FALSE(again.alert.has_value());
    EXPECT_FALSE(again.captured);
    EXPECT_EQ(source.captures, 1);
}

TEST_F(MonitoringEngineTest, RecoveryIsRecordedOnceOnTheSecondCalmTick) {
    int safeTicks = 0;
    engine.onDisplayedSafe = [&] { ++safeTicks; };
    tickAt(0, Pressure::critical);
    std::vector<bool> recovered;
    for (int minute = 1; minute <= 4; ++minute) {
        recovered.push_back(tickAt(minute, Pressure::normal).recovered);
    }
    EXPECT_EQ(recovered, (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(safeTicks, 3);
    ASSERT_EQ(store.records().size(), 1u);
    EXPECT_EQ(store.records()[0].recoveredAt, kStart + 120);
}

TEST_F(MonitoringEngineTest, FollowUpVerdictReachesTheAdviceHookOnTheFirstTickAMinuteLater) {
    std::vector<std::pair<std::string, bool>> updates;
    engine.onFollowUpUpdate = [&](const std::string& m, bool c) { updates.emplace_back(m, c); };
    tickAt(0, Pressure::critical);
    engine.confirmAdvice(kStart + 5);
    tickAt(1, Pressure::warning);  // 55 s after confirming: keep waiting
    EXPECT_FALSE(updates.back().second);
    tickAt(2, Pressure::warning);
    EXPECT_TRUE(updates.back().second);
    EXPECT_EQ(updates.back().first, engine.adviceFollowUp.message);
    EXPECT_NE(updates.back().first.find("观察到系统压力下降"), std::string::npos);
}

TEST_F(MonitoringEngineTest, SnapshotsReplaceRankingAndAvailabilityTogether) {
    engine.refreshTopApplications();
    EXPECT_EQ(engine.topApplications.size(), 4u);
    EXPECT_TRUE(engine.applicationRankingAvailable);
    source.apps.clear();
    engine.refreshTopApplications();
    EXPECT_TRUE(engine.topApplications.empty());
    EXPECT_FALSE(engine.applicationRankingAvailable);
}

}  // namespace
}  // namespace tidemark
