#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <string>

#include "settings/NotificationClient.h"

namespace tidemark {

// Desktop notifications through org.freedesktop.Notifications on the session
// bus (GNOME Shell, Plasma, dunst, xfce4-notifyd, ...). There is no
// per-application permission on this bus: notifications are "authorized"
// exactly when a server runs or the bus can start one.
//
// All calls are asynchronous; replies are handled on the thread that owns the
// client, and replies still pending when it is destroyed are dropped.
class FreedesktopNotificationClient final : public QObject, public NotificationClient {
    Q_OBJECT

public:
    explicit FreedesktopNotificationClient(QDBusConnection bus = QDBusConnection::sessionBus(),
                                           QObject* parent = nullptr);

    static bool sessionBusAvailable();

    void authorizationStatus(std::function<void(AuthorizationStatus)> done) override;
    void requestAuthorization(
        std::function<void(bool granted, std::optional<std::string> error)> done) override;
    void add(const NotificationRequest& request,
             std::function<void(std::optional<std::string> error)> done) override;

private slots:
    void forgetClosed(uint id, uint reason);

private:
    void call(const QDBusMessage& message, std::function<void(const QDBusMessage& reply)> done);
    void checkServerPresent(std::function<void(bool present)> done);
    void notify(const NotificationRequest& request, bool serverParsesMarkup,
                std::function<void(std::optional<std::string> error)> done);

    QDBusConnection m_bus;
    // The server's id of the notification still shown under each request
    // identifier, so a new one replaces it instead of piling up. Forgotten
    // once the server closes it or leaves the bus: a replacement of a closed
    // notification updates only the server's history (Plasma) and never
    // pops up.
    std::map<std::string, uint> m_lastIds;
};

}  // namespace tidemark
