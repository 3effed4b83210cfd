#include "app/TrayIcon.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

namespace tidemark {

namespace {

// A StatusNotifierWatcher on the session bus with a host registered (the
// thing that draws the items), asked of the bus directly.
bool statusNotifierHostRegistered() {
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher)) {
        return false;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 1000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

}  // namespace

bool TrayIcon::hostPresent() {
    // WORKAROUND (Qt 6.4): Qt decides once per run whether the D-Bus tray
    // exists, at its first availability check, and never looks again.
    // Outside X11 (which can fall back to an XEmbed tray) that check is made
    // only once the bus shows a host, so that a tray started after us is
    // still the one Qt uses.
    if (QGuiApplication::platformName() != QLatin1String("xcb") &&
        !statusNotifierHostRegistered()) {
        return false;
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

TrayIcon::TrayIcon(Scheduler& scheduler, HostCheck hostCheck, QObject* parent)
    : QObject(parent),
      m_scheduler(scheduler),
      m_hostCheck(std::move(hostCheck)),
      m_menu(std::make_unique<QMenu>()) {
    m_menu->setObjectName("trayMenu");
    const auto add = [this](const QString& title, const char* name,
                            std::function<void()> TrayIcon::*callback) {
        QAction* action = m_menu->addAction(title);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, callback] {
            if (const auto& call = this->*callback) {
                call();
            }
        });
    };
    add(QStringLiteral("打开面板"), "trayOpenPanel", &TrayIcon::onOpenPanel);
    add(QStringLiteral("最近记录"), "trayShowHistory", &TrayIcon::onShowHistory);
    add(QStringLiteral("设置"), "trayShowSettings", &TrayIcon::onShowSettings);
    m_menu->addSeparator();
    add(QStringLiteral("退出「潮痕」"), "trayQuit", &TrayIcon::onQuit);
}

TrayIcon::~TrayIcon() {
    m_scheduler.cancel(m_retryTimer);
    delete m_tray;
}

void TrayIcon::show() {
    m_wanted = true;
    if (m_tray) {
        m_tray->show();
        return;
    }
    if (m_hostCheck()) {
        createPlatformIcon();
        return;
    }
    retry(1);
}

void TrayIcon::retry(int attempt) {
    m_scheduler.cancel(m_retryTimer);
    const double interval =
        attempt <= kRetryCount ? kRetryIntervalSeconds : kLateRetryIntervalSeconds;
    m_retryTimer = m_scheduler.scheduleAfter(interval, [this, attempt] {
        m_retryTimer = 0;
        if (m_hostCheck()) {
            hostFound();
            return;
        }
        if (!m_trayless && attempt * kRetryIntervalSeconds >= kMissingAfterSeconds) {
            m_trayless = true;
            if (onTrayMissing) {
                onTrayMissing();
            }
        }
        // When the wait is over the icon is created anyway: an XEmbed icon
        // docks by itself whenever a tray manager appears later.
        if (attempt == kRetryCount && !m_tray) {
            createPlatformIcon();
            m_createdWithoutHost = true;
        }
        retry(attempt + 1);
    });
}

void TrayIcon::hostFound() {
    // An icon made without a host may be of the wrong kind for the one that
    // came (XEmbed for a StatusNotifierItem host): made again, it is the
    // host's own kind.
    if (m_createdWithoutHost) {
        delete m_tray;
        m_createdWithoutHost = false;
    }
    createPlatformIcon();
    if (m_trayless) {
        m_trayless = false;
        if (onTrayAppeared) {
            onTrayAppeared();
        }
    }
}

void TrayIcon::createPlatformIcon() {
    if (m_tray) {
        return;
    }
    m_tray = new QSystemTrayIcon(this);
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_toolTip);
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && onActivate) {
                    onActivate();
                }
            });
    if (m_wanted && !m_icon.isNull()) {
        m_tray->show();
    }
}

void TrayIcon::setIcon(const QIcon& icon, const QString& toolTip) {
    m_icon = icon;
    m_toolTip = toolTip;
    if (m_tray) {
        m_tray->setIcon(icon);
        m_tray->setToolTip(toolTip);
        if (m_wanted && !icon.isNull() && !m_tray->isVisible()) {
            m_tray->show();
        }
    }
}

QRect TrayIcon::geometry() const {
    return m_tray ? m_tray->geometry() : QRect();
}

}  // namespace tidemark
