#include "app/FreedesktopNotificationClient.h"

#include <sys/prctl.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <optional>
#include <vector>

#include "MemoryPreferenceStore.h"
#include "TempDir.h"
#include "app/LocalNotificationService.h"

namespace tidemark {
namespace {

// Stands in for the desktop's notification server and records what it gets.
class RecordingServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName;
        uint replacesId;
        QString icon, summary, body;
        QVariantMap hints;
        int expireTimeout;
    };
    QStringList capabilities{QStringLiteral("body")};
    std::vector<Call> calls;
    uint lastId = 40;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& appName, uint replacesId, const QString& icon,
                const QString& summary, const QString& body, const QStringList&,
                const QVariantMap& hints, int expireTimeout) {
        calls.push_back({appName, replacesId, icon, summary, body, hints, expireTimeout});
        return replacesId != 0 ? replacesId : ++lastId;
    }
};

// A private session bus for one test; the daemon dies with the test.
class FreedesktopNotificationClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto services = dir / "services";
        std::filesystem::create_directories(services);
        test::TempDir::writeFile(dir / "bus.conf", R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=)" + dir.path().string() + R"(</listen>
  <servicedir>)" + services.string() + R"(</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/>
  </policy>
</busconfig>
)");
        daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        daemon.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--config-file=") + QString::fromStdString((dir / "bus.conf").string()),
             QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        while (!daemon.canReadLine() && daemon.waitForReadyRead(10000)) {
        }
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty()) << daemon.readAllStandardError().toStdString();
        const QString tag = QString::number(++s_connections);
        serverBus.emplace(QDBusConnection::connectToBus(address, QStringLiteral("server") + tag));
        clientBus.emplace(QDBusConnection::connectToBus(address, QStringLiteral("client") + tag));
        ASSERT_TRUE(serverBus->isConnected() && clientBus->isConnected());
        client = std::make_unique<FreedesktopNotificationClient>(*clientBus);
    }

    void TearDown() override {
        client.reset();
        for (auto* bus : {&serverBus, &clientBus}) {
            if (*bus)
                QDBusConnection::disconnectFromBus((*bus)->name());
            bus->reset();
        }
        daemon.kill();
        daemon.waitForFinished();
    }

    void startServer() {
        ASSERT_TRUE(serverBus->registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                              &server, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(serverBus->registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    AuthorizationStatus status() {
        std::optional<AuthorizationStatus> answer;
        client->authorizationStatus([&](AuthorizationStatus s) { answer = s; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
        return answer.value_or(AuthorizationStatus::notDetermined);
    }

    std::optional<std::string> post(const std::string& identifier, const std::string& body,
                                    AlertEvent event = AlertEvent::warning) {
        bool finished = false;
        std::optional<std::string> error;
        client->add({identifier, "标题", body, event}, [&](std::optional<std::string> e) {
            error = std::move(e);
            finished = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished; }, 10000));
        return error;
    }

    static inline int s_connections = 0;
    test::TempDir dir;
    QProcess daemon;
    std::optional<QDBusConnection> serverBus, clientBus;
    RecordingServer server;
    std::unique_ptr<FreedesktopNotificationClient> client;
};

TEST_F(FreedesktopNotificationClientTest, PostsToTheServerAndReplacesByIdentifier) {
    startServer();
    EXPECT_EQ(status(), AuthorizationStatus::authorized);

    EXPECT_FALSE(post("tidemark-warning-live", "关闭 <a href=\"x\">Tom & Jerry</a>"));
    server.capabilities << QStringLiteral("body-markup");
    EXPECT_FALSE(post("tidemark-warning-live", "关闭 <a href=\"x\">Tom & Jerry</a>"));
    EXPECT_FALSE(post("tidemark-critical-live", "正文", AlertEvent::critical));
    EXPECT_FALSE(post("tidemark-warning-live", "正文"));

    ASSERT_EQ(server.calls.size(), 4u);
    const auto& first = server.calls[0];
    EXPECT_EQ(first.appName, QStringLiteral("潮痕"));
    EXPECT_EQ(first.icon, QStringLiteral("tidemark"));
    EXPECT_EQ(first.summary, QStringLiteral("标题"));
    EXPECT_EQ(first.body, QStringLiteral("关闭 <a href=\"x\">Tom & Jerry</a>"));
    EXPECT_EQ(first.expireTimeout, -1);
    EXPECT_EQ(first.hints.value(QStringLiteral("desktop-entry")).toString(), "tidemark");
    EXPECT_EQ(first.hints.value(QStringLiteral("sound-name")).toString(), "message-new-instant");
    EXPECT_EQ(first.hints.value(QStringLiteral("urgency")).metaType(),
              QMetaType::fromType<uchar>());
    EXPECT_EQ(first.hints.value(QStringLiteral("urgency")).toInt(), 1);
    EXPECT_EQ(server.calls[2].hints.value(QStringLiteral("urgency")).toInt(), 2);

    EXPECT_EQ(server.calls[1].body,
              QStringLiteral("关闭 &lt;a href=\"x\"&gt;Tom &amp; Jerry&lt;/a&gt;"));

    EXPECT_EQ(first.replacesId, 0u);
    EXPECT_EQ(server.calls[1].replacesId, 41u);
    EXPECT_EQ(server.calls[2].replacesId, 0u);
    EXPECT_EQ(server.calls[3].replacesId, 41u);
}

TEST_F(FreedesktopNotificationClientTest, WithoutServerRemindersStayOffAndSendsAreDropped) {
    EXPECT_EQ(status(), AuthorizationStatus::denied);
    EXPECT_TRUE(post("tidemark-warning-live", "正文").has_value());

    test::MemoryPreferenceStore preferences;
    LocalNotificationService service(*client, true, preferences);
    bool finished = false;
    service.setRemindersEnabled(true, [&] { finished = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 10000));
    EXPECT_FALSE(service.isEnabled());
    EXPECT_EQ(service.authorizationStatus(), AuthorizationStatus::denied);

    // A server that turns up later is found at the next refresh.
    startServer();
    finished = false;
    service.refreshAuthorizationState([&] { finished = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 10000));
    EXPECT_TRUE(service.isEnabled());
}

TEST_F(FreedesktopNotificationClientTest, AnActivatableServerCountsAsPresent) {
    test::TempDir::writeFile(dir / "services" / "org.freedesktop.Notifications.service",
                             "[D-BUS Service]\nName=org.freedesktop.Notifications\n"
                             "Exec=/bin/false\n");
    EXPECT_EQ(status(), AuthorizationStatus::authorized);
    EXPECT_TRUE(server.calls.empty());
}

TEST_F(FreedesktopNotificationClientTest, WithoutBusConnectionEverythingFailsQuietlyLater) {
    const QDBusConnection none = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=") + QString::fromStdString((dir / "none").string()),
        QStringLiteral("nowhere"));
    client = std::make_unique<FreedesktopNotificationClient>(none);
    EXPECT_EQ(status(), AuthorizationStatus::denied);
    bool called = false;
    client->add({"tidemark-warning-live", "t", "b", AlertEvent::warning},
                [&](std::optional<std::string> error) { called = error.has_value(); });
    EXPECT_FALSE(called);  // never inside the call
    EXPECT_TRUE(QTest::qWaitFor([&] { return called; }, 10000));
    client.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

}  // namespace
}  // namespace tidemark

#include "FreedesktopNotificationClientTest.moc"
