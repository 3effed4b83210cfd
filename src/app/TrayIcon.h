#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <memory>

#include "core/Clock.h"

class QMenu;
class QSystemTrayIcon;

namespace tidemark {

// The program's item in the desktop's system tray: the logo, its tooltip,
// a click that toggles the popover and a menu for desktops that show tray
// items only through one.
//
// At login the tray host may start after us. Until it exists the icon is
// kept in this object and availability is checked again for a while; the
// platform icon is created only then, so that the desktop's own kind of
// tray (StatusNotifierItem or XEmbed) is the one picked.
//
// A desktop may have no tray at all (GNOME without the AppIndicator
// extension). When none has appeared a few seconds after show(), the owner
// hears onTrayMissing and the look goes on, slower after the first two
// minutes, until a host appears: then the icon is (re)created and the owner
// hears onTrayAppeared.
class TrayIcon final : public QObject {
    Q_OBJECT

public:
    static constexpr double kRetryIntervalSeconds = 2.0;
    static constexpr int kRetryCount = 60;
    static constexpr double kMissingAfterSeconds = 6.0;
    static constexpr double kLateRetryIntervalSeconds = 10.0;

    // Whether a tray host is there to show the item: a StatusNotifierWatcher
    // with a registered host, or an XEmbed tray manager.
    using HostCheck = std::function<bool()>;
    static bool hostPresent();

    explicit TrayIcon(Scheduler& scheduler, HostCheck hostCheck = &TrayIcon::hostPresent,
                      QObject* parent = nullptr);
    ~TrayIcon() override;

    // Shows the item now if a tray exists, otherwise once one appears.
    void show();

    void setIcon(const QIcon& icon, const QString& toolTip);
    QIcon icon() const { return m_icon; }
    QString toolTip() const { return m_toolTip; }

    // The item's place on screen; empty when the tray does not say.
    QRect geometry() const;
    // No tray host has been seen since onTrayMissing.
    bool isTrayless() const { return m_trayless; }

    std::function<void()> onActivate;
    std::function<void()> onOpenPanel;
    std::function<void()> onShowHistory;
    std::function<void()> onShowSettings;
    std::function<void()> onQuit;
    std::function<void()> onTrayMissing;
    std::function<void()> onTrayAppeared;

private:
    void retry(int attempt);
    void hostFound();
    void createPlatformIcon();

    Scheduler& m_scheduler;
    HostCheck m_hostCheck;
    std::unique_ptr<QMenu> m_menu;
    QPointer<QSystemTrayIcon> m_tray;
    QIcon m_icon;
    QString m_toolTip;
    bool m_wanted = false;
    bool m_trayless = false;
    // The platform icon was made without a host (after the retries ran out).
    bool m_createdWithoutHost = false;
    TimerId m_retryTimer = 0;
};

// The frameless window that holds the status panel under the tray item.
// It closes on a click anywhere else; every way of closing reports onClosed.
class TrayPopover final : public QWidget {
    Q_OBJECT

public:
    // A hairline around the content, so that the popover stands apart from
    // a window of the same colour behind it.
    static constexpr int kBorder = 1;

    explicit TrayPopover(QWidget* parent = nullptr);

    // Without a tray the panel is an ordinary window: decorated, in the task
    // bar, placed by the window manager, staying open until closed. Takes
    // effect at the next showing.
    void setWindowMode(bool windowMode);
    bool isWindowMode() const { return m_windowMode; }
    // Shows it as that window, centred on the screen at first.
    void showAsWindow(QSize size);

    // Takes the content; the previous one is discarded (deleted later, since
    // it may be the sender of what closed the popover).
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    // Shows the popover with its content at `size` (the frame adds the border), under `anchor`
    // (global coordinates; empty: at the cursor), inside the screen's free area.
    void showAnchored(const QRect& anchor, QSize size);
    // Follows a new preferred size of the content while shown, keeping the
    // edge that faces the anchor in place as long as the frame stays inside
    // its screen's free area.
    void setContentSize(QSize size);

    // Where a popover of `size` goes for `anchor`: below it, centred on it,
    // or above it when there is no room below; then moved inside `available`.
    static QRect placement(const QRect& anchor, QSize size, const QRect& available);
    // `frame` moved, and shrunk only if larger, to lie inside `available`.
    static QRect fitted(QRect frame, const QRect& available);

    std::function<void()> onClosed;

protected:
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void layoutContent();
    void applyFrame(const QRect& frame);
    void followScreen();
    void refit();

    QPointer<QWidget> m_content;
    QPointer<QWindow> m_followedWindow;
    QRect m_anchor;
    bool m_closesOnDeactivation = false;
    bool m_windowMode = false;
};

}  // namespace tidemark
