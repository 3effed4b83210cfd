#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "MenuBarHarness.h"
#include "advice/AdviceEngine.h"
#include "ui/SettingsWindowController.h"

namespace tidemark {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

// Words that only make sense on a Mac. The guidance's cited sources
// ("Apple：活动监视器内存说明 …") name their origin and are exempt.
const QStringList kForeignWords = {"⌘", "Mac", "macOS", "聚焦搜索", "活动监视器", "系统偏好设置"};

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

void expectNative(const QStringList& texts, const QStringList& citations) {
    for (QString text : texts) {
        for (const QString& citation : citations)
            text.remove(citation);
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

// Every window of the running tray, and the notices it raises while
// notifications are off.
TEST(DesktopTexts, WindowsSpeakOfThisDesktopWithChineseTitles) {
    test::MenuBarHarness tray;
    tray.client.immediateStatus = AuthorizationStatus::denied;
    tray.launch({"--accept-local-monitoring-for-testing"});
    MenuBarController& controller = *tray.controller;

    controller.togglePopover();
    controller.panel()->onTestWarning();
    expectNative(textsOf(controller.panel()), {});
    controller.panel()->onEnableNotifications();
    QMessageBox* panelNotice = controller.permissionNotice();
    ASSERT_NE(panelNotice, nullptr);
    const QString hint = "请在桌面的通知设置中允许潮痕的通知，并确认通知服务正在运行。";
    EXPECT_EQ(panelNotice->informativeText(), hint + "内存监测和最近记录不受影响。");
    expectNative(textsOf(panelNotice), {});
    expectChineseTitle(panelNotice);

    QStringList citations;
    ui::AdviceWindowController* advice = tray.openAdvice();
    ASSERT_NE(advice, nullptr);
    for (const RiskLevel level : {RiskLevel::watch, RiskLevel::warning, RiskLevel::critical}) {
        // The plan for the system itself, and one of every family.
        std::vector<AdvicePlan> plans{
            AdviceEngine::plans(level, {}, 16 * kGiB, std::nullopt).at(0)};
        for (const char* name : {"Google Chrome", "ChatGPT", "Codex", "微信", "Microsoft Edge",
                                 "Safari", "gnome-shell", "Tool"})
            plans.push_back(AdviceEngine::plan(level, {name, std::nullopt, kGiB, 1}));
        advice->show(plans, QString(), true, false);
        auto* selector = advice->window()->findChild<QComboBox*>("adviceSelector");
        ASSERT_NE(selector, nullptr);
        for (int i = 0; i < static_cast<int>(plans.size()); ++i) {
            citations << QString::fromStdString(plans[i].source);
            selector->setCurrentIndex(i);
            expectNative(textsOf(advice->window()), citations);
        }
    }
    expectChineseTitle(advice->window());

    // The reminders switch asks again; still denied, so its notice shows.
    controller.showSettings();
    QWidget* settings = controller.settingsWindow()->window();
    settings->findChild<QAbstractButton*>("remindersCheckbox")->click();
    auto* settingsNotice = settings->findChild<QMessageBox*>("settingsPermissionNotice");
    ASSERT_NE(settingsNotice, nullptr);
    EXPECT_EQ(settingsNotice->informativeText(), hint + "监测和记录不受影响。");
    expectNative(textsOf(settings), {});
    expectChineseTitle(settings);
    expectChineseTitle(settingsNotice);

    QWidget* history = tray.showHistory()->window();
    expectNative(textsOf(history), {});
    expectChineseTitle(history);
}

}  // namespace
}  // namespace tidemark
