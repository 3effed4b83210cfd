#include "ui/TrayPopover.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

#include "ui/AppVisualTheme.h"

namespace tidemark {

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
    m_frame = new QVBoxLayout(this);
    m_frame->setContentsMargins(kBorder, kBorder, kBorder, kBorder);
    m_frame->setSpacing(0);
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
        m_frame->addWidget(content);
        content->show();
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
