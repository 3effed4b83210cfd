#include "app/SingleInstance.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "TrayProgram.h"

namespace tidemark {
namespace {

const QStringList kTray = {"--accept-local-monitoring-for-testing"};
constexpr QByteArrayView kListening = "listening for later starts";
constexpr QByteArrayView kActivated = "activation requested";
constexpr int kStartMilliseconds = 20'000;  // a sanitizer build on a busy machine

TEST(SingleInstanceTest, ALaterStartActivatesTheRunningInstanceOrReplacesACrashedOne) {
    test::TempDir dir;
    const test::TrayProgram tray(dir.path());
    auto first = tray.start(kTray);
    ASSERT_TRUE(first->waitFor(kListening, kStartMilliseconds)) << first->output.toStdString();
    auto second = tray.start(kTray + QStringList{"--show-panel"});
    EXPECT_TRUE(second->finishesCleanly(kStartMilliseconds)) << second->output.toStdString();
    EXPECT_TRUE(first->waitFor(kActivated, 5000)) << first->output.toStdString();

    first->process->kill();  // leaves its socket behind
    first->process->waitForFinished();
    auto next = tray.start(kTray);
    EXPECT_TRUE(next->waitFor(kListening, kStartMilliseconds)) << next->output.toStdString();
}

TEST(SingleInstanceTest, ForeignRequestsAreRefused) {
    test::TempDir dir;
    SingleInstance instance(QString::fromStdString(dir.path().string()), "wayland-1");
    ASSERT_EQ(instance.claim(), SingleInstance::Role::primary);
    EXPECT_TRUE(instance.socketPath().endsWith("/tidemark-wayland-1.socket"));
    QSignalSpy activations(&instance, &SingleInstance::activationRequested);
    for (const QByteArray& request : {QByteArray("quit\n"), QByteArray(100, 'a')}) {
        QLocalSocket client;
        client.connectToServer(instance.socketPath());
        ASSERT_TRUE(client.waitForConnected(1000));
        client.write(request);
        client.flush();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return client.state() == QLocalSocket::UnconnectedState; }, 5000));
    }
    EXPECT_EQ(activations.count(), 0);
}

}  // namespace
}  // namespace tidemark
