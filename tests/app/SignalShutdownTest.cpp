#include "app/SignalShutdown.h"

#include <signal.h>

#include <QSignalSpy>
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "TrayProgram.h"
#include "core/Clock.h"
#include "history/IncidentRecord.h"

namespace tidemark {
namespace {

TEST(SignalShutdownTest, EachSignalArrivesAsAnEventAndTheOldHandlerReturns) {
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction before {
        }, after{};
        ::sigaction(signalNumber, nullptr, &before);
        {
            SignalShutdown shutdown;
            ASSERT_TRUE(shutdown.isActive());
            QSignalSpy spy(&shutdown, &SignalShutdown::shutdownRequested);
            ::raise(signalNumber);
            ASSERT_TRUE(spy.wait(5000));
            EXPECT_EQ(spy.at(0).at(0).toInt(), signalNumber);
        }
        ::sigaction(signalNumber, nullptr, &after);
        EXPECT_EQ(after.sa_handler, before.sa_handler);
    }
}

TEST(SignalShutdownTest, AHangUpIgnoredAtStartStaysIgnored) {
    struct sigaction ignore {
    }, before{}, during{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGHUP, &ignore, &before);
    {
        SignalShutdown shutdown;
        QSignalSpy spy(&shutdown, &SignalShutdown::shutdownRequested);
        ::sigaction(SIGHUP, nullptr, &during);
        EXPECT_EQ(during.sa_handler, SIG_IGN);
        ::raise(SIGHUP);
        ::raise(SIGTERM);
        ASSERT_TRUE(spy.wait(5000));
        EXPECT_EQ(spy.at(0).at(0).toInt(), SIGTERM);
    }
    ::sigaction(SIGHUP, &before, nullptr);
}

// A signal ends the program with status 0: while start-up closes the
// incident the last run left open, the history file stays complete; while
// the first question of a fresh profile is open, the signal answers it as
// its quit button would, and nothing is stored.
TEST(SignalShutdownTest, TheProgramQuitsCleanlyOnASignal) {
    test::TempDir dir;
    const test::TrayProgram tray(dir.path());
    const auto history = tray.dataHome() / "tidemark/incidents.json";
    IncidentRecord open;
    open.id = makeIncidentId();
    open.startedAt = SystemClock().now() - 600;
    test::TempDir::writeFile(history, encodeIncidentFile({open}));
    const test::TempDir freshDir;
    const test::TrayProgram fresh(freshDir.path());
    for (auto&& [run, ready] : {std::pair{tray.start({"--accept-local-monitoring-for-testing"}),
                                          "listening for later starts"},
                                {fresh.start({}), "asking for consent"}}) {
        ASSERT_TRUE(run->waitFor(ready, 20'000)) << run->output.toStdString();
        ::kill(static_cast<pid_t>(run->process->processId()), SIGTERM);
        EXPECT_TRUE(run->finishesCleanly(20'000)) << run->output.toStdString();
        EXPECT_TRUE(run->output.contains("shutting down on a signal"));
    }
    // Real memory pressure may have opened an incident of the program's own.
    const auto records = decodeIncidentFile(test::TempDir::readFile(history));
    const auto earlier = std::find_if(records.begin(), records.end(),
                                      [&](const IncidentRecord& r) { return r.id == open.id; });
    ASSERT_NE(earlier, records.end());
    EXPECT_TRUE(earlier->monitoringInterruptedAt.has_value());
    EXPECT_FALSE(std::filesystem::exists(freshDir / "home/.config/tidemark/preferences.json"));
}

}  // namespace
}  // namespace tidemark
