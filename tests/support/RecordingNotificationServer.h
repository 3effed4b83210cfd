#pragma once

#include <sys/prctl.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QVariantMap>

#include <csignal>
#include <filesystem>
#include <set>
#include <vector>

#include "TempDir.h"

namespace tidemark::test {

// Stands in for the desktop's notification server and records what it gets,
// on a private session bus whose daemon dies with the test. Like Plasma, it
// treats a replacement of a closed notification as an update of its history:
// nothing pops up. The bus exists at once; the server owns its name only
// after start().
class RecordingNotificationServer final : public QDBusVirtualObject {
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

    // The bus's configuration goes to `dir`; a service file in
    // `servicesDirectory()` makes a name activatable.
    explicit RecordingNotificationServer(const std::filesystem::path& dir) : m_dir(dir) {
        std::filesystem::create_directories(servicesDirectory());
        const QString conf = QStringLiteral(R"(<busconfig><type>session</type>
            <listen>unix:dir=%1</listen><servicedir>%1/services</servicedir>
            <policy context="default"><allow own="*"/><allow eavesdrop="true"/>
              <allow send_destination="*" eavesdrop="true"/></policy></busconfig>)");
        TempDir::writeFile(dir / "bus.conf",
                           conf.arg(QString::fromStdString(dir.string())).toStdString());
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_daemon.start("dbus-daemon",
                       {"--config-file=" + QString::fromStdString((dir / "bus.conf").string()),
                        "--print-address", "--nofork"});
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
        }
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        const QString tag = QString::number(++s_connections);
        m_serverBus = QDBusConnection::connectToBus(address, "server" + tag);
        m_clientBus = QDBusConnection::connectToBus(address, "client" + tag);
    }
    // A private connection must be closed before its last handle goes: the
    // client on `clientBus()` is gone first.
    ~RecordingNotificationServer() override {
        QDBusConnection::disconnectFromBus(m_serverBus.name());
        QDBusConnection::disconnectFromBus(m_clientBus.name());
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    bool isConnected() const { return m_serverBus.isConnected() && m_clientBus.isConnected(); }
    QString daemonErrors() { return QString::fromUtf8(m_daemon.readAllStandardError()); }
    QDBusConnection clientBus() const { return m_clientBus; }
    std::filesystem::path servicesDirectory() const { return m_dir / "services"; }

    bool start() {
        return m_serverBus.registerVirtualObject(kPath, this) &&
               m_serverBus.registerService(kService);
    }
    // The desktop's server quits and another one takes the name; its ids
    // start afresh, so a stale replacement could hit someone else's entry.
    bool restart() {
        open.clear();
        return m_serverBus.unregisterService(kService) && m_serverBus.registerService(kService);
    }
    void close(uint id, uint reason) {
        open.erase(id);
        m_serverBus.send(QDBusMessage::createSignal(kPath, kService, "NotificationClosed")
                         << id << reason);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == "GetCapabilities") {
            return connection.send(message.createReply(capabilities));
        }
        const QVariantList a = message.arguments();
        if (message.member() != "Notify" || a.size() != 8) {
            return false;
        }
        const uint replacesId = a[1].toUInt();
        const bool replaces = replacesId != 0 && replacesId <= lastId;
        calls.push_back({a[0].toString(), replacesId, a[2].toString(), a[3].toString(),
                         a[4].toString(), qdbus_cast<QVariantMap>(a[6]), a[7].toInt(),
                         !replaces || open.contains(replacesId)});
        const uint id = replaces ? replacesId : ++lastId;
        if (calls.back().popsUp) {
            open.insert(id);
        }
        return connection.send(message.createReply(id));
    }

private:
    static constexpr auto kService = "org.freedesktop.Notifications";
    static constexpr auto kPath = "/org/freedesktop/Notifications";
    static inline int s_connections = 0;
    std::filesystem::path m_dir;
    QProcess m_daemon;
    QDBusConnection m_serverBus{QString()}, m_clientBus{QString()};
};

}  // namespace tidemark::test
