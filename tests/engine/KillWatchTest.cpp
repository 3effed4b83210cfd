#include "engine/KillWatch.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "ManualScheduler.h"
#include "ScriptedSource.h"

namespace tidemark {
namespace {

using test::ManualScheduler;
using test::ScriptedSource;
constexpr std::uint64_t kGiB = ScriptedSource::kGiB;

class FakeKillSignals final : public KillSignals {
public:
    KillerInventory readInventory() override { return inventory; }
    KillCounters readCounters() override { return counters; }

    KillerInventory inventory;
    KillCounters counters{0, 0, 6 * kGiB, 24 * kGiB};
};

// The machine, the killers' files and the watch, with what it reported.
struct Rig {
    Rig() {
        source.applications = {{"python3", std::nullopt, 20 * kGiB, 1},
                               {"Firefox", "firefox", 2 * kGiB, 9}};
        watch.onKill = [this](const KillReport& kill) { kills.push_back(kill); };
    }
    // The critical alert's capture, then the killer strikes python3.
    void armAndEndPython() {
        watch.arm(source.applications);
        source.applications.erase(source.applications.begin());
    }

    ManualScheduler scheduler;
    ScriptedSource source{&scheduler};
    FakeKillSignals signals;
    KillWatch watch{signals, source, scheduler, scheduler};
    std::vector<KillReport> kills;
};

// Every way a kill is heard of, each with what it is sure of.
TEST(KillWatchTest, EachSourceNamesTheKillerAndTheApplication) {
    struct Row {
        const char* what;
        bool oomd;
        std::function<void(Rig&)> event;
        Killer killer;
        bool certain;
    };
    const Row rows[] = {
        {"kernel counter", false, [](Rig& t) { ++*t.signals.counters.kernelOomKills; },
         Killer::kernel, true},
        {"session cgroup", false, [](Rig& t) { ++*t.signals.counters.sessionOomKills; },
         Killer::kernel, true},
        {"user unit result", false, [](Rig& t) { t.watch.noteKill(KillSource::userManagerUnit); },
         Killer::kernel, true},
        // With systemd-oomd about, a unit's oom-kill may be either's.
        {"user unit result, oomd runs", true,
         [](Rig& t) { t.watch.noteKill(KillSource::userManagerUnit); }, Killer::systemdOomd, false},
        {"oomd signal", true, [](Rig& t) { t.watch.noteKill(KillSource::oomdSignal); },
         Killer::systemdOomd, true},
        {"earlyoom signal", false, [](Rig& t) { t.watch.noteKill(KillSource::earlyoomSignal); },
         Killer::earlyoom, true},
    };
    for (const Row& row : rows) {
        Rig t;
        t.signals.inventory.systemdOomd = row.oomd;
        t.armAndEndPython();
        row.event(t);
        t.scheduler.advance(KillWatch::kPollSeconds);
        ASSERT_EQ(t.kills.size(), 1u) << row.what;
        EXPECT_EQ(t.kills[0].killer, row.killer) << row.what;
        EXPECT_EQ(t.kills[0].certain, row.certain) << row.what;
        ASSERT_TRUE(t.kills[0].application) << row.what;
        EXPECT_EQ(t.kills[0].application->name, "python3") << row.what;
    }
}

TEST(KillWatchTest, EarlyoomWithoutSignalIsLikelyAndOnlyNearItsLine) {
    // Available % when armed, then after a 20 GB return. Memory that comes
    // back far above earlyoom's 10 % is someone closing a program.
    for (const auto& [before, after, killed] : {std::tuple{11, 60, true}, {40, 90, false}}) {
        Rig t;
        t.signals.inventory.earlyoom = true;
        t.signals.counters.availableBytes = 24 * kGiB * before / 100;
        t.armAndEndPython();
        t.scheduler.advance(1);
        t.signals.counters.availableBytes = 24 * kGiB * after / 100;
        t.scheduler.advance(1);
        ASSERT_EQ(t.kills.size(), killed ? 1u : 0u) << before;
        if (killed) {
            EXPECT_EQ(t.kills[0].killer, Killer::earlyoom);
            EXPECT_FALSE(t.kills[0].certain);
            EXPECT_EQ(t.kills[0].application->name, "python3");
        }
    }
}

TEST(KillWatchTest, OneReportPerKillAndLikelyWhenTheVictimIsUnclear) {
    Rig t;
    t.armAndEndPython();
    ++*t.signals.counters.kernelOomKills;
    ++*t.signals.counters.sessionOomKills;
    t.scheduler.advance(1);
    t.watch.noteKill(KillSource::userManagerUnit);  // the same kill, told again
    t.scheduler.advance(2);
    ASSERT_EQ(t.kills.size(), 1u);

    // Two applications gone at once: which one the kernel took is a guess,
    // unless one lost far more (a program that ended on its own meanwhile).
    // One that only shrank, all its processes still there, had its pages
    // reclaimed while the kernel thrashed: it does not count at all.
    struct Case {
        std::uint64_t secondBytes;
        bool secondEnds;
        bool certain;
    };
    for (const Case& c :
         {Case{10 * kGiB, true, false}, Case{2 * kGiB, true, true}, Case{10 * kGiB, false, true}}) {
        Rig two;
        two.source.applications[1].residentBytes = c.secondBytes;
        two.watch.arm(two.source.applications);
        two.source.applications.erase(two.source.applications.begin());
        if (c.secondEnds) {
            two.source.applications.clear();
        } else {
            two.source.applications[0].residentBytes = kGiB / 2;
        }
        ++*two.signals.counters.kernelOomKills;
        two.scheduler.advance(1);
        ASSERT_EQ(two.kills.size(), 1u);
        EXPECT_EQ(two.kills[0].certain, c.certain) << c.secondBytes << c.secondEnds;
        EXPECT_EQ(two.kills[0].application->name, "python3");
    }

    // Not armed: the tick's check still hears it, with nobody to name.
    Rig quiet;
    quiet.watch.check();
    ++*quiet.signals.counters.kernelOomKills;
    quiet.watch.check();
    ASSERT_EQ(quiet.kills.size(), 1u);
    EXPECT_FALSE(quiet.kills[0].application);
    EXPECT_FALSE(quiet.kills[0].certain);
    EXPECT_EQ(quiet.source.captures, 0);
}

// The alert can come long before the kill (a stall first, a slow leak
// after): the runaway that was small then is in the list by the kill.
TEST(KillWatchTest, TheListToCompareWithIsKeptFresh) {
    Rig t;
    const std::vector<AppMemory> atAlert = {t.source.applications[1]};
    t.watch.arm(atAlert);
    t.scheduler.advance(KillWatch::kBeforeRefreshSeconds);
    t.source.applications.erase(t.source.applications.begin());
    ++*t.signals.counters.kernelOomKills;
    t.scheduler.advance(1);
    ASSERT_EQ(t.kills.size(), 1u);
    EXPECT_EQ(t.kills[0].application->name, "python3");
}

TEST(KillWatchTest, PollsOnlyForAWhileAfterTheAlert) {
    Rig t;
    t.armAndEndPython();
    t.scheduler.advance(KillWatch::kArmedSeconds + 2);
    EXPECT_FALSE(t.watch.isArmed());
    EXPECT_EQ(t.scheduler.pendingCount(), 0u);
}

}  // namespace
}  // namespace tidemark
