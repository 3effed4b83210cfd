#include "freedesktop/FreedesktopNotificationClient.h"

#include <QDBusError>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QMetaObject>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace tidemark {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage notificationsMethod(const QString& name) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, name);
}

QDBusMessage busMethod(const QString& name) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                          QStringLiteral("/org/freedesktop/DBus"),
                                          QStringLiteral("org.freedesktop.DBus"), name);
}

bool isReply(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

std::string errorText(const QDBusMessage& reply) {
    const QString text = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    return text.isEmpty() ? std::string("D-Bus call failed") : text.toStdString();
}

// Process names reach the body through advice texts; under body-markup they
// must stay text and never become tags or links.
QString escapeMarkup(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&') {
            escaped += QStringLiteral("&amp;");
        } else if (c == u'<') {
            escaped += QStringLiteral("&lt;");
        } else if (c == u'>') {
            escaped += QStringLiteral("&gt;");
        } else {
            escaped += c;
        }
    }
    return escaped;
}

uchar urgency(AlertEvent event) {
    switch (event) {
        case AlertEvent::warning:
            return 1;
        case AlertEvent::critical:
            return 2;
    }
    return 1;
}

}  // namespace

FreedesktopNotificationClient::FreedesktopNotificationClient(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {
    if (!m_bus.isConnected()) {
        return;
    }
    // Every reason counts (expired, dismissed, closed by a call, undefined):
    // in each case nothing is left on screen to replace.
    m_bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                  SLOT(forgetClosed(uint, uint)));
    // A server that left, or another one that took its place, knows none of
    // the ids handed out before.
    auto* watcher =
        new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this] { m_lastIds.clear(); });
}

void FreedesktopNotificationClient::forgetClosed(uint id, uint) {
    std::erase_if(m_lastIds, [id](const auto& entry) { return entry.second == id; });
}

bool FreedesktopNotificationClient::sessionBusAvailable() {
    return QDBusConnection::sessionBus().isConnected();
}

void FreedesktopNotificationClient::call(const QDBusMessage& message,
                                         std::function<void(const QDBusMessage&)> done) {
    if (!m_bus.isConnected()) {
        // Qt hands back an empty pending call that never finishes; answer
        // from the event loop so completions never run inside the caller.
        QMetaObject::invokeMethod(
            this,
            [done = std::move(done)] {
                done(QDBusMessage::createError(QDBusError::Disconnected,
                                               QStringLiteral("Not connected to D-Bus server")));
            },
            Qt::QueuedConnection);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        done(watcher->reply());
    });
}

void FreedesktopNotificationClient::checkServerPresent(std::function<void(bool)> done) {
    call(busMethod(QStringLiteral("NameHasOwner")) << kService, [this, done = std::move(done)](
                                                                    const QDBusMessage& reply) {
        if (isReply(reply) && reply.arguments().first().toBool()) {
            done(true);
            return;
        }
        // Some desktops start their server on the first call.
        call(busMethod(QStringLiteral("ListActivatableNames")), [done](const QDBusMessage& names) {
            done(isReply(names) && names.arguments().first().toStringList().contains(kService));
        });
    });
}

void FreedesktopNotificationClient::authorizationStatus(
    std::function<void(AuthorizationStatus)> done) {
    checkServerPresent([done = std::move(done)](bool present) {
        done(present ? AuthorizationStatus::authorized : AuthorizationStatus::denied);
    });
}

void FreedesktopNotificationClient::requestAuthorization(
    std::function<void(bool, std::optional<std::string>)> done) {
    // Nothing to ask the user for: permission is the presence of a server.
    checkServerPresent([done = std::move(done)](bool present) { done(present, std::nullopt); });
}

void FreedesktopNotificationClient::add(const NotificationRequest& request,
                                        std::function<void(std::optional<std::string>)> done) {
    // Asked each time: the server, and with it the capabilities, can change
    // while the program runs.
    call(notificationsMethod(QStringLiteral("GetCapabilities")),
         [this, request, done = std::move(done)](const QDBusMessage& reply) {
             if (!isReply(reply)) {
                 done(errorText(reply));
                 return;
             }
             const bool markup =
                 reply.arguments().first().toStringList().contains(QStringLiteral("body-markup"));
             notify(request, markup, done);
         });
}

void FreedesktopNotificationClient::notify(const NotificationRequest& request,
                                           bool serverParsesMarkup,
                                           std::function<void(std::optional<std::string>)> done) {
    QString body = QString::fromStdString(request.body);
    if (serverParsesMarkup)
        body = escapeMarkup(body);
    const auto last = m_lastIds.find(request.identifier);
    const uint replacesId = last == m_lastIds.end() ? 0 : last->second;
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("tidemark")},
        {QStringLiteral("urgency"), QVariant::fromValue<uchar>(urgency(request.event))},
        {QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
    };

    QDBusMessage message = notificationsMethod(QStringLiteral("Notify"));
    message << QStringLiteral("潮痕") << replacesId << QStringLiteral("tidemark")
            << QString::fromStdString(request.title) << body << QStringList() << hints
            << qint32(-1);
    call(message, [this, identifier = request.identifier,
                   done = std::move(done)](const QDBusMessage& reply) {
        if (!isReply(reply)) {
            done(errorText(reply));
            return;
        }
        if (const uint id = reply.arguments().first().toUInt(); id != 0) {
            m_lastIds[identifier] = id;
        }
        done(std::nullopt);
    });
}

}  // namespace tidemark
