#include "app/GuiMain.h"

#include <QApplication>
#include <QIcon>
#include <QMetaObject>
#include <QSessionManager>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/GraphicalStartGuard.h"
#include "app/KillBusListener.h"
#include "app/MenuBarController.h"
#include "app/QtScheduler.h"
#include "app/QtTranslations.h"
#include "app/SignalShutdown.h"
#include "app/SingleInstance.h"
#include "core/GraphicalSession.h"
#include "core/PressureEvents.h"
#include "core/ProbePlatform.h"
#include "core/SystemProbe.h"
#include "engine/Trace.h"
#include "freedesktop/FreedesktopNotificationClient.h"
#include "history/Calendar.h"
#include "history/IncidentStore.h"
#include "settings/LaunchAtLoginService.h"
#include "settings/PreferenceStore.h"

namespace tidemark {

int runGui(int argc, char** argv, const TraySwitches& switches) {
    // Outside a graphical session the user gets one line naming what is
    // missing, before anything is stored.
    const EnvironmentReader environment = [](const char* name) { return std::getenv(name); };
    if (const auto missing = missingGraphicalSessionLine(environment)) {
        std::cerr << *missing << '\n';
        return kNoGraphicalSessionStatus;
    }
    std::optional<GraphicalStartGuard> startGuard(std::in_place,
                                                  refusedGraphicalSessionLine(environment));
    QApplication app(argc, argv);
    startGuard.reset();
    // Tray hosts list the item under the application name (Plasma's and
    // GNOME's tray settings); files and the single-instance lock name
    // themselves, so nothing on disk depends on it. The display name follows
    // from it: set on its own, Qt would append it to every window title.
    QApplication::setApplicationName(QStringLiteral("潮痕"));
    QApplication::setDesktopFileName(QStringLiteral("tidemark"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tidemark")));
    installChineseQtTranslations(app);
    // A tray program: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // SIGTERM, SIGINT and the session's hang-up quit like the menu does, so
    // they reach applicationWillTerminate through aboutToQuit below.
    SignalShutdown signalShutdown;
    // Before the event loop runs (start-up waits on the consent question)
    // quit() does nothing, so the request is also remembered.
    bool shutdownRequested = false;
    QObject::connect(&signalShutdown, &SignalShutdown::shutdownRequested, &app,
                     [&shutdownRequested] {
                         shutdownRequested = true;
                         QCoreApplication::quit();
                     });
    // Autostart brings the program back at the next login; a session manager
    // restoring it as well would only start it twice.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [](QSessionManager& manager) {
        manager.setRestartHint(QSessionManager::RestartNever);
    });
    // A second start (autostart plus a manual one) shows the running instance
    // instead of monitoring twice.
    SingleInstance instance;
    if (instance.claim() == SingleInstance::Role::secondary) {
        return 0;
    }

    QtScheduler scheduler;
    SystemClock clock;
    SystemProbe probe(defaultProbePlatform());
    const std::unique_ptr<PressureEvents> pressureEvents = makePressureEvents(scheduler);
    FreedesktopNotificationClient notificationClient;
    FilePreferenceStore preferences;
    static const LocalCalendar calendar;

    MenuBarController controller(MenuBarEnvironment{
        .probe = probe,
        .notificationClient = notificationClient,
        .notificationsAvailable = FreedesktopNotificationClient::sessionBusAvailable(),
        .preferences = preferences,
        .incidents = std::make_unique<IncidentStore>(std::nullopt, calendar, clock.now()),
        .launchAtLogin = std::make_unique<LaunchAtLoginService>(),
        .scheduler = scheduler,
        .clock = clock,
        .pressureEvents = pressureEvents.get(),
        .killSignals = &defaultKillSignals(),
        // Queued: quit() does nothing before the event loop runs, and a
        // refused consent asks to quit before it does.
        .consentDialog =
            [] {
                trace("asking for consent");
                return LocalMonitoringConsent::showDialog();
            },
        .terminate =
            [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); },
        .switches = switches,
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &controller,
                     &MenuBarController::applicationWillTerminate);
    QObject::connect(&instance, &SingleInstance::activationRequested, &controller,
                     &MenuBarController::activateFromSecondStart);

    KillBusListener killBus([&controller](KillSource source) {
        if (KillWatch* watch = controller.killWatch()) {
            watch->noteKill(source);
        }
    });
    controller.applicationDidFinishLaunching();
    if (shutdownRequested) {
        controller.applicationWillTerminate();
        return 0;
    }
    QApplication::exec();
    return 0;
}

}  // namespace tidemark
