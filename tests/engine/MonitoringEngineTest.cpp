#include "engine/MonitoringEngine.h"

#include <gtest/gtest.h>

#include "ScriptedSource.h"
#include "TempDir.h"
#include "history/IncidentStore.h"

namespace tidemark {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;
constexpr Timestamp kStart = 1'765'000'000.0;

class MonitoringEngineTest : public ::testing::Test {
protected:
    TickReport tickAt(int minute, Pressure pressure) {
        source.next = {kStart + 60.0 * minute, pressure, 0, 16 * kGiB, 8 * kGiB};
        return engine.tick();
    }

    test::TempDir dir;
    LocalCalendar calendar;
    test::ScriptedSource source;
    IncidentStore store{dir / "incidents.json", calendar, kStart};
    MonitoringEngine engine{source, store};
};

TEST_F(MonitoringEngineTest, AlertCapturesOnceRecordsAndRecoversOnTheSecondCalmTick) {
    std::vector<std::string> alertPlans;
    std::vector<std::size_t> recordsAtAlert;  // the notification goes before the history
    engine.onAlert = [&](AlertEvent, const std::optional<AdvicePlan>& p) {
        alertPlans.push_back(p ? p->id : "");
        recordsAtAlert.push_back(store.records().size());
    };
    int safeTicks = 0;
    engine.onDisplayedSafe = [&] { ++safeTicks; };

    EXPECT_FALSE(tickAt(0, Pressure::normal).captured);
    const TickReport critical = tickAt(1, Pressure::critical);
    EXPECT_EQ(critical.alert, AlertEvent::critical);
    EXPECT_TRUE(critical.captured);
    EXPECT_EQ(alertPlans, std::vector<std::string>{"chrome.inspect.critical.v1"});
    EXPECT_EQ(recordsAtAlert, std::vector<std::size_t>{0});
    EXPECT_EQ(critical.advicePlans.size(), 3u);
    ASSERT_EQ(store.records().size(), 1u);
    EXPECT_EQ(store.records()[0].topApplications.size(), 3u);

    // Inside the cool-down the open incident needs no new applications, so
    // the process list is not read again.
    const TickReport again = tickAt(2, Pressure::critical);
    EXPECT_FALSE(again.alert || again.captured);
    EXPECT_EQ(source.captures, 1);

    std::vector<bool> recovered;
    for (int minute = 3; minute <= 6; ++minute)
        recovered.push_back(tickAt(minute, Pressure::normal).recovered);
    EXPECT_EQ(recovered, (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(safeTicks, 4);
    EXPECT_EQ(store.records()[0].recoveredAt, kStart + 240);
}

}  // namespace
}  // namespace tidemark
