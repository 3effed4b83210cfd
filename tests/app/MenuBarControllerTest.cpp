#include "app/MenuBarController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "FakeNotificationClient.h"
#include "FakePressureEvents.h"
#include "ManualScheduler.h"
#include "MemoryPreferenceStore.h"
#include "ScriptedSource.h"
#include "TempDir.h"
#include "advice/AdviceEngine.h"
#include "history/IncidentStore.h"
#include "settings/LaunchAtLoginService.h"
#include "ui/AdviceWindowController.h"
#include "ui/AppVisualTheme.h"
#include "ui/RecentIncidentsWindowController.h"
#include "ui/SettingsWindowController.h"

namespace tidemark {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

// Words that only make sense on a Mac. The guidance's cited sources
// ("Apple：活动监视器内存说明 …") name their origin and are exempt.
const QStringList kForeignWords = {"⌘",        "Mac",        "macOS",       "Apple",
                                   "聚焦搜索", "活动监视器", "系统偏好设置"};

// Every text a widget tree shows or announces, hidden parts included.
QStringList textsOf(QWidget* root) {
    QStringList texts;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        texts << w->windowTitle() << w->toolTip() << w->accessibleName()
              << w->accessibleDescription();
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
    }
    texts.removeAll(QString());
    return texts;
}

void expectNative(const QStringList& texts) {
    for (const QString& text : texts) {
        for (const QString& word : kForeignWords)
            EXPECT_FALSE(text.contains(word)) << text.toStdString();
    }
}

// A title in Chinese: anything Latin ("tidemark", "OK") is a default that
// slipped through.
void expectChineseTitle(QWidget* window) {
    const QString title = window->windowTitle();
    EXPECT_FALSE(title.isEmpty()) << window->objectName().toStdString();
    EXPECT_FALSE(title.contains(QRegularExpression("[A-Za-z]"))) << title.toStdString();
}

// The tray controller on fakes: a scripted machine, a notification client the
// test answers, a manual clock and pressure events, preferences in memory,
// its incident file and autostart entry in a directory of its own. The
// consent question counts how often it was asked and answers `consent`.
class MenuBarControllerTest : public ::testing::Test {
protected:
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
            .killSignals = killSignals,
            .consentDialog =
                [this, consent] {
                    ++consentQuestions;
                    logoShownAtConsent = controller->statusItem() != nullptr &&
                                         !controller->statusItem()->icon().isNull();
                    return consent ? LocalMonitoringConsent::Answer::allow
                                   : LocalMonitoringConsent::Answer::quit;
                },
            .terminate = [this] { ++terminations; },
            .switches = parseCommandLine(arguments).tray,
            .logoDirectories = {QStringLiteral(TIDEMARK_SOURCE_DIR "/resources")},
            .trayHostCheck = [this] { return trayHost; },
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
    // The first fully opaque colour the tray draws: tells the brand images apart.
    QColor logoColor() const {
        const QImage image = controller->statusItem()->icon().pixmap(QSize(62, 36)).toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y).alpha() == 255)
                    return image.pixelColor(x, y);
        return {};
    }

    test::TempDir dir;
    test::ManualScheduler scheduler;
    test::FakeNotificationClient client;
    test::FakePressureEvents events;
    test::MemoryPreferenceStore preferences;
    LocalCalendar calendar;
    test::ScriptedSource source{&scheduler};
    KillSignals* killSignals = nullptr;
    int consentQuestions = 0, terminations = 0;
    bool logoShownAtConsent = false;
    bool trayHost = true;
    std::unique_ptr<MenuBarController> controller;
};

TEST_F(MenuBarControllerTest, StartsInOrderAndTicksFirstBeforeTheTimer) {
    std::vector<bool> timerExistedAtRead;
    source.onRead = [&] { timerExistedAtRead.push_back(controller->hasSamplingTimer()); };
    launch({});
    EXPECT_EQ(consentQuestions, 1);
    EXPECT_TRUE(logoShownAtConsent);

    // Waiting for the permission: nothing read, no timer.
    ASSERT_EQ(client.statusQueries.size(), 1u);
    EXPECT_EQ(source.lightweightReads, 0);
    EXPECT_FALSE(controller->hasSamplingTimer());

    client.answerStatus(AuthorizationStatus::authorized);
    EXPECT_EQ(timerExistedAtRead, std::vector<bool>{false});
    EXPECT_EQ(source.captures, 1);  // the start-up ranking; a calm tick reads none
    EXPECT_EQ(controller->engine().topApplications().size(), 3u);
    EXPECT_TRUE(controller->hasSamplingTimer());

    controller->applicationWillTerminate();
    EXPECT_FALSE(events.isListening());
    const int reads = source.lightweightReads;
    scheduler.advance(600);
    EXPECT_EQ(source.lightweightReads, reads);
}

// A desktop without a tray: once monitoring runs, the panel is an ordinary
// window that opens by itself and on every later start, explained once;
// closing it quits nothing; a tray that appears later takes over.
TEST_F(MenuBarControllerTest, WithoutATrayThePanelIsAnOrdinaryWindowUntilATrayAppears) {
    trayHost = false;
    launch({"--accept-local-monitoring-for-testing"});
    scheduler.advance(TrayIcon::kMissingAfterSeconds);
    EXPECT_FALSE(controller->popover()->isVisible()) << "nothing opens before monitoring begins";

    client.answerStatus(AuthorizationStatus::authorized);
    TrayPopover* window = controller->popover();
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowType(), Qt::Window);
    ASSERT_NE(controller->panel(), nullptr);
    ASSERT_NE(controller->traylessNotice(), nullptr);
    EXPECT_TRUE(controller->traylessNotice()->informativeText().contains("AppIndicator"));
    controller->traylessNotice()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    window->close();
    EXPECT_EQ(terminations, 0);
    controller->activateFromSecondStart();
    EXPECT_TRUE(window->isVisible());
    controller->activateFromSecondStart();  // already open: brought to the front
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(controller->traylessNotice(), nullptr) << "explained once";

    trayHost = true;
    scheduler.advance(TrayIcon::kLateRetryIntervalSeconds);
    window->close();
    scheduler.advance(5 * 60);
    EXPECT_FALSE(window->isVisible()) << "no longer opens by itself";
    controller->togglePopover();
    EXPECT_EQ(window->windowType(), Qt::Popup);
}

TEST_F(MenuBarControllerTest, ThePanelShowsTheThreeLargestApplicationsOfTheRanking) {
    source.applications.push_back({"Fourth", std::nullopt, kGiB, 2});
    source.applications.push_back({"Fifth", std::nullopt, kGiB / 2, 1});
    launchMonitoring();
    controller->togglePopover();
    ASSERT_NE(controller->panel(), nullptr);
    QStringList names;
    for (int rank = 1; rank <= 3; ++rank) {
        const auto* row =
            controller->panel()->findChild<QWidget*>(QStringLiteral("appRow%1").arg(rank));
        ASSERT_NE(row, nullptr) << rank;
        names << row->findChild<QLabel*>("nameLabel")->text();
    }
    EXPECT_EQ(names, (QStringList{"Google Chrome", "Codex", "Safari"}));
    for (const QLabel* label : controller->panel()->findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains("Fourth") || label->text().contains("Fifth"));
}

TEST_F(MenuBarControllerTest, RefusedConsentOrQuittingWhilePendingStartsNothing) {
    launch({}, false);
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(client.statusQueryCount, 0);
    controller->statusItem()->onActivate();
    EXPECT_FALSE(controller->popover()->isVisible());

    // The testing switch skips the question and its stored answer entirely.
    launch({"--accept-local-monitoring-for-testing", "--show-panel"}, false);
    EXPECT_EQ(consentQuestions, 1);
    EXPECT_EQ(preferences.writeCount, 0);
    EXPECT_EQ(client.statusQueryCount, 1);
    controller->applicationWillTerminate();
    client.answerStatus(AuthorizationStatus::authorized);
    scheduler.advance(300);
    EXPECT_FALSE(controller->hasStartupTask() || controller->hasSamplingTimer());
    EXPECT_EQ(source.lightweightReads + source.captures, 0);
    EXPECT_FALSE(controller->popover()->isVisible());
}

TEST_F(MenuBarControllerTest, BothPreviewSwitchesRunOnlyTheWarningPreview) {
    launchMonitoring({"--debug-watch-on-launch", "--debug-preview-on-launch"});
    EXPECT_FALSE(controller->popover()->isVisible());
    scheduler.advance(MenuBarController::kPanelSwitchDelaySeconds);
    EXPECT_TRUE(controller->popover()->isVisible());
    ASSERT_TRUE(controller->simulation().assessment().has_value());
    EXPECT_EQ(controller->simulation().assessment()->level, RiskLevel::warning);
    ASSERT_EQ(client.added.size(), 1u);
    EXPECT_EQ(client.added[0].identifier, "tidemark-warning-test");
    EXPECT_EQ(logoColor(), ui::AppVisualTheme::systemRed.resolve());
    // The engine never saw the preview.
    EXPECT_EQ(controller->engine().presentationPolicy().displayedLevel, RiskLevel::safe);
    EXPECT_TRUE(controller->incidents().records().empty());
}

TEST_F(MenuBarControllerTest, ClosingThePopoverEndsThePreviewButAdviceStaysSimulated) {
    launchMonitoring();
    const QColor normal = logoColor();
    controller->togglePopover();
    ASSERT_NE(controller->panel(), nullptr);
    EXPECT_EQ(source.captures, 2);  // start-up and opening
    controller->panel()->onTestWatch();
    EXPECT_EQ(logoColor(), ui::AppVisualTheme::systemOrange.resolve());
    EXPECT_TRUE(client.added.empty());  // the watch preview sends nothing

    controller->togglePopover();  // closes, like a click elsewhere
    EXPECT_EQ(controller->panel(), nullptr);
    EXPECT_FALSE(controller->simulation().assessment().has_value());
    EXPECT_EQ(logoColor(), normal);

    scheduler.advance(1);
    controller->togglePopover();
    ASSERT_NE(controller->panel(), nullptr);

    // Opening advice closes the popover and so ends the preview; the window
    // must still know its plans were the preview's.
    controller->panel()->onTestWarning();
    auto* advice = openAdvice();
    EXPECT_FALSE(controller->simulation().assessment().has_value());
    EXPECT_TRUE(advice->isSimulation());
}

TEST_F(MenuBarControllerTest, ARiseBetweenTicksAlertsAtOnceAndReachesTheHistoryWindow) {
    launchMonitoring();
    controller->togglePopover();
    auto* history = showHistory();
    ASSERT_NE(history, nullptr);
    EXPECT_FALSE(controller->popover()->isVisible());
    EXPECT_TRUE(history->window()->isVisible());

    scheduler.advance(20);
    source.next.pressure = Pressure::critical;
    events.fire();
    ASSERT_EQ(client.added.size(), 1u);
    EXPECT_EQ(client.added[0].identifier, "tidemark-critical-live");
    EXPECT_EQ(client.added[0].body,
              "请立即保存工作。在 Chrome 中定位并正常关闭暂不用的高占用页面。");
    EXPECT_EQ(logoColor(), ui::AppVisualTheme::systemRed.resolve());
    EXPECT_EQ(controller->statusItem()->toolTip(), "潮痕预警");
    EXPECT_EQ(showHistory(), history);
    EXPECT_EQ(history->window()->findChildren<QWidget*>("incidentCard").size(), 1);

    // The minute restarts from the early tick: the regular one that was due
    // 40 s later does not come; the next comes 60 s after the early tick.
    const Timestamp early = scheduler.now();
    const auto lastTick = [&] { return controller->engine().latestSample()->capturedAt; };
    scheduler.advance(59.9);
    EXPECT_EQ(lastTick(), early);
    scheduler.advance(0.1);
    EXPECT_EQ(lastTick(), early + 60);

    // Back to calm: the logo follows the displayed level, two ticks later.
    source.next.pressure = Pressure::normal;
    scheduler.advance(60);
    EXPECT_EQ(controller->statusItem()->toolTip(), "潮痕预警");
    scheduler.advance(60);
    EXPECT_EQ(controller->statusItem()->toolTip(), "潮痕");

    history->clearPressed();  // goes through the store, to disk
    EXPECT_TRUE(IncidentStore(dir / "incidents.json", calendar, scheduler.now()).records().empty());
}

// The alert's notification is asked for before the history is written: the
// write waits until the server has answered, or kHistoryHoldSeconds when it
// never does. The history window has the incident at once.
TEST_F(MenuBarControllerTest, TheNotificationLeavesBeforeTheHistoryIsWritten) {
    const std::filesystem::path file = dir / "incidents.json";
    for (const bool serverAnswers : {true, false}) {
        std::filesystem::remove(file);
        client.added.clear();
        client.pendingAdds.clear();
        source.next.pressure = Pressure::normal;
        launchMonitoring();
        scheduler.advance(20);
        source.next.pressure = Pressure::critical;
        events.fire();
        ASSERT_EQ(client.added.size(), 1u) << serverAnswers;
        EXPECT_FALSE(std::filesystem::exists(file)) << serverAnswers;
        EXPECT_EQ(controller->incidents().records().size(), 1u);
        if (serverAnswers) {
            client.finishAdd();
        } else {
            scheduler.advance(MenuBarController::kHistoryHoldSeconds - 0.1);
            EXPECT_FALSE(std::filesystem::exists(file));
            scheduler.advance(0.1);
        }
        EXPECT_TRUE(std::filesystem::exists(file)) << serverAnswers;
    }
}

class CountedKills final : public KillSignals {
public:
    KillerInventory readInventory() override { return {}; }
    KillCounters readCounters() override { return counters; }
    KillCounters counters{0, std::nullopt, 2 * kGiB, 16 * kGiB};
};

TEST_F(MenuBarControllerTest, AKillAfterTheCriticalAlertIsToldOnceAndKeptInTheIncident) {
    CountedKills kills;
    killSignals = &kills;
    launchMonitoring();
    auto* history = showHistory();
    scheduler.advance(20);
    source.next.pressure = Pressure::critical;
    events.fire();
    ASSERT_EQ(client.added.size(), 1u);

    source.applications.erase(source.applications.begin());  // Chrome ends
    ++*kills.counters.kernelOomKills;
    scheduler.advance(1);
    scheduler.advance(10);
    ASSERT_EQ(client.added.size(), 2u);
    EXPECT_EQ(client.added[1].identifier, "tidemark-kill-live");
    EXPECT_EQ(
        client.added[1].body,
        "内存用尽时，「Google Chrome」（4 GB）被系统内核结束了。它未保存的内容可能已经丢失。");
    const auto records = IncidentStore(dir / "incidents.json", calendar, scheduler.now()).records();
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].kills.size(), 1u);
    EXPECT_EQ(records[0].kills[0].killer, "kernel");
    EXPECT_EQ(history->window()->findChild<QLabel*>("incidentKill")->text(),
              "被系统内核结束：「Google Chrome」（4 GB）");
}

TEST_F(MenuBarControllerTest, ConfirmingAdviceIsIgnoredInAPreviewAndDecidedByTheNextTick) {
    launchMonitoring();
    source.next.pressure = Pressure::critical;
    scheduler.advance(10);  // the watch's first look ticks early; the minute restarts
    controller->simulation().start(warningPreviewAssessment(), 8);
    auto* window = openAdvice();
    ASSERT_TRUE(window != nullptr && window->isSimulation());
    auto* result = window->window()->findChild<QLabel*>("adviceResult");
    auto* confirm = window->window()->findChild<QAbstractButton*>("adviceConfirm");
    ASSERT_TRUE(result != nullptr && confirm != nullptr);
    const QString previewResult = result->text();
    window->onConfirm();
    EXPECT_FALSE(controller->engine().adviceFollowUp().isPending());
    EXPECT_EQ(result->text(), previewResult);

    controller->simulation().cancel(true);
    EXPECT_EQ(openAdvice(), window);
    EXPECT_FALSE(window->isSimulation());
    ASSERT_TRUE(confirm->isEnabled());
    confirm->click();
    EXPECT_EQ(result->text(), AdviceFollowUp::kWaitingMessage);
    EXPECT_FALSE(confirm->isEnabled());  // locked until the verdict
    scheduler.advance(60);
    EXPECT_EQ(result->text(), AdviceFollowUp::kNoDecreaseMessage);
    EXPECT_TRUE(confirm->isEnabled());
}

// Every window of the running tray, and the notices it raises while
// notifications are off.
TEST_F(MenuBarControllerTest, WhileDeniedTheWindowsAndNoticesSpeakOfThisDesktop) {
    client.immediateStatus = AuthorizationStatus::denied;
    launch({"--accept-local-monitoring-for-testing"});
    EXPECT_FALSE(controller->notifications().isEnabled());

    controller->togglePopover();
    controller->panel()->onTestWarning();
    expectNative(textsOf(controller->panel()));
    controller->panel()->onEnableNotifications();
    QMessageBox* panelNotice = controller->permissionNotice();
    ASSERT_TRUE(panelNotice != nullptr && panelNotice->isVisible());
    const QString hint = "请在桌面的通知设置中允许潮痕的通知，并确认通知服务正在运行。";
    EXPECT_EQ(panelNotice->informativeText(), hint + "内存监测和最近记录不受影响。");
    expectNative(textsOf(panelNotice));
    expectChineseTitle(panelNotice);
    panelNotice->buttons().at(0)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(controller->permissionNotice(), nullptr);

    ui::AdviceWindowController* advice = openAdvice();
    ASSERT_NE(advice, nullptr);
    for (const RiskLevel level : {RiskLevel::watch, RiskLevel::warning, RiskLevel::critical}) {
        // The plan for the system itself, and one of every family, growing.
        std::vector<AdvicePlan> plans{AdviceEngine::plans(level, {}, 16 * kGiB, kGiB).at(0)};
        for (const char* name : {"Google Chrome", "Chromium", "ChatGPT", "Codex", "微信",
                                 "Microsoft Edge", "Firefox ESR", "Safari", "gnome-shell", "Tool"})
            plans.push_back(AdviceEngine::plan(
                level, {name, std::nullopt, 2 * kGiB, 1, kGiB, MemoryGrowth{kGiB, 300}}));
        advice->show(plans, QString(), true, false);
        for (int i = 0; i < static_cast<int>(plans.size()); ++i) {
            advice->selectPlan(i);
            expectNative(textsOf(advice->window()));
        }
    }
    expectChineseTitle(advice->window());

    controller->showSettings();
    ui::SettingsWindowController* settingsWindow = controller->settingsWindow();
    controller->showSettings();
    ASSERT_TRUE(settingsWindow != nullptr && controller->settingsWindow() == settingsWindow);
    QWidget* settings = settingsWindow->window();
    auto* launchSwitch = settings->findChild<QAbstractButton*>("launchAtLoginCheckbox");
    ASSERT_TRUE(launchSwitch != nullptr && !launchSwitch->isChecked());
    launchSwitch->click();
    EXPECT_TRUE(std::filesystem::exists(dir / "autostart" / "tidemark.desktop"));
    // The reminders switch asks again; still denied, so it stays off and its
    // notice shows.
    auto* reminders = settings->findChild<QAbstractButton*>("remindersCheckbox");
    ASSERT_NE(reminders, nullptr);
    reminders->click();
    EXPECT_FALSE(reminders->isChecked());
    auto* settingsNotice = settings->findChild<QMessageBox*>("settingsPermissionNotice");
    ASSERT_NE(settingsNotice, nullptr);
    EXPECT_EQ(settingsNotice->informativeText(), hint + "监测和记录不受影响。");
    expectNative(textsOf(settings));
    expectChineseTitle(settings);
    expectChineseTitle(settingsNotice);

    QWidget* history = showHistory()->window();
    expectNative(textsOf(history));
    expectChineseTitle(history);
}

// The click that closed the popover must not reopen it, but setting the wall
// clock back must not lock the tray either.
TEST_F(MenuBarControllerTest, TheReopenGuardIgnoresTheWallClock) {
    launchMonitoring();
    const auto closeThenClickAfter = [&](double seconds, double wallClockJump) {
        if (!controller->popover()->isVisible())
            controller->togglePopover();
        controller->togglePopover();
        EXPECT_FALSE(controller->popover()->isVisible());
        scheduler.setNow(scheduler.now() + wallClockJump);
        scheduler.advance(seconds);
        controller->statusItem()->onActivate();
        return controller->popover()->isVisible();
    };
    EXPECT_FALSE(closeThenClickAfter(0.1, 0));
    EXPECT_TRUE(closeThenClickAfter(1, -3600));
    EXPECT_FALSE(closeThenClickAfter(0.1, 3600));
}

}  // namespace
}  // namespace tidemark
