#include "app/QtScheduler.h"

#include <QEventLoop>
#include <QScopeGuard>

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

namespace tidemark {
namespace {

TEST(QtSchedulerTest, RunsLaterInOrderAndHonoursCancellation) {
    QtScheduler scheduler;
    std::vector<int> ran;
    TimerId dueButCancelled = 0;
    // An action may cancel work that is already due as well.
    scheduler.scheduleAfter(0, [&] {
        ran.push_back(1);
        scheduler.cancel(dueButCancelled);
    });
    dueButCancelled = scheduler.scheduleAfter(0, [&] { ran.push_back(2); });
    const TimerId cancelled = scheduler.scheduleAfter(0, [&] { ran.push_back(3); });
    scheduler.scheduleAfter(0, [&] { ran.push_back(4); });
    scheduler.cancel(cancelled);
    scheduler.cancel(cancelled);  // twice is harmless
    EXPECT_TRUE(ran.empty());     // never at once

    QEventLoop loop;
    scheduler.scheduleAfter(0, [&] { loop.quit(); });
    loop.exec();
    EXPECT_EQ(ran, (std::vector<int>{1, 4}));
}

// A pressure trigger reports through POLLPRI, not as readable data; urgent
// data on a socket raises the same condition.
TEST(QtSchedulerTest, WatchesTheExceptionalConditionOfADescriptor) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    const auto closeBoth = qScopeGuard([&] {
        ::close(fds[0]);
        ::close(fds[1]);
    });
    QtScheduler scheduler;
    int ready = 0;
    QEventLoop loop;
    scheduler.watchExceptional(fds[0], [&] {
        ++ready;
        scheduler.unwatch(fds[0]);  // from inside its own callback
        loop.quit();
    });
    if (::send(fds[1], "!", 1, MSG_OOB) != 1) {
        GTEST_SKIP() << "this kernel has no urgent data on local sockets";
    }
    scheduler.scheduleAfter(5, [&] { loop.quit(); });
    loop.exec();
    EXPECT_EQ(ready, 1);
}

}  // namespace
}  // namespace tidemark
