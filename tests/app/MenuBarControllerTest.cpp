#include "app/MenuBarController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>

#include <gtest/gtest.h>

#include "MenuBarHarness.h"
#include "ui/AppVisualTheme.h"
#include "ui/SettingsWindowController.h"

namespace tidemark {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

class MenuBarControllerTest : public ::testing::Test, protected test::MenuBarHarness {
protected:
    // The first fully opaque colour the tray draws: tells the brand images apart.
    QColor logoColor() const {
        const QImage image = controller->statusItem()->icon().pixmap(QSize(62, 36)).toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y).alpha() == 255)
                    return image.pixelColor(x, y);
        return {};
    }
};

TEST_F(MenuBarControllerTest, StartsInOrderAndTicksFirstBeforeTheTimer) {
    std::vector<bool> timerExistedAtRead;
    source.onRead = [&] { timerExistedAtRead.push_back(controller->hasSamplingTimer()); };
    launch({});
    EXPECT_EQ(consentQuestions, 1);
    EXPECT_TRUE(logoShownAtConsent);

    // Waiting for the permission: nothing read, no timer.
    ASSERT_EQ(client.statusQueries.size(), 1u);
    EXPECT_TRUE(controller->hasStartupTask());
    EXPECT_EQ(source.lightweightReads, 0);
    EXPECT_FALSE(controller->hasSamplingTimer());

    client.answerStatus(AuthorizationStatus::authorized);
    EXPECT_EQ(timerExistedAtRead, std::vector<bool>{false});
    EXPECT_EQ(source.captures, 1);  // the start-up ranking; a calm tick reads none
    EXPECT_EQ(controller->engine().topApplications.size(), 3u);
    EXPECT_TRUE(controller->hasSamplingTimer());

    // Ticks are the reads that were not the watch's looks between them.
    const auto ticks = [&] {
        return source.lightweightReads - int(controller->pressureWatch().lookCount());
    };
    for (const auto& [seconds, count] : {std::pair{59.9, 1}, {0.1, 2}, {120.0, 4}}) {
        scheduler.advance(seconds);
        EXPECT_EQ(ticks(), count);
    }
    controller->applicationWillTerminate();
    EXPECT_FALSE(controller->hasSamplingTimer());
    EXPECT_FALSE(events.isListening());
    const int reads = source.lightweightReads;
    scheduler.advance(600);
    EXPECT_EQ(source.lightweightReads, reads);
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
    ASSERT_NE(controller->panel(), nullptr);
    ASSERT_TRUE(controller->simulation().assessment().has_value());
    EXPECT_EQ(controller->simulation().assessment()->level, RiskLevel::warning);
    ASSERT_EQ(client.added.size(), 1u);
    EXPECT_EQ(client.added[0].identifier, "tidemark-warning-test");
    EXPECT_EQ(logoColor(), ui::AppVisualTheme::systemRed.resolve());
    // The engine never saw the preview.
    EXPECT_EQ(controller->engine().presentationPolicy.displayedLevel, RiskLevel::safe);
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
    EXPECT_EQ(controller->statusItem()->toolTip(), "潮痕");

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
    EXPECT_TRUE(events.isListening());
    controller->togglePopover();
    auto* history = showHistory();
    ASSERT_NE(history, nullptr);
    EXPECT_FALSE(controller->popover()->isVisible());
    EXPECT_TRUE(history->window()->isVisible());
    EXPECT_TRUE(history->window()->findChildren<QWidget*>("incidentCard").isEmpty());

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
    const auto lastTick = [&] { return controller->engine().latestSample->capturedAt; };
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

TEST_F(MenuBarControllerTest, ConfirmingAdviceIsIgnoredInAPreviewAndDecidedByTheNextTick) {
    launchMonitoring();
    source.next.pressure = Pressure::critical;
    scheduler.advance(10);  // the watch's first look ticks early; the minute restarts
    controller->simulation().start(warningPreviewAssessment(), 8);
    auto* window = openAdvice();
    ASSERT_TRUE(window != nullptr && window->isSimulation());
    const QString previewResult = window->result()->text();
    window->onConfirm();
    EXPECT_FALSE(controller->engine().adviceFollowUp.isPending());
    EXPECT_EQ(window->result()->text(), previewResult);

    controller->simulation().cancel(true);
    EXPECT_EQ(openAdvice(), window);
    EXPECT_FALSE(window->isSimulation());
    ASSERT_TRUE(window->confirm()->isEnabled());
    window->confirm()->click();
    EXPECT_EQ(window->result()->text(), AdviceFollowUp::kWaitingMessage);
    EXPECT_FALSE(window->confirm()->isEnabled());  // locked until the verdict
    scheduler.advance(59);
    EXPECT_TRUE(controller->engine().adviceFollowUp.isPending());
    scheduler.advance(1);
    EXPECT_EQ(window->result()->text(), AdviceFollowUp::kNoDecreaseMessage);
    EXPECT_TRUE(window->confirm()->isEnabled());
}

TEST_F(MenuBarControllerTest, DeniedPermissionNoticesAndTheSettingsSwitches) {
    client.immediateStatus = AuthorizationStatus::denied;
    launch({"--accept-local-monitoring-for-testing"});
    EXPECT_FALSE(controller->notifications().isEnabled());
    controller->togglePopover();
    controller->panel()->onEnableNotifications();
    QMessageBox* notice = controller->permissionNotice();
    ASSERT_TRUE(notice != nullptr && notice->isVisible());
    notice->buttons().at(0)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(controller->permissionNotice(), nullptr);

    controller->showSettings();
    ui::SettingsWindowController* settings = controller->settingsWindow();
    controller->showSettings();
    ASSERT_TRUE(settings != nullptr && controller->settingsWindow() == settings);
    auto* launchSwitch = settings->window()->findChild<QAbstractButton*>("launchAtLoginCheckbox");
    ASSERT_TRUE(launchSwitch != nullptr && !launchSwitch->isChecked());
    launchSwitch->click();
    EXPECT_TRUE(std::filesystem::exists(dir / "autostart" / "tidemark.desktop"));
    // The reminders switch asks again; still denied, so it stays off.
    auto* reminders = settings->window()->findChild<QAbstractButton*>("remindersCheckbox");
    ASSERT_NE(reminders, nullptr);
    reminders->click();
    EXPECT_FALSE(reminders->isChecked());
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
    EXPECT_TRUE(closeThenClickAfter(1, 0));
    EXPECT_TRUE(closeThenClickAfter(1, -3600));
    EXPECT_FALSE(closeThenClickAfter(0.1, 3600));
}

}  // namespace
}  // namespace tidemark
