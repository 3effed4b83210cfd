#include "app/KillBusListener.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>

#include "engine/Trace.h"

namespace tidemark {

KillBusListener::KillBusListener(std::function<void(KillSource)> onKill, QObject* parent)
    : QObject(parent), m_onKill(std::move(onKill)) {
    QDBusConnection system = QDBusConnection::systemBus();
    bool oomd = false;
    bool earlyoom = false;
    if (system.isConnected()) {
        oomd = system.connect(QString(), QStringLiteral("/org/freedesktop/oom1"),
                              QStringLiteral("org.freedesktop.oom1.Manager"),
                              QStringLiteral("Killed"), this, SLOT(oomdKilled(QString, QString)));
        earlyoom = system.connect(QString(), QStringLiteral("/"),
                                  QStringLiteral("net.nuetzlich.SystemNotifications"),
                                  QStringLiteral("Notify"), this, SLOT(earlyoomNotified(QString)));
    }
    QDBusConnection session = QDBusConnection::sessionBus();
    bool units = false;
    if (session.isConnected()) {
        units = session.connect(QStringLiteral("org.freedesktop.systemd1"), QString(),
                                QStringLiteral("org.freedesktop.DBus.Properties"),
                                QStringLiteral("PropertiesChanged"), this,
                                SLOT(unitPropertiesChanged(QString, QVariantMap, QStringList)));
        // The manager sends unit changes only to subscribers; without a
        // user manager the call fails and nothing comes.
        session.asyncCall(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.systemd1"), QStringLiteral("/org/freedesktop/systemd1"),
            QStringLiteral("org.freedesktop.systemd1.Manager"), QStringLiteral("Subscribe")));
    }
    if (traceEnabled()) {
        trace(QStringLiteral("kill signals: systemd-oomd %1, earlyoom %2, user units %3")
                  .arg(oomd ? QStringLiteral("yes") : QStringLiteral("no"),
                       earlyoom ? QStringLiteral("yes") : QStringLiteral("no"),
                       units ? QStringLiteral("yes") : QStringLiteral("no"))
                  .toUtf8()
                  .constData());
    }
}

void KillBusListener::oomdKilled(const QString&, const QString&) {
    m_onKill(KillSource::oomdSignal);
}

// earlyoom -n says "…sending SIGTERM to process…" or "…SIGKILL…" once it
// acts; its other messages (low memory alone) are not kills.
void KillBusListener::earlyoomNotified(const QString& text) {
    if (text.contains(QStringLiteral("SIGTERM")) || text.contains(QStringLiteral("SIGKILL"))) {
        m_onKill(KillSource::earlyoomSignal);
    }
}

void KillBusListener::unitPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                            const QStringList&) {
    if ((interface == QStringLiteral("org.freedesktop.systemd1.Service") ||
         interface == QStringLiteral("org.freedesktop.systemd1.Scope")) &&
        changed.value(QStringLiteral("Result")).toString() == QStringLiteral("oom-kill")) {
        m_onKill(KillSource::userManagerUnit);
    }
}

}  // namespace tidemark
