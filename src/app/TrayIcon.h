#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

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

}  // namespace tidemark
