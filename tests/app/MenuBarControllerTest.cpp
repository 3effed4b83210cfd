#include "app/MenuBarController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include "FakeNotificationClient.h"
#include "ManualScheduler.h"
#include "MemoryPreferenceStore.h"
#include "TempDir.h"
#include "advice/AdviceEngine.h"
#include "app/LaunchAtLoginService.h"
#include "history/IncidentStore.h"
#include "ui/AdviceWindowController.h"
#include "ui/AppVisualTheme.h"
#include "ui/RecentIncidentsWindowController.h"
#include "ui/SettingsWindowController.h"

namespace tidemark {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

// Readings stamped with the test's clock; counts what was read and records
// whether the sampling timer already existed at each lightweight read.
class ScriptedSource final : public SampleSource {
public:
    explicit ScriptedSource(const Clock& clock) : m_clock(clock) {}

    LightweightSample lightweightSample() override {
        ++lightweightReads;
        if (onRead) {
            onRead();
        }
        return {m_clock.now(), pressure, 0, 16 * kGiB, 8 * kGiB};
    }
    SystemSnapshot capture(std::size_t limit) override {
        ++captures;
        SystemSnapshot snapshot;
        snapshot.capturedAt = m_clock.now();
        snapshot.topApplications = applications;
        if (snapshot.topApplications.size() > limit) {
            snapshot.topApplications.resize(limit);
        }
        snapshot.processListAvailable = true;
        return snapshot;
    }

    Pressure pressure = Pressure::normal;
    std::vector<AppMemory> applications = {{"Google Chrome", "com.google.Chrome", 4 * kGiB, 20},
                                           {"Codex", std::nullopt, 2 * kGiB, 4},
                                           {"Safari", "com.apple.Safari", 3 * kGiB / 2, 6}};
    int lightweightReads = 0;
    int captures = 0;
    std::function<void()> onRead;

private:
    const Clock& m_clock;
};

class MenuBarControllerTest : public ::testing::Test {
protected:
    void launch(std::vector<std::string> arguments, bool consent = true) {
        arguments.insert(arguments.begin(), "tidemark");
        controller = std::make_unique<MenuBarController>(MenuBarEnvironment{
            .probe = source,
            .notificationClient = client,
            .notificationsAvailable = true,
            .preferences = preferences,
            .incidents =
                std::make_unique<IncidentStore>(dir / "incidents.json", calendar, scheduler.now()),
            .launchAtLogin =
                std::make_unique<LaunchAtLoginService>(dir / "autostart", "/usr/bin/tidemark"),
            .scheduler = scheduler,
            .clock = scheduler,
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
            .logoDirectories = logoDirectories,
        });
        controller->applicationDidFinishLaunching();
    }

    // Launched with the permission answered at once: monitoring has begun.
    void launchMonitoring(std::vector<std::string> arguments = {}) {
        client.immediateStatus = AuthorizationStatus::authorized;
        arguments.push_back("--accept-local-monitoring-for-testing");
        launch(std::move(arguments));
    }

    ui::RecentIncidentsWindowController* showHistory() {
        controller->showRecentIncidents();
        scheduler.runPending();
        return controller->recentIncidentsWindow();
    }

    ui::AdviceWindowController* openAdvice() {
        controller->showAdvice();
        scheduler.runPending();
        return controller->adviceWindow();
    }

    test::TempDir dir;
    test::ManualScheduler scheduler;
    test::FakeNotificationClient client;
    test::MemoryPreferenceStore preferences;
    LocalCalendar calendar;
    ScriptedSource source{scheduler};
    int consentQuestions = 0;
    bool logoShownAtConsent = false;
    QStringList logoDirectories = {QStringLiteral(TIDEMARK_SOURCE_DIR "/resources")};
    int terminations = 0;
    std::unique_ptr<MenuBarController> controller;
};

// The first fully opaque colour of what the tray shows: tells the three
// brand images apart by what is actually drawn.
QColor opaqueColor(const QIcon& icon) {
    const QImage image = icon.pixmap(QSize(62, 36)).toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 255) {
                return c;
            }
        }
    }
    return {};
}

TEST_F(MenuBarControllerTest, StartsInOrderAndTicksFirstBeforeTheTimer) {
    std::vector<bool> timerExistedAtRead;
    source.onRead = [&] { timerExistedAtRead.push_back(controller->hasSamplingTimer()); };

    launch({});
    EXPECT_EQ(consentQuestions, 1);
    EXPECT_TRUE(logoShownAtConsent);
    EXPECT_EQ(preferences.values.at("localMonitoringConsent.v1"), true);
    EXPECT_FALSE(controller->normalBrandImage().isNull());
    EXPECT_EQ(controller->statusItem()->toolTip(), "潮痕");

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
    EXPECT_TRUE(controller->notifications().isEnabled());

    scheduler.advance(59.9);
    EXPECT_EQ(source.lightweightReads, 1);
    scheduler.advance(0.1);
    EXPECT_EQ(source.lightweightReads, 2);
    scheduler.advance(120);
    EXPECT_EQ(source.lightweightReads, 4);

    controller->applicationWillTerminate();
    EXPECT_FALSE(controller->hasSamplingTimer());
    scheduler.advance(600);
    EXPECT_EQ(source.lightweightReads, 4);
}

TEST_F(MenuBarControllerTest, ConsentGate) {
    // Refused: the program is asked to quit and nothing else happens.
    launch({}, false);
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(client.statusQueryCount, 0);
    EXPECT_FALSE(controller->hasStartupTask());
    scheduler.advance(120);
    EXPECT_EQ(source.lightweightReads, 0);
    EXPECT_EQ(source.captures, 0);
    EXPECT_TRUE(preferences.values.empty());
    controller->statusItem()->onActivate();
    EXPECT_FALSE(controller->popover()->isVisible());

    // The testing switch skips the question and its stored answer entirely.
    launch({"--accept-local-monitoring-for-testing"}, false);
    EXPECT_EQ(consentQuestions, 1);
    EXPECT_EQ(preferences.writeCount, 0);
    EXPECT_EQ(client.statusQueryCount, 1);
}

TEST_F(MenuBarControllerTest, QuittingWhileThePermissionIsPendingStartsNothing) {
    launch({"--accept-local-monitoring-for-testing", "--show-panel"});
    controller->applicationWillTerminate();
    client.answerStatus(AuthorizationStatus::authorized);
    scheduler.advance(300);

    EXPECT_FALSE(controller->hasStartupTask());
    EXPECT_FALSE(controller->hasSamplingTimer());
    EXPECT_EQ(source.lightweightReads, 0);
    EXPECT_EQ(source.captures, 0);
    EXPECT_FALSE(controller->popover()->isVisible());
}

TEST_F(MenuBarControllerTest, BothPreviewSwitchesRunOnlyTheWarningPreview) {
    launchMonitoring({"--debug-watch-on-launch", "--debug-preview-on-launch"});
    EXPECT_FALSE(controller->popover()->isVisible());
    scheduler.advance(0.3);

    EXPECT_TRUE(controller->popover()->isVisible());
    ASSERT_NE(controller->panel(), nullptr);
    EXPECT_EQ(controller->popover()->content(), controller->panel());
    ASSERT_TRUE(controller->simulation().assessment().has_value());
    EXPECT_EQ(controller->simulation().assessment()->level, RiskLevel::warning);
    ASSERT_EQ(client.added.size(), 1u);
    EXPECT_EQ(client.added[0].identifier, "tidemark-warning-test");
    EXPECT_EQ(opaqueColor(controller->statusItem()->icon()),
              ui::AppVisualTheme::systemRed.resolve());
    // The engine never saw the preview.
    EXPECT_EQ(controller->engine().presentationPolicy.displayedLevel, RiskLevel::safe);
    EXPECT_TRUE(controller->incidents().records().empty());
}

TEST_F(MenuBarControllerTest, ClosingThePopoverEndsThePreviewAndRestoresTheLogo) {
    launchMonitoring();
    const QColor normal = opaqueColor(controller->statusItem()->icon());
    controller->togglePopover();
    ASSERT_NE(controller->panel(), nullptr);
    const int capturesWhenOpen = source.captures;
    EXPECT_EQ(capturesWhenOpen, 2);  // start-up and opening

    controller->panel()->onTestWatch();
    EXPECT_EQ(opaqueColor(controller->statusItem()->icon()),
              ui::AppVisualTheme::systemOrange.resolve());
    EXPECT_TRUE(client.added.empty());  // the watch preview sends nothing

    controller->togglePopover();  // closes, like a click elsewhere
    EXPECT_FALSE(controller->popover()->isVisible());
    EXPECT_EQ(controller->panel(), nullptr);
    EXPECT_FALSE(controller->simulation().assessment().has_value());
    EXPECT_TRUE(controller->simulation().hasEndedPreview());
    EXPECT_EQ(opaqueColor(controller->statusItem()->icon()), normal);
    EXPECT_EQ(controller->statusItem()->toolTip(), "潮痕");

    // A click on the tray item right after the close is the same click.
    controller->statusItem()->onActivate();
    EXPECT_FALSE(controller->popover()->isVisible());
    scheduler.advance(1);
    controller->statusItem()->onActivate();
    EXPECT_TRUE(controller->popover()->isVisible());
    EXPECT_NE(controller->panel(), nullptr);
    EXPECT_EQ(source.captures, capturesWhenOpen + 1);
}

TEST_F(MenuBarControllerTest, AnAlertSendsTheFirstPlanAndTintsTheLogo) {
    launchMonitoring();
    source.pressure = Pressure::critical;
    scheduler.advance(60);

    ASSERT_EQ(client.added.size(), 1u);
    EXPECT_EQ(client.added[0].identifier, "tidemark-critical-live");
    const auto plans =
        AdviceEngine::plans(RiskLevel::critical, source.applications, 16 * kGiB,
                            controller->engine().latestAssessment->swapGrowthFiveMinutesBytes);
    ASSERT_FALSE(plans.empty());
    EXPECT_EQ(client.added[0].body, plans.front().summary);
    EXPECT_EQ(opaqueColor(controller->statusItem()->icon()),
              ui::AppVisualTheme::systemRed.resolve());
    EXPECT_EQ(controller->statusItem()->toolTip(), "潮痕预警");
    ASSERT_EQ(controller->incidents().records().size(), 1u);

    // Back to calm: the logo returns with the displayed level, two ticks later.
    source.pressure = Pressure::normal;
    scheduler.advance(60);
    EXPECT_EQ(controller->statusItem()->toolTip(), "潮痕预警");
    scheduler.advance(60);
    EXPECT_EQ(controller->statusItem()->toolTip(), "潮痕");
    EXPECT_TRUE(controller->incidents().records()[0].recoveredAt.has_value());
}

TEST_F(MenuBarControllerTest, WithoutALogoTheTrayShowsTheNameWhateverTheLevel) {
    logoDirectories = {QString::fromStdString(dir.path().string())};
    launchMonitoring();
    EXPECT_TRUE(controller->normalBrandImage().isNull());
    const qint64 shown = controller->statusItem()->icon().cacheKey();
    EXPECT_FALSE(controller->statusItem()->icon().isNull());

    source.pressure = Pressure::critical;
    scheduler.advance(60);
    EXPECT_EQ(controller->engine().presentationPolicy.displayedLevel, RiskLevel::critical);
    EXPECT_EQ(controller->statusItem()->icon().cacheKey(), shown);
}

TEST_F(MenuBarControllerTest, HistoryWindowIsCreatedOnceAndReloadedEachTime) {
    launchMonitoring();
    controller->togglePopover();
    ui::RecentIncidentsWindowController* first = showHistory();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(controller->popover()->isVisible());
    ASSERT_NE(first->window(), nullptr);
    EXPECT_TRUE(first->window()->isVisible());
    EXPECT_TRUE(first->window()->findChildren<QWidget*>("incidentCard").isEmpty());

    source.pressure = Pressure::critical;
    scheduler.advance(60);
    EXPECT_EQ(showHistory(), first);
    EXPECT_EQ(first->window()->findChildren<QWidget*>("incidentCard").size(), 1);

    // Its clear button goes through the store.
    ASSERT_TRUE(first->onClear);
    first->clearPressed();
    EXPECT_TRUE(controller->incidents().records().empty());
    EXPECT_TRUE(IncidentStore(dir / "incidents.json", calendar, scheduler.now()).records().empty());
}

TEST_F(MenuBarControllerTest, ConfirmingAdvice) {
    launchMonitoring();
    source.pressure = Pressure::critical;
    scheduler.advance(60);

    // During a preview a confirmation changes nothing.
    controller->simulation().start(warningPreviewAssessment(), 8);
    ui::AdviceWindowController* window = openAdvice();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isSimulation());
    EXPECT_FALSE(window->confirm()->isEnabled());
    const QString previewResult = window->result()->text();
    window->onConfirm();
    EXPECT_FALSE(controller->engine().adviceFollowUp.isPending());
    EXPECT_EQ(window->result()->text(), previewResult);

    // A real one starts the re-check and locks the button until its verdict.
    controller->simulation().cancel(true);
    EXPECT_EQ(openAdvice(), window);
    EXPECT_FALSE(window->isSimulation());
    ASSERT_TRUE(window->confirm()->isEnabled());
    window->confirm()->click();
    EXPECT_TRUE(controller->engine().adviceFollowUp.isPending());
    EXPECT_EQ(window->result()->text(), AdviceFollowUp::kWaitingMessage);
    EXPECT_FALSE(window->confirm()->isEnabled());

    scheduler.advance(59);
    EXPECT_TRUE(controller->engine().adviceFollowUp.isPending());
    scheduler.advance(1);  // the tick 60 s after the confirmation decides
    EXPECT_FALSE(controller->engine().adviceFollowUp.isPending());
    EXPECT_EQ(window->result()->text(), AdviceFollowUp::kNoDecreaseMessage);
    EXPECT_TRUE(window->confirm()->isEnabled());
}

TEST_F(MenuBarControllerTest, AdviceOpenedFromAPreviewPanelStaysSimulated) {
    launchMonitoring();
    controller->togglePopover();
    controller->panel()->onTestWarning();
    // Opening the window closes the popover, which ends the preview; the
    // window must still know that its plans were the preview's.
    ui::AdviceWindowController* window = openAdvice();
    EXPECT_FALSE(controller->simulation().assessment().has_value());
    EXPECT_TRUE(window->isSimulation());
    EXPECT_FALSE(window->confirm()->isEnabled());
}

TEST_F(MenuBarControllerTest, PermissionNoticesAndSettings) {
    client.immediateStatus = AuthorizationStatus::denied;
    launch({"--accept-local-monitoring-for-testing"});
    EXPECT_FALSE(controller->notifications().isEnabled());
    controller->togglePopover();
    controller->panel()->onEnableNotifications();
    QMessageBox* notice = controller->permissionNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(notice->text(), "系统通知权限未开启");
    EXPECT_EQ(notice->informativeText(),
              "请在系统设置 → 通知 → 潮痕中允许通知。内存监测和最近记录不受影响。");
    ASSERT_EQ(notice->buttons().size(), 1);
    EXPECT_EQ(notice->buttons()[0]->text(), "知道了");
    notice->buttons()[0]->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(controller->permissionNotice(), nullptr);

    // Settings: one window; its launch switch writes the autostart entry.
    controller->showSettings();
    ui::SettingsWindowController* settings = controller->settingsWindow();
    ASSERT_NE(settings, nullptr);
    controller->showSettings();
    EXPECT_EQ(controller->settingsWindow(), settings);
    auto* launchSwitch = settings->window()->findChild<QAbstractButton*>("launchAtLoginCheckbox");
    ASSERT_NE(launchSwitch, nullptr);
    EXPECT_FALSE(launchSwitch->isChecked());
    launchSwitch->click();
    EXPECT_TRUE(std::filesystem::exists(dir / "autostart" / "tidemark.desktop"));

    // The reminders switch asks again; still denied, so its notice shows.
    auto* reminders = settings->window()->findChild<QAbstractButton*>("remindersCheckbox");
    ASSERT_NE(reminders, nullptr);
    reminders->click();
    EXPECT_FALSE(reminders->isChecked());
    EXPECT_NE(settings->window()->findChild<QMessageBox*>("settingsPermissionNotice"), nullptr);
}

TEST(TrayPopoverPlacement, BelowTheItemOrAboveItAndAlwaysOnScreen) {
    const QRect screen(0, 0, 1920, 1080);
    const QSize size(350, 400);
    // Top panel: under the item, centred on it.
    EXPECT_EQ(TrayPopover::placement(QRect(1000, 0, 24, 24), size, screen),
              QRect(QPoint(1011 - 175, 24), size));
    // Bottom panel: above the item.
    EXPECT_EQ(TrayPopover::placement(QRect(1000, 1056, 24, 24), size, screen).bottom(), 1055);
    // Corner item: pushed back inside.
    EXPECT_EQ(TrayPopover::placement(QRect(1900, 0, 20, 20), size, screen).right(), 1919);
    EXPECT_EQ(TrayPopover::placement(QRect(5, 500, 1, 1), QSize(350, 700), screen),
              QRect(QPoint(0, 380), QSize(350, 700)));
}

}  // namespace
}  // namespace tidemark
