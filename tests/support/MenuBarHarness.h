#pragma once

#include <QStringList>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FakeNotificationClient.h"
#include "FakePressureEvents.h"
#include "ManualScheduler.h"
#include "MemoryPreferenceStore.h"
#include "ScriptedSource.h"
#include "TempDir.h"
#include "app/MenuBarController.h"
#include "engine/LaunchAtLoginService.h"
#include "history/IncidentStore.h"
#include "ui/AdviceWindowController.h"
#include "ui/RecentIncidentsWindowController.h"

namespace tidemark::test {

// The tray controller on fakes: a scripted machine, a notification client the
// test answers, a manual clock and pressure events, preferences in memory,
// its incident file and autostart entry in a directory of its own. The
// consent question counts how often it was asked and answers `consent`.
class MenuBarHarness {
public:
    void launch(std::vector<std::string> arguments, bool consent = true) {
        arguments.insert(arguments.begin(), "tidemark");
        controller = std::make_unique<MenuBarController>(MenuBarEnvironment{
            .probe = source,
            .notificationClient = client,
            .preferences = preferences,
            .incidents =
                std::make_unique<IncidentStore>(dir / "incidents.json", calendar, scheduler.now()),
            .launchAtLogin =
                std::make_unique<LaunchAtLoginService>(dir / "autostart", "/usr/bin/tidemark"),
            .scheduler = scheduler,
            .clock = scheduler,
            .pressureEvents = &events,
            .consentDialog =
                [this, consent] {
                    ++consentQuestions;
                    logoShownAtConsent = controller->statusItem() != nullptr &&
                                         !controller->statusItem()->icon().isNull();
                    return consent ? LocalMonitoringConsent::Answer::allow
                                   : LocalMonitoringConsent::Answer::quit;
                },
            .terminate = [this] { ++terminations; },
            .arguments = std::move(arguments),
            .logoDirectories = {QStringLiteral(TIDEMARK_SOURCE_DIR "/resources")},
        });
        controller->applicationDidFinishLaunching();
    }
    // Permission answered at once: monitoring has begun.
    void launchMonitoring(std::vector<std::string> arguments = {}) {
        client.immediateStatus = AuthorizationStatus::authorized;
        arguments.push_back("--accept-local-monitoring-for-testing");
        launch(std::move(arguments));
    }
    // The windows open on the scheduler's next turn, once the popover has closed.
    ui::AdviceWindowController* openAdvice() {
        controller->showAdvice();
        scheduler.runPending();
        return controller->adviceWindow();
    }
    ui::RecentIncidentsWindowController* showHistory() {
        controller->showRecentIncidents();
        scheduler.runPending();
        return controller->recentIncidentsWindow();
    }

    TempDir dir;
    ManualScheduler scheduler;
    FakeNotificationClient client;
    FakePressureEvents events;
    MemoryPreferenceStore preferences;
    LocalCalendar calendar;
    ScriptedSource source{&scheduler};
    int consentQuestions = 0, terminations = 0;
    bool logoShownAtConsent = false;
    std::unique_ptr<MenuBarController> controller;
};

}  // namespace tidemark::test
