#include "app/SignalShutdown.h"

#include <signal.h>

#include <QSignalSpy>
#include <algorithm>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "TrayProgram.h"
#include "core/Clock.h"
#include "history/IncidentRecord.h"

namespace tidemark {
namespace {

TEST(SignalShutdownTest, ASignalArrivesAsAnEventAndTheOldHandlerReturns) {
    {
        SignalShutdown shutdown;
        ASSERT_TRUE(shutdown.isActive());
        QSignalSpy spy(&shutdown, &SignalShutdown::shutdownRequested);
        ::raise(SIGTERM);
        ASSERT_TRUE(spy.wait(5000));
        EXPECT_EQ(spy.at(0).at(0).toInt(), SIGTERM);
    }
    struct sigaction current {};
    ::sigaction(SIGTERM, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}

// A signal while start-up closes the incident the last run left open still
// ends the program with status 0 and the history file complete.
TEST(SignalShutdownTest, TheProgramQuitsCleanlyOnEachSignal) {
    test::TempDir dir;
    const test::TrayProgram tray(dir.path());
    const auto history = tray.dataHome() / "tidemark/incidents.json";
    IncidentRecord open;
    open.id = makeIncidentId();
    open.startedAt = SystemClock().now() - 600;
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        test::TempDir::writeFile(history, encodeIncidentFile({open}));
        auto run = tray.start({"--accept-local-monitoring-for-testing"});
        ASSERT_TRUE(run->waitFor("listening for later starts", 20'000))
            << run->output.toStdString();
        ::kill(static_cast<pid_t>(run->process->processId()), signalNumber);
        EXPECT_TRUE(run->finishesCleanly(20'000)) << signalNumber << run->output.toStdString();
        EXPECT_TRUE(run->output.contains("shutting down on a signal"));
        // Real memory pressure may have opened an incident of the program's own.
        const auto records = decodeIncidentFile(test::TempDir::readFile(history));
        const auto earlier = std::find_if(records.begin(), records.end(),
                                          [&](const IncidentRecord& r) { return r.id == open.id; });
        ASSERT_NE(earlier, records.end());
        EXPECT_TRUE(earlier->monitoringInterruptedAt.has_value());
    }
}

}  // namespace
}  // namespace tidemark
