#include "app/TrayIcon.h"

#include <QAction>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>

#include <algorithm>

#include "ui/AppVisualTheme.h"

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

namespace {

// WORKAROUND: Wayland shows a popup only with a transient parent that has
// just had input, and a tray program has no such window. There the popover
// is a frameless tool window that closes when it loses the focus, placed by
// the compositor.
bool popupsNeedAParent() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

Qt::WindowFlags popoverFlags() {
    const Qt::WindowFlags common = Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint;
    return popupsNeedAParent() ? (Qt::Tool | Qt::WindowStaysOnTopHint | common)
                               : (Qt::Popup | common);
}

}  // namespace

TrayPopover::TrayPopover(QWidget* parent)
    : QWidget(parent, popoverFlags()), m_closesOnDeactivation(popupsNeedAParent()) {
    setObjectName("popover");
    setWindowTitle(QStringLiteral("潮痕"));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void TrayPopover::setWindowMode(bool windowMode) {
    if (windowMode == m_windowMode) {
        return;
    }
    m_windowMode = windowMode;
    m_closesOnDeactivation = !windowMode && popupsNeedAParent();
    setWindowFlags(windowMode ? Qt::Window : popoverFlags());
}

void TrayPopover::showAsWindow(QSize size) {
    const QSize outer = size + QSize(2 * kBorder, 2 * kBorder);
    setFixedSize(outer);
    layoutContent();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), outer);
        frame.moveCenter(screen->availableGeometry().center());
        move(fitted(frame, screen->availableGeometry()).topLeft());
    }
    m_anchor = QRect();
    show();
    followScreen();
    raise();
    activateWindow();
}

void TrayPopover::setContent(QWidget* content) {
    if (m_content == content) {
        return;
    }
    if (m_content) {
        m_content->hide();
        m_content->setParent(nullptr);
        m_content->deleteLater();
    }
    m_content = content;
    if (content) {
        content->setParent(this);
        layoutContent();
        content->show();
    }
}

void TrayPopover::layoutContent() {
    if (m_content) {
        m_content->setGeometry(rect().adjusted(kBorder, kBorder, -kBorder, -kBorder));
    }
}

void TrayPopover::showAnchored(const QRect& anchor, QSize size) {
    m_anchor = anchor.isEmpty() ? QRect(QCursor::pos(), QSize(1, 1)) : anchor;
    QScreen* screen = QGuiApplication::screenAt(m_anchor.center());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), size);
    const QSize outer = size + QSize(2 * kBorder, 2 * kBorder);
    const QRect frame = placement(m_anchor, outer, available);
    setFixedSize(frame.size());
    layoutContent();
    move(frame.topLeft());
    show();
    followScreen();
    raise();
    activateWindow();
}

void TrayPopover::setContentSize(QSize contentSize) {
    const QSize size = contentSize + QSize(2 * kBorder, 2 * kBorder);
    if (!isVisible()) {
        setFixedSize(size);
    } else if (size != this->size()) {
        const QRect old = geometry();
        QRect frame(old.topLeft(), size);
        // Opened above the item: the bottom edge stays next to it.
        if (old.bottom() <= m_anchor.top()) {
            frame.moveBottom(old.bottom());
        }
        applyFrame(frame);
    }
    layoutContent();
}

QRect TrayPopover::fitted(QRect frame, const QRect& available) {
    if (available.isEmpty()) {
        return frame;
    }
    frame.setSize(frame.size().boundedTo(available.size()));
    frame.moveLeft(
        std::clamp(frame.left(), available.left(), available.right() - frame.width() + 1));
    frame.moveTop(
        std::clamp(frame.top(), available.top(), available.bottom() - frame.height() + 1));
    return frame;
}

void TrayPopover::applyFrame(const QRect& frame) {
    // The screen the frame is on now, not the one it was opened on: the
    // window system may have moved it, or that screen may be gone.
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (screen == nullptr) {
        screen = this->screen();
    }
    const QRect target = screen ? fitted(frame, screen->availableGeometry()) : frame;
    setFixedSize(target.size());
    move(target.topLeft());
    layoutContent();
}

void TrayPopover::followScreen() {
    QWindow* window = windowHandle();
    if (window == nullptr || window == m_followedWindow) {
        return;
    }
    m_followedWindow = window;
    connect(window, &QWindow::screenChanged, this, [this](QScreen* screen) {
        if (screen) {
            connect(screen, &QScreen::availableGeometryChanged, this, &TrayPopover::refit,
                    Qt::UniqueConnection);
        }
        refit();
    });
    if (QScreen* screen = window->screen()) {
        connect(screen, &QScreen::availableGeometryChanged, this, &TrayPopover::refit,
                Qt::UniqueConnection);
    }
}

void TrayPopover::refit() {
    if (isVisible()) {
        applyFrame(geometry());
    }
}

QRect TrayPopover::placement(const QRect& anchor, QSize size, const QRect& available) {
    QRect frame(QPoint(), size);
    frame.moveTop(anchor.bottom() + 1);
    frame.moveLeft(anchor.center().x() - size.width() / 2);
    if (frame.bottom() > available.bottom() && anchor.top() - size.height() >= available.top()) {
        frame.moveBottom(anchor.top() - 1);
    }
    const int left =
        std::max(available.left(), std::min(frame.left(), available.right() - size.width() + 1));
    const int top =
        std::max(available.top(), std::min(frame.top(), available.bottom() - size.height() + 1));
    frame.moveTopLeft(QPoint(left, top));
    return frame;
}

void TrayPopover::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (m_closesOnDeactivation && event->type() == QEvent::ActivationChange && isVisible() &&
        !isActiveWindow()) {
        close();
    }
}

void TrayPopover::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TrayPopover::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ui::AppVisualTheme::line.resolve());
}

void TrayPopover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // A spontaneous hide of a window that stays visible (the window system
    // unmapping it) is not a close.
    if (!isVisible() && onClosed) {
        onClosed();
    }
}

}  // namespace tidemark
