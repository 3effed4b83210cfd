#include "app/FreedesktopNotificationClient.h"

#include <sys/prctl.h>

#include <QDBusConnection>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <set>
#include <vector>

#include "HostileNames.h"
#include "TempDir.h"

namespace tidemark {
namespace {

// Stands in for the desktop's notification server and records what it gets.
// Like Plasma, it treats a replacement of a closed notification as an update
// of its history: nothing pops up.
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
        bool popsUp;
    };
    QStringList capabilities{QStringLiteral("body")};
    std::vector<Call> calls;
    uint lastId = 40;
    std::set<uint> open;

    void close(uint id, uint reason) {
        open.erase(id);
        emit NotificationClosed(id, reason);
    }

signals:
    void NotificationClosed(uint id, uint reason);

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& appName, uint replacesId, const QString& icon,
                const QString& summary, const QString& body, const QStringList&,
                const QVariantMap& hints, int expireTimeout) {
        const bool replaces = replacesId != 0 && replacesId <= lastId;
        calls.push_back({appName, replacesId, icon, summary, body, hints, expireTimeout,
                         !replaces || open.contains(replacesId)});
        const uint id = replaces ? replacesId : ++lastId;
        if (calls.back().popsUp)
            open.insert(id);
        return id;
    }
};

// What a server shows for a body in its markup subset.
QString shownUnderMarkup(QString body) {
    return body.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&");
}

// A private session bus for one test; the daemon dies with the test.
class FreedesktopNotificationClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir / "services");
        const QString conf = QStringLiteral(R"(<busconfig><type>session</type>
            <listen>unix:dir=%1</listen><servicedir>%1/services</servicedir>
            <policy context="default"><allow own="*"/><allow eavesdrop="true"/>
              <allow send_destination="*" eavesdrop="true"/></policy></busconfig>)");
        test::TempDir::writeFile(
            dir / "bus.conf", conf.arg(QString::fromStdString(dir.path().string())).toStdString());
        daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        daemon.start("dbus-daemon",
                     {"--config-file=" + QString::fromStdString((dir / "bus.conf").string()),
                      "--print-address", "--nofork"});
        while (!daemon.canReadLine() && daemon.waitForReadyRead(10000)) {
        }
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty()) << daemon.readAllStandardError().toStdString();
        const QString tag = QString::number(++s_connections);
        serverBus = QDBusConnection::connectToBus(address, "server" + tag);
        clientBus = QDBusConnection::connectToBus(address, "client" + tag);
        ASSERT_TRUE(serverBus.isConnected() && clientBus.isConnected());
        client = std::make_unique<FreedesktopNotificationClient>(clientBus);
    }
    // A private connection must be closed before its last handle goes.
    void TearDown() override {
        client.reset();
        QDBusConnection::disconnectFromBus(serverBus.name());
        QDBusConnection::disconnectFromBus(clientBus.name());
        daemon.kill();
        daemon.waitForFinished();
    }

    void startServer() {
        ASSERT_TRUE(serverBus.registerObject(
            "/org/freedesktop/Notifications", &server,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        ASSERT_TRUE(serverBus.registerService("org.freedesktop.Notifications"));
    }
    // The desktop's server quits and another one takes the name; its ids
    // start afresh, so a stale replacement could hit someone else's entry.
    void restartServer() {
        ASSERT_TRUE(serverBus.unregisterService("org.freedesktop.Notifications"));
        server.open.clear();
        ASSERT_TRUE(serverBus.registerService("org.freedesktop.Notifications"));
    }
    // Starts an asynchronous call and waits for its answer.
    template <typename T>
    T await(const std::function<void(std::function<void(T)>)>& call) {
        std::optional<T> answer;
        call([&](T value) { answer = std::move(value); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
        return answer.value_or(T{});
    }
    AuthorizationStatus status() {
        return await<AuthorizationStatus>([&](auto done) { client->authorizationStatus(done); });
    }
    std::optional<std::string> post(const std::string& identifier, const std::string& body,
                                    AlertEvent event = AlertEvent::warning) {
        return await<std::optional<std::string>>([&](auto done) {
            client->add({identifier, "标题", body, event}, done);
        });
    }

    static inline int s_connections = 0;
    test::TempDir dir;
    QProcess daemon;
    QDBusConnection serverBus{QString()}, clientBus{QString()};
    RecordingServer server;
    std::unique_ptr<FreedesktopNotificationClient> client;
};

TEST_F(FreedesktopNotificationClientTest, PostsToTheServerAndReplacesByIdentifier) {
    startServer();
    EXPECT_EQ(status(), AuthorizationStatus::authorized);
    const std::string link = "关闭 <a href=\"x\">Tom & Jerry</a>";
    EXPECT_FALSE(post("tidemark-warning-live", link));
    server.capabilities << "body-markup";
    EXPECT_FALSE(post("tidemark-warning-live", link));
    EXPECT_FALSE(post("tidemark-critical-live", "正文", AlertEvent::critical));
    EXPECT_FALSE(post("tidemark-warning-live", "正文"));

    ASSERT_EQ(server.calls.size(), 4u);
    const auto& first = server.calls[0];
    EXPECT_EQ(QStringList({first.appName, first.icon, first.summary, first.body}),
              QStringList({"潮痕", "tidemark", "标题", QString::fromStdString(link)}));
    EXPECT_EQ(server.calls[1].body, "关闭 &lt;a href=\"x\"&gt;Tom &amp; Jerry&lt;/a&gt;");
    EXPECT_EQ(first.expireTimeout, -1);
    EXPECT_EQ(first.hints.value("urgency").metaType(), QMetaType::fromType<uchar>());
    EXPECT_EQ(first.hints.value("urgency").toInt(), 1);
    EXPECT_EQ(server.calls[2].hints.value("urgency").toInt(), 2);
    std::vector<uint> replaced;
    for (const auto& call : server.calls)
        replaced.push_back(call.replacesId);
    EXPECT_EQ(replaced, (std::vector<uint>{0, 41, 0, 41}));
}

TEST_F(FreedesktopNotificationClientTest, ReplacesOnlyWhatIsStillShown) {
    startServer();
    struct Case {
        const char* what;
        std::function<void(uint id)> between;
        bool replaced;
    };
    const Case cases[] = {
        {"still shown", [](uint) {}, true},
        {"expired", [&](uint id) { server.close(id, 1); }, false},
        {"dismissed", [&](uint id) { server.close(id, 2); }, false},
        {"closed by a call", [&](uint id) { server.close(id, 3); }, false},
        {"undefined reason", [&](uint id) { server.close(id, 4); }, false},
        {"another id closed", [&](uint id) { server.close(id + 100, 2); }, true},
        {"server restarted", [&](uint) { restartServer(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string identifier = std::string("tidemark-warning-") + c.what;
        ASSERT_FALSE(post(identifier, "第一次"));
        const uint first = server.lastId;
        c.between(first);
        ASSERT_FALSE(post(identifier, "第二次"));
        const auto& second = server.calls.back();
        EXPECT_EQ(second.replacesId, c.replaced ? first : 0u);
        EXPECT_TRUE(second.popsUp);
    }
}

TEST_F(FreedesktopNotificationClientTest, BodiesNamingHostileApplicationsShowLiterally) {
    startServer();
    server.capabilities << "body-markup";
    for (const AppMemory& app : test::hostileApplications(1)) {
        const std::string body = "确认 " + app.name + " 是否暂不使用。";
        ASSERT_FALSE(post("tidemark-warning-live", body));
        const QString& received = server.calls.back().body;
        EXPECT_FALSE(received.contains(u'<') || received.contains(u'>')) << body;
        EXPECT_EQ(shownUnderMarkup(received), QString::fromStdString(body));
    }
}

TEST_F(FreedesktopNotificationClientTest, WithoutServerPermissionIsDeniedUntilOneAppears) {
    EXPECT_EQ(status(), AuthorizationStatus::denied);
    EXPECT_TRUE(post("tidemark-warning-live", "正文").has_value());
    startServer();
    EXPECT_EQ(status(), AuthorizationStatus::authorized);
}

TEST_F(FreedesktopNotificationClientTest, AnActivatableServerCountsAsPresent) {
    test::TempDir::writeFile(dir / "services" / "org.freedesktop.Notifications.service",
                             "[D-BUS Service]\nName=org.freedesktop.Notifications\n"
                             "Exec=/bin/false\n");
    EXPECT_EQ(status(), AuthorizationStatus::authorized);
    EXPECT_TRUE(server.calls.empty());
}

TEST_F(FreedesktopNotificationClientTest, WithoutBusConnectionEverythingFailsQuietlyLater) {
    client = std::make_unique<FreedesktopNotificationClient>(QDBusConnection::connectToBus(
        "unix:path=" + QString::fromStdString((dir / "none").string()), "nowhere"));
    EXPECT_EQ(status(), AuthorizationStatus::denied);
    bool called = false;
    client->add({"tidemark-warning-live", "t", "b", AlertEvent::warning},
                [&](std::optional<std::string> error) { called = error.has_value(); });
    EXPECT_FALSE(called);  // never inside the call
    EXPECT_TRUE(QTest::qWaitFor([&] { return called; }, 10000));
    client.reset();
    QDBusConnection::disconnectFromBus("nowhere");
}

}  // namespace
}  // namespace tidemark

#include "FreedesktopNotificationClientTest.moc"
