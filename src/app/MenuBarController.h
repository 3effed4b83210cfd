#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/LocalMonitoringConsent.h"
#include "app/TrayIcon.h"
#include "core/Clock.h"
#include "core/DebugPreviewConfiguration.h"
#include "core/KillSignals.h"
#include "core/PressureEvents.h"
#include "core/PressureWatch.h"
#include "core/SampleSource.h"
#include "core/SimulationController.h"
#include "engine/CommandLine.h"
#include "engine/KillWatch.h"
#include "engine/MonitoringEngine.h"
#include "settings/LocalNotificationService.h"
#include "ui/BrandImages.h"
#include "ui/PanelViewController.h"
#include "ui/TrayPopover.h"

namespace tidemark {

class IncidentStore;
class LaunchAtLoginService;
class NotificationClient;
class PreferenceStore;

namespace ui {
class AdviceWindowController;
class RecentIncidentsWindowController;
class SettingsWindowController;
}  // namespace ui

// What the controller needs from the platform. The application passes the
// real probe, the desktop's notification client and the user's files; tests
// pass fakes and a manual clock.
struct MenuBarEnvironment {
    SampleSource& probe;
    NotificationClient& notificationClient;
    bool notificationsAvailable = true;
    PreferenceStore& preferences;
    std::unique_ptr<IncidentStore> incidents;
    std::unique_ptr<LaunchAtLoginService> launchAtLogin;
    Scheduler& scheduler;
    const Clock& clock;
    // The kernel's pressure events; null where there are none (tests, or a
    // platform without them): the level watch then looks on its own.
    PressureEvents* pressureEvents = nullptr;
    // Which killers run and their counters; null where kills are not
    // watched (most tests).
    KillSignals* killSignals = nullptr;
    LocalMonitoringConsent::Dialog consentDialog = LocalMonitoringConsent::showDialog;
    // Asks the application to quit; it must not quit synchronously.
    std::function<void()> terminate;
    TraySwitches switches;
    QStringList logoDirectories = ui::brandLogoDirectories();
    TrayIcon::HostCheck trayHostCheck = &TrayIcon::hostPresent;
};

// The tray application's owner of every long-lived service: it starts
// monitoring, runs the sampling tick once a minute, tints the tray logo by
// the displayed level and routes the panel's buttons to the windows.
// Everything runs on the main thread.
class MenuBarController final : public QObject {
    Q_OBJECT

public:
    static constexpr double kSamplingIntervalSeconds = 60.0;
    static constexpr double kPanelSwitchDelaySeconds = 0.3;
    static constexpr double kAdviceSwitchDelaySeconds = 0.5;
    // A click on the tray item that closed the popover (a click outside a
    // popup closes it) must not open it again at once.
    static constexpr double kReopenGuardSeconds = 0.3;
    // How long an alert's history write waits at most for its notification
    // to leave (the answer of a desktop's notification server that hangs).
    static constexpr double kHistoryHoldSeconds = 2.0;

    explicit MenuBarController(MenuBarEnvironment environment, QObject* parent = nullptr);
    ~MenuBarController() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    // One sampling tick and the redraw after it.
    void sampleRisk();
    // A tick between the minute ticks, on the look that found the pressure
    // risen; the minute cadence restarts from it.
    void earlyTick(const LightweightSample& sample);
    void refreshTopApplications();
    void simulateWarning();

    void updatePanel();
    void togglePopover();
    void popoverDidClose();
    ui::PanelViewController* makePanel();

    void showAdvice();
    void showRecentIncidents();
    void showSettings();

    // A later start of the program asked this one to show itself: the
    // panel opens, or comes to the front when it is open.
    void activateFromSecondStart();

    const MonitoringEngine& engine() const { return m_engine; }
    // Null without kill signals.
    KillWatch* killWatch() { return m_killWatch.get(); }
    LocalNotificationService& notifications() { return m_notifications; }
    SimulationController& simulation() { return m_simulation; }
    IncidentStore& incidents() { return *m_incidents; }
    const DebugPreviewConfiguration& debugPreview() const { return m_debugPreview; }

    TrayIcon* statusItem() const { return m_statusItem.get(); }
    TrayPopover* popover() const { return m_popover.get(); }
    ui::PanelViewController* panel() const { return m_panel; }
    ui::AdviceWindowController* adviceWindow() const { return m_adviceWindow.get(); }
    ui::RecentIncidentsWindowController* recentIncidentsWindow() const {
        return m_recentIncidentsWindow.get();
    }
    ui::SettingsWindowController* settingsWindow() const { return m_settingsWindow.get(); }
    QMessageBox* permissionNotice() const { return m_permissionNotice; }
    QMessageBox* traylessNotice() const { return m_traylessNotice; }
    static constexpr char kTraylessNoticeKey[] = "traylessNoticeShown.v1";

    bool hasSamplingTimer() const { return m_samplingTimer.has_value(); }
    bool hasStartupTask() const { return m_startupTask != nullptr; }

private:
    // `action` (a member function, or a callable taking the controller first)
    // as a callback that does nothing once the controller is gone: timers,
    // replies from the notification server and windows can outlive it.
    template <typename Action>
    auto whileAlive(Action action);

    void beginMonitoring();
    void scheduleSamplingTimer();
    void runTick(const LightweightSample& sample, bool early);
    void cancelStartupTask();

    void configureBrandImage();
    void updateBrandColor(RiskLevel level);
    void trayActivated();
    void trayMissing();
    void openTraylessWindow();
    void showTraylessNotice();
    void closePopover();
    void startWatchPreview();
    void enableNotificationsPressed();
    void showPanelPermissionNotice();
    void adviceConfirmed();
    void killReported(const KillReport& kill);

    SampleSource& m_probe;
    PreferenceStore& m_preferences;
    Scheduler& m_scheduler;
    const Clock& m_clock;
    LocalMonitoringConsent::Dialog m_consentDialog;
    std::function<void()> m_terminate;
    const TraySwitches m_switches;
    const QStringList m_logoDirectories;
    const TrayIcon::HostCheck m_trayHostCheck;

    std::unique_ptr<TrayIcon> m_statusItem;
    std::unique_ptr<TrayPopover> m_popover;
    QPointer<ui::PanelViewController> m_panel;
    LocalNotificationService m_notifications;
    std::unique_ptr<IncidentStore> m_incidents;
    std::unique_ptr<ui::RecentIncidentsWindowController> m_recentIncidentsWindow;
    std::unique_ptr<ui::AdviceWindowController> m_adviceWindow;
    std::unique_ptr<ui::SettingsWindowController> m_settingsWindow;
    std::unique_ptr<LaunchAtLoginService> m_launchAtLogin;
    // The risk model, the policies, the follow-up, the latest sample and
    // assessment and the ranking: the state the tick works on.
    MonitoringEngine m_engine;
    std::optional<TimerId> m_samplingTimer;
    PressureWatch m_pressureWatch;
    std::unique_ptr<KillWatch> m_killWatch;
    // Present while start-up waits for the notification permission;
    // dropping it cancels what was to follow.
    std::shared_ptr<const bool> m_startupTask;
    SimulationController m_simulation;
    const DebugPreviewConfiguration m_debugPreview;
    ui::BrandImage m_normalBrandImage;
    ui::BrandImage m_watchBrandImage;
    ui::BrandImage m_warningBrandImage;
    QIcon m_normalIcon;
    QIcon m_watchIcon;
    QIcon m_warningIcon;

    bool m_monitoringAllowed = false;
    bool m_monitoringBegun = false;
    std::optional<double> m_popoverClosedAt;  // monotonic seconds
    QPointer<QMessageBox> m_permissionNotice;
    QPointer<QMessageBox> m_traylessNotice;
};

}  // namespace tidemark
