#include "app/MenuBarController.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <type_traits>
#include <utility>

#include "engine/Trace.h"
#include "history/IncidentStore.h"
#include "settings/LaunchAtLoginService.h"
#include "ui/AdviceWindowController.h"
#include "ui/AppVisualTheme.h"
#include "ui/PanelViewController.h"
#include "ui/RecentIncidentsWindowController.h"
#include "ui/SettingsWindowController.h"

namespace tidemark {

namespace {

constexpr std::size_t kPanelApplicationCount = 3;

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

}  // namespace

template <typename Action>
auto MenuBarController::whileAlive(Action action) {
    return [self = QPointer<MenuBarController>(this), action = std::move(action)](auto&&... args) {
        using Result = std::invoke_result_t<const Action&, MenuBarController&, decltype(args)...>;
        if (!self) {
            return Result();
        }
        return std::invoke(action, *self, std::forward<decltype(args)>(args)...);
    };
}

MenuBarController::MenuBarController(MenuBarEnvironment environment, QObject* parent)
    : QObject(parent),
      m_probe(environment.probe),
      m_preferences(environment.preferences),
      m_scheduler(environment.scheduler),
      m_clock(environment.clock),
      m_consentDialog(std::move(environment.consentDialog)),
      m_terminate(std::move(environment.terminate)),
      m_switches(environment.switches),
      m_logoDirectories(std::move(environment.logoDirectories)),
      m_trayHostCheck(std::move(environment.trayHostCheck)),
      m_popover(std::make_unique<TrayPopover>()),
      m_notifications(environment.notificationClient, environment.notificationsAvailable,
                      environment.preferences),
      m_incidents(std::move(environment.incidents)),
      m_launchAtLogin(std::move(environment.launchAtLogin)),
      m_engine(m_probe, *m_incidents),
      m_pressureWatch(m_probe, m_scheduler, environment.pressureEvents, kSamplingIntervalSeconds),
      m_simulation(m_scheduler),
      m_debugPreview(DebugPreviewConfiguration::fromSwitches(m_switches.enableDebugPreview,
                                                             m_switches.manualDebugPreview)) {
    if (environment.killSignals != nullptr) {
        m_killWatch =
            std::make_unique<KillWatch>(*environment.killSignals, m_probe, m_scheduler, m_clock);
        m_killWatch->onKill = [this](const KillReport& kill) { killReported(kill); };
    }
    m_engine.onAlert = [this](AlertEvent event, const std::optional<AdvicePlan>& advice) {
        // The tick writes the history after this, with an fsync that may take
        // seconds while memory runs short, and the notification needs a few
        // round trips on the bus, each on a later turn of the event loop. So
        // the write waits until the server has answered the notification, or
        // kHistoryHoldSeconds at most. The send keeps its own copy of event
        // and plan.
        m_incidents->holdSaves();
        const auto held = std::make_shared<bool>(true);
        const auto release = whileAlive([held](MenuBarController& self) {
            if (std::exchange(*held, false)) {
                self.m_incidents->releaseSaves();
            }
        });
        m_notifications.send(event, false, advice, release);
        if (*held) {
            m_scheduler.scheduleAfter(kHistoryHoldSeconds, release);
        }
        // The ranking the alert just captured is the "before" a victim is
        // found missing from.
        if (event == AlertEvent::critical && m_killWatch) {
            m_killWatch->arm(m_engine.topApplications());
        }
    };
    m_engine.onFollowUpUpdate = [this](const std::string& message, bool canConfirm) {
        if (m_adviceWindow) {
            m_adviceWindow->updateFollowUp(text(message), canConfirm);
        }
    };
    m_engine.onDisplayedSafe = [this] {
        if (m_adviceWindow) {
            m_adviceWindow->invalidateAfterRecovery();
        }
    };
}

MenuBarController::~MenuBarController() {
    // Nothing may call back into a controller that is half gone.
    cancelStartupTask();
    if (m_samplingTimer) {
        m_scheduler.cancel(*m_samplingTimer);
    }
    m_pressureWatch.stop();
    m_simulation.onStateChange = nullptr;
    m_notifications.onStateChange = nullptr;
    m_popover->onClosed = nullptr;
    delete m_permissionNotice;
    delete m_traylessNotice;
    delete m_panel;
}

void MenuBarController::applicationDidFinishLaunching() {
    // No dock or taskbar entry and no main window: the application's
    // setQuitOnLastWindowClosed(false) is set where it is created.
    m_statusItem = std::make_unique<TrayIcon>(m_scheduler, m_trayHostCheck);
    configureBrandImage();
    m_statusItem->onActivate = [this] { trayActivated(); };
    m_statusItem->onOpenPanel = [this] {
        if (!m_popover->isVisible()) {
            togglePopover();
        }
    };
    m_statusItem->onShowHistory = [this] {
        if (m_monitoringAllowed) {
            showRecentIncidents();
        }
    };
    m_statusItem->onShowSettings = [this] {
        if (m_monitoringAllowed) {
            showSettings();
        }
    };
    m_statusItem->onQuit = m_terminate;
    m_statusItem->onTrayMissing = [this] { trayMissing(); };
    m_statusItem->onTrayAppeared = [] { trace("a tray appeared: the panel opens from its icon"); };
    m_statusItem->show();

    if (!m_switches.acceptLocalMonitoringForTesting &&
        !LocalMonitoringConsent::requestIfNeeded(m_preferences, m_consentDialog)) {
        m_terminate();
        return;
    }
    m_monitoringAllowed = true;

    m_popover->setContentSize(QSize(350, 330));
    m_popover->onClosed = [this] { popoverDidClose(); };

    m_notifications.onStateChange = whileAlive([](MenuBarController& self) {
        self.updatePanel();
        if (self.m_settingsWindow) {
            self.m_settingsWindow->updateReminders(self.m_notifications.isEnabled(),
                                                   self.m_notifications.isAvailable());
        }
    });
    m_simulation.onStateChange = whileAlive(&MenuBarController::updatePanel);

    auto task = std::make_shared<const bool>(true);
    m_startupTask = task;
    std::weak_ptr<const bool> running = task;
    m_notifications.refreshAuthorizationState(whileAlive([running](MenuBarController& self) {
        if (running.expired()) {
            return;
        }
        self.m_startupTask.reset();
        self.beginMonitoring();
    }));
}

void MenuBarController::cancelStartupTask() {
    m_startupTask.reset();
}

void MenuBarController::applicationWillTerminate() {
    cancelStartupTask();
    if (m_samplingTimer) {
        m_scheduler.cancel(*m_samplingTimer);
        m_samplingTimer.reset();
    }
    m_pressureWatch.stop();
    m_simulation.cancel(false);
}

void MenuBarController::beginMonitoring() {
    sampleRisk();
    m_engine.refreshTopApplications();
    updatePanel();
    scheduleSamplingTimer();

    m_monitoringBegun = true;
    if (m_statusItem->isTrayless()) {
        openTraylessWindow();
    }

    m_pressureWatch.start(whileAlive(&MenuBarController::earlyTick));
    trace(m_pressureWatch.hasPressureEvents()
              ? "watching: pressure events and a look every 10 s"
              : "watching: no pressure events from this kernel, a look every 10 s");

    const bool previewOnLaunch = m_switches.debugPreviewOnLaunch;
    const bool watchOnLaunch = m_switches.debugWatchOnLaunch;
    if (m_switches.showPanel || previewOnLaunch || watchOnLaunch) {
        m_scheduler.scheduleAfter(
            kPanelSwitchDelaySeconds,
            whileAlive([previewOnLaunch, watchOnLaunch](MenuBarController& self) {
                self.togglePopover();
                if (previewOnLaunch) {
                    self.simulateWarning();
                } else if (watchOnLaunch) {
                    self.startWatchPreview();
                }
            }));
    }
    if (m_switches.showHistory) {
        m_scheduler.scheduleAfter(kPanelSwitchDelaySeconds,
                                  whileAlive(&MenuBarController::showRecentIncidents));
    }
    if (m_switches.showAdvice) {
        m_scheduler.scheduleAfter(kAdviceSwitchDelaySeconds,
                                  whileAlive(&MenuBarController::showAdvice));
    }
}

void MenuBarController::scheduleSamplingTimer() {
    m_samplingTimer =
        m_scheduler.scheduleAfter(kSamplingIntervalSeconds, whileAlive([](MenuBarController& self) {
                                      // Re-armed first, so that the interval does not drift by the
                                      // tick's own duration.
                                      self.scheduleSamplingTimer();
                                      self.sampleRisk();
                                  }));
}

void MenuBarController::sampleRisk() {
    runTick(m_probe.lightweightSample(), false);
}

void MenuBarController::earlyTick(const LightweightSample& sample) {
    if (m_samplingTimer) {
        m_scheduler.cancel(*m_samplingTimer);
    }
    scheduleSamplingTimer();
    runTick(sample, true);
}

void MenuBarController::killReported(const KillReport& kill) {
    const std::string killer(toString(kill.killer));
    m_notifications.sendContent(killNotificationContent(killer, kill.certain, kill.application));
    m_incidents->recordKill(IncidentKill{kill.at, killer, kill.certain, kill.application});
    if (m_recentIncidentsWindow) {
        m_recentIncidentsWindow->reload(m_incidents->records(),
                                        m_incidents->lastSaveErrorDescription());
    }
}

void MenuBarController::runTick(const LightweightSample& sample, bool early) {
    const TickReport report = m_engine.tick(sample);
    m_pressureWatch.tickTaken(sample, early);
    if (m_killWatch && !m_killWatch->isArmed()) {
        m_killWatch->check();
    }
    if (traceEnabled()) {
        std::string line = early ? "early tick: " : "tick: ";
        line.append(toString(sample.pressure))
            .append(" ")
            .append(toString(report.assessment.level));
        if (report.alert) {
            line.append(" alert=").append(toString(*report.alert));
        }
        trace(line.c_str());
    }
    updatePanel();
}

void MenuBarController::refreshTopApplications() {
    m_engine.refreshTopApplications();
    updatePanel();
}

void MenuBarController::startWatchPreview() {
    m_simulation.start(watchPreviewAssessment(), m_debugPreview.duration);
}

void MenuBarController::simulateWarning() {
    ui::PanelViewController* panel = m_panel ? m_panel.data() : makePanel();
    m_popover->setContent(panel);
    m_simulation.start(warningPreviewAssessment(), m_debugPreview.duration);
    const auto plans = m_engine.plansFor(RiskLevel::warning, kWarningPreviewSwapGrowthBytes);
    m_notifications.send(AlertEvent::warning, true, firstPlan(plans));
}

// --- The tray item --------------------------------------------------------------

void MenuBarController::configureBrandImage() {
    const ui::BrandImage logo = ui::loadBrandLogo(m_logoDirectories);
    if (logo.isNull()) {
        m_statusItem->setIcon(ui::brandTextIcon(QStringLiteral("潮痕")), QStringLiteral("潮痕"));
        return;
    }
    ui::BrandImageSet images = ui::makeBrandImages(logo);
    m_normalBrandImage = std::move(images.normal);
    m_watchBrandImage = std::move(images.watch);
    m_warningBrandImage = std::move(images.warning);
    m_normalIcon = m_normalBrandImage.icon();
    m_watchIcon = m_watchBrandImage.icon();
    m_warningIcon = m_warningBrandImage.icon();
    m_statusItem->setIcon(m_normalIcon, m_normalBrandImage.description);
}

void MenuBarController::updateBrandColor(RiskLevel level) {
    if (!m_statusItem || m_normalBrandImage.isNull()) {
        return;
    }
    const QIcon* icon = &m_normalIcon;
    const ui::BrandImage* image = &m_normalBrandImage;
    switch (level) {
        case RiskLevel::safe:
            break;
        case RiskLevel::watch:
            icon = &m_watchIcon;
            image = &m_watchBrandImage;
            break;
        case RiskLevel::warning:
        case RiskLevel::critical:
            icon = &m_warningIcon;
            image = &m_warningBrandImage;
            break;
    }
    // Handing the tray the same picture again would redraw it every minute.
    if (m_statusItem->icon().cacheKey() != icon->cacheKey()) {
        m_statusItem->setIcon(*icon, image->description);
    }
}

void MenuBarController::trayActivated() {
    // Monotonic: after the wall clock is set back, a guard on it would
    // swallow every click until the clock caught up again.
    if (!m_popover->isVisible() && m_popoverClosedAt &&
        m_clock.monotonicSeconds() - *m_popoverClosedAt < kReopenGuardSeconds) {
        return;
    }
    togglePopover();
}

// Without a tray the panel window is the only way in; it opens by itself
// once monitoring has begun (not over the consent question).
void MenuBarController::trayMissing() {
    trace("no tray: the panel opens as a window");
    if (m_monitoringBegun) {
        openTraylessWindow();
    }
}

void MenuBarController::openTraylessWindow() {
    activateFromSecondStart();
    if (!m_preferences.boolValue(kTraylessNoticeKey).value_or(false)) {
        m_preferences.setBool(kTraylessNoticeKey, true);
        showTraylessNotice();
    }
}

void MenuBarController::showTraylessNotice() {
    auto* notice = new QMessageBox();
    notice->setObjectName("traylessNotice");
    notice->setIcon(QMessageBox::Information);
    notice->setWindowTitle(QStringLiteral("潮痕"));
    notice->setTextFormat(Qt::PlainText);
    notice->setText(QStringLiteral("这个桌面没有系统托盘"));
    QString text = QStringLiteral(
        "「潮痕」会照常监测内存、发出预警通知，只是不显示托盘图标。需要查看时，从应用菜单再次"
        "打开「潮痕」，这个窗口就会出现；关闭窗口不会停止监测。");
    if (const QString hint = ui::AppVisualTheme::platformText(&PlatformTexts::traylessHint);
        !hint.isEmpty()) {
        text += QStringLiteral("\n\n") + hint;
    }
    notice->setInformativeText(text);
    notice->addButton(QStringLiteral("知道了"), QMessageBox::AcceptRole);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    m_traylessNotice = notice;
    notice->show();
}

void MenuBarController::activateFromSecondStart() {
    if (m_popover->isVisible()) {
        m_popover->raise();
        m_popover->activateWindow();
        return;
    }
    togglePopover();
}

// --- The popover and the panel ---------------------------------------------

void MenuBarController::updatePanel() {
    std::optional<RiskAssessment> assessment;
    bool isSimulation = false;
    bool isRecovering = false;
    if (m_simulation.assessment()) {
        assessment = m_simulation.assessment();
        isSimulation = true;
    } else {
        assessment = m_engine.presentationPolicy().displayedAssessment;
        isRecovering = m_engine.presentationPolicy().isRecovering;
    }
    updateBrandColor(assessment ? assessment->level : RiskLevel::safe);
    if (!m_panel) {
        return;
    }
    const auto& ranking = m_engine.topApplications();
    const std::vector<AppMemory> applications(
        ranking.begin(), ranking.begin() + std::min(ranking.size(), kPanelApplicationCount));
    m_panel->update({.assessment = assessment,
                     .sample = m_engine.latestSample(),
                     .applications = applications,
                     .applicationRankingAvailable = m_engine.applicationRankingAvailable(),
                     .notificationsEnabled = m_notifications.isEnabled(),
                     .notificationsAvailable = m_notifications.isAvailable(),
                     .isSimulation = isSimulation,
                     .isRecovering = isRecovering,
                     .hasEndedPreview = m_simulation.hasEndedPreview()});
    if (m_popover->content() == m_panel) {
        m_popover->setContentSize(m_panel->sizeHint());
    }
}

void MenuBarController::togglePopover() {
    if (m_popover->isVisible()) {
        m_popover->close();
        return;
    }
    // Nothing is read before the user agreed to monitoring.
    if (!m_monitoringAllowed) {
        return;
    }
    refreshTopApplications();
    ui::PanelViewController* panel = m_panel ? m_panel.data() : makePanel();
    const bool windowMode = m_statusItem && m_statusItem->isTrayless();
    m_popover->setWindowMode(windowMode);
    m_popover->setContent(panel);
    updatePanel();
    if (windowMode) {
        m_popover->showAsWindow(panel->sizeHint());
    } else {
        m_popover->showAnchored(m_statusItem ? m_statusItem->geometry() : QRect(),
                                panel->sizeHint());
    }
    // No control starts focused; the popover itself takes the keyboard.
    m_popover->setFocus(Qt::PopupFocusReason);
}

void MenuBarController::closePopover() {
    if (m_popover->isVisible()) {
        m_popover->close();
    }
}

void MenuBarController::popoverDidClose() {
    m_popoverClosedAt = m_clock.monotonicSeconds();
    m_popover->setContent(nullptr);
    m_panel = nullptr;
    m_simulation.cancel(true);
}

ui::PanelViewController* MenuBarController::makePanel() {
    auto* panel = new ui::PanelViewController(m_debugPreview.isEnabled);
    panel->setObjectName("panel");
    panel->onRefresh = whileAlive(&MenuBarController::refreshTopApplications);
    panel->onTestWarning = whileAlive(&MenuBarController::simulateWarning);
    panel->onTestWatch = whileAlive(&MenuBarController::startWatchPreview);
    panel->onEndPreview =
        whileAlive([](MenuBarController& self) { self.m_simulation.cancel(true); });
    panel->onEnableNotifications = whileAlive(&MenuBarController::enableNotificationsPressed);
    panel->onShowHistory = whileAlive(&MenuBarController::showRecentIncidents);
    panel->onShowSettings = whileAlive(&MenuBarController::showSettings);
    panel->onShowAdvice = whileAlive(&MenuBarController::showAdvice);
    panel->onQuit = m_terminate;
    m_panel = panel;
    return panel;
}

void MenuBarController::enableNotificationsPressed() {
    m_notifications.setRemindersEnabled(
        !m_notifications.isEnabled(), whileAlive([](MenuBarController& self) {
            if (self.m_notifications.authorizationStatus() == AuthorizationStatus::denied) {
                self.showPanelPermissionNotice();
            }
        }));
}

void MenuBarController::showPanelPermissionNotice() {
    if (m_permissionNotice) {
        m_permissionNotice->raise();
        m_permissionNotice->activateWindow();
        return;
    }
    auto* notice = new QMessageBox();
    notice->setObjectName("panelPermissionNotice");
    notice->setIcon(QMessageBox::Information);
    notice->setWindowTitle(QStringLiteral("潮痕"));
    notice->setTextFormat(Qt::PlainText);
    notice->setText(QStringLiteral("系统通知权限未开启"));
    notice->setInformativeText(
        ui::AppVisualTheme::platformText(&PlatformTexts::notificationPermissionHint) +
        QStringLiteral("内存监测和最近记录不受影响。"));
    notice->addButton(QStringLiteral("知道了"), QMessageBox::AcceptRole);
    notice->setWindowModality(Qt::ApplicationModal);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    m_permissionNotice = notice;
    // Modal without a nested event loop, so that ticks go on while the
    // notice is open. (open() would make it window-modal.)
    notice->show();
    notice->raise();
    notice->activateWindow();
}

// --- Windows -------------------------------------------------------------------

void MenuBarController::showAdvice() {
    refreshTopApplications();

    // Whether the advice is a preview's is decided now: closing the popover
    // below ends the preview, and the plans were made for it.
    const bool isPreview = m_simulation.assessment().has_value();
    const std::optional<RiskAssessment> source =
        isPreview ? m_simulation.assessment() : m_engine.presentationPolicy().displayedAssessment;
    const RiskLevel level = source ? source->level : RiskLevel::safe;
    const auto growth = source ? source->swapGrowthFiveMinutesBytes : std::optional<std::int64_t>();
    auto plans = m_engine.plansFor(level, growth);

    if (!m_adviceWindow) {
        m_adviceWindow = std::make_unique<ui::AdviceWindowController>();
    }
    m_adviceWindow->onConfirm = whileAlive(&MenuBarController::adviceConfirmed);
    closePopover();

    m_scheduler.scheduleAfter(
        0, whileAlive([plans = std::move(plans), isPreview](MenuBarController& self) {
            if (!self.m_adviceWindow) {
                return;
            }
            const AdviceFollowUp& followUp = self.m_engine.adviceFollowUp();
            if (isPreview) {
                self.m_adviceWindow->show(
                    plans, QStringLiteral("这是模拟建议，不进行真实效果复查。"), false, true);
            } else {
                self.m_adviceWindow->show(plans, text(followUp.message), !followUp.isPending(),
                                          false);
            }
        }));
}

void MenuBarController::adviceConfirmed() {
    if (m_simulation.assessment()) {
        return;
    }
    m_engine.confirmAdvice(m_clock.now());
    if (m_adviceWindow) {
        m_adviceWindow->showConfirmationResult(text(m_engine.adviceFollowUp().message));
    }
}

void MenuBarController::showRecentIncidents() {
    if (!m_recentIncidentsWindow) {
        m_recentIncidentsWindow = std::make_unique<ui::RecentIncidentsWindowController>();
    }
    closePopover();

    m_scheduler.scheduleAfter(0, whileAlive([](MenuBarController& self) {
                                  if (!self.m_recentIncidentsWindow) {
                                      return;
                                  }
                                  ui::RecentIncidentsWindowController& window =
                                      *self.m_recentIncidentsWindow;
                                  window.onClear = self.whileAlive([](MenuBarController& self) {
                                      self.m_incidents->clear();
                                      return self.m_incidents->lastSaveErrorDescription();
                                  });
                                  window.reload(self.m_incidents->records(),
                                                self.m_incidents->lastSaveErrorDescription());
                                  if (window.window() != nullptr) {
                                      window.presentWindow();
                                  }
                              }));
}

void MenuBarController::showSettings() {
    if (!m_settingsWindow) {
        m_settingsWindow = std::make_unique<ui::SettingsWindowController>();
    }
    closePopover();

    QPointer<ui::SettingsWindowController> settings(m_settingsWindow.get());
    m_settingsWindow->onShowHistory = whileAlive(&MenuBarController::showRecentIncidents);
    m_settingsWindow->onRemindersChanged =
        whileAlive([settings](MenuBarController& self, bool enabled) {
            if (!settings) {
                return;
            }
            self.m_notifications.setRemindersEnabled(
                enabled, self.whileAlive([settings](MenuBarController& self) {
                    if (!settings) {
                        return;
                    }
                    settings->updateReminders(self.m_notifications.isEnabled(),
                                              self.m_notifications.isAvailable());
                    if (self.m_notifications.authorizationStatus() == AuthorizationStatus::denied &&
                        settings->window() != nullptr) {
                        settings->showPermissionNotice();
                    }
                }));
        });
    m_settingsWindow->updateReminders(m_notifications.isEnabled(), m_notifications.isAvailable());

    const bool available = m_launchAtLogin->isAvailable();
    const bool enabled = available && m_launchAtLogin->isEnabled();
    m_settingsWindow->show(enabled, available, whileAlive([](MenuBarController& self, bool wanted) {
                               return self.m_launchAtLogin->setEnabled(wanted);
                           }));
}

}  // namespace tidemark
