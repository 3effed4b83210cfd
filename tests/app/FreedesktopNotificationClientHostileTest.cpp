// Notifications about hostile applications, sent to a server that parses
// body markup: the body must arrive as text that shows the names literally.

#include <sys/prctl.h>

#include <QDBusConnection>
#include <QDBusError>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

#include "HostileNames.h"
#include "TempDir.h"
#include "advice/AdviceEngine.h"
#include "advice/NotificationContent.h"
#include "app/FreedesktopNotificationClient.h"

namespace tidemark {
namespace {

class MarkupServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList bodies;

public slots:
    QStringList GetCapabilities() {
        return {QStringLiteral("body"), QStringLiteral("body-markup")};
    }
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        bodies << body;
        return static_cast<uint>(bodies.size());
    }
};

struct Daemon : QProcess {
    ~Daemon() override {
        kill();
        waitForFinished();
    }
};

// A private connection must be closed before its last handle goes.
struct Connection {
    QDBusConnection bus;
    ~Connection() { QDBusConnection::disconnectFromBus(bus.name()); }
};

// What a server shows for a body in its markup subset.
QString shownUnderMarkup(QString body) {
    return body.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

TEST(FreedesktopNotificationClientHostileTest, BodiesNamingHostileApplicationsAreEscaped) {
    // A private bus, gone with the test.
    test::TempDir dir;
    test::TempDir::writeFile(dir / "bus.conf", R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=)" + dir.path().string() + R"(</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/>
  </policy>
</busconfig>
)");
    Daemon daemon;
    daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    daemon.start(
        QStringLiteral("dbus-daemon"),
        {QStringLiteral("--config-file=") + QString::fromStdString((dir / "bus.conf").string()),
         QStringLiteral("--print-address"), QStringLiteral("--nofork")});
    while (!daemon.canReadLine() && daemon.waitForReadyRead(10000)) {
    }
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    ASSERT_FALSE(address.isEmpty()) << daemon.readAllStandardError().toStdString();
    Connection serverBus{QDBusConnection::connectToBus(address, QStringLiteral("server"))};
    Connection clientBus{QDBusConnection::connectToBus(address, QStringLiteral("client"))};
    ASSERT_TRUE(serverBus.bus.isConnected() && clientBus.bus.isConnected())
        << clientBus.bus.lastError().message().toStdString();
    MarkupServer server;
    ASSERT_TRUE(serverBus.bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                             &server, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverBus.bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    auto client = std::make_unique<FreedesktopNotificationClient>(clientBus.bus);

    constexpr std::uint64_t kGiB = 1ull << 30;
    const std::vector<AdvicePlan> plans = AdviceEngine::plans(
        RiskLevel::warning, test::hostileApplications(3 * kGiB), 16 * kGiB, std::nullopt);
    ASSERT_FALSE(plans.empty());
    std::vector<std::string> sent;
    for (const AdvicePlan& plan : plans) {
        const NotificationContent content = notificationContent(AlertEvent::warning, false, plan);
        ASSERT_NE(content.body.find(plan.target), std::string::npos) << content.body;
        bool done = false;
        client->add({content.identifier, content.title, content.body, AlertEvent::warning},
                    [&](std::optional<std::string>) { done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
        sent.push_back(content.body);
    }

    ASSERT_EQ(server.bodies.size(), static_cast<qsizetype>(sent.size()));
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const QString& received = server.bodies[static_cast<qsizetype>(i)];
        EXPECT_FALSE(received.contains(u'<') || received.contains(u'>')) << sent[i];
        EXPECT_EQ(shownUnderMarkup(received), QString::fromStdString(sent[i]));
    }
}

}  // namespace
}  // namespace tidemark

#include "FreedesktopNotificationClientHostileTest.moc"
