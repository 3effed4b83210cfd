#include "ui/SettingsWindowController.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace tidemark::ui {
namespace {

const QString kFailure = QStringLiteral("未能修改自动启动：请将应用放入“应用程序”后重试。");

struct Settings {
    SettingsWindowController controller;

    QAbstractButton* button(const char* name) const {
        return controller.window()->findChild<QAbstractButton*>(QLatin1String(name));
    }
    QLabel* status() const {
        return controller.window()->findChild<QLabel*>(QStringLiteral("settingsStatusLabel"));
    }
    int height() const { return controller.window()->height(); }
};

TEST(SettingsWindowController, FailedLaunchChangeRevertsUntilASuccessClearsTheText) {
    Settings s;
    std::vector<bool> requested;
    bool fail = true;
    s.controller.show(false, true, [&](bool on) -> std::optional<std::string> {
        requested.push_back(on);
        return fail ? std::optional<std::string>("not in Applications") : std::nullopt;
    });
    QAbstractButton* launch = s.button("launchAtLoginCheckbox");
    EXPECT_EQ(s.height(), 548);
    EXPECT_TRUE(launch->isEnabled());
    EXPECT_EQ(launch->toolTip(), "登录时自动启动");

    launch->click();
    EXPECT_EQ(requested, std::vector<bool>{true});
    EXPECT_FALSE(launch->isChecked());
    EXPECT_EQ(s.status()->text(), kFailure);
    EXPECT_EQ(s.height(), 578);

    fail = false;
    launch->click();
    EXPECT_EQ(requested, (std::vector<bool>{true, true}));
    EXPECT_TRUE(launch->isChecked());
    EXPECT_EQ(s.status()->text(), "");
    EXPECT_EQ(s.height(), 578);  // not shrunk within one opening

    launch->click();
    EXPECT_EQ(requested.back(), false);
    EXPECT_FALSE(launch->isChecked());
}

TEST(SettingsWindowController, UnavailableLaunchAtLoginExplainsItselfInATallerWindow) {
    Settings s;
    s.controller.show(false, false, {});
    QAbstractButton* launch = s.button("launchAtLoginCheckbox");
    EXPECT_FALSE(launch->isEnabled());
    EXPECT_EQ(launch->toolTip(), "macOS 12 请在系统偏好设置的登录项中手动添加");
    EXPECT_EQ(s.status()->text(),
              "macOS 12：自动启动需在系统偏好设置 → 用户与群组 → "
              "登录项中手动添加。手动打开、提醒与记录仍可用。");
    EXPECT_EQ(s.height(), 602);
    EXPECT_EQ(s.status()->geometry(), QRect(24, 530, 392, 62));

    // The next opening on a capable system starts clean.
    s.controller.show(true, true, {});
    EXPECT_TRUE(launch->isEnabled());
    EXPECT_TRUE(launch->isChecked());
    EXPECT_EQ(s.status()->text(), "");
    EXPECT_EQ(s.height(), 548);
}

TEST(SettingsWindowController, RemindersSwitchReportsAndReflectsAvailability) {
    Settings s;
    std::vector<bool> changes;
    s.controller.onRemindersChanged = [&](bool on) { changes.push_back(on); };
    QAbstractButton* reminders = s.button("remindersCheckbox");

    s.controller.updateReminders(true, false);
    EXPECT_TRUE(reminders->isChecked());
    EXPECT_FALSE(reminders->isEnabled());
    EXPECT_EQ(reminders->toolTip(), "当前通知不可用");

    s.controller.updateReminders(true, true);
    EXPECT_TRUE(reminders->isEnabled());
    EXPECT_EQ(reminders->toolTip(), "关闭后仍会监测和记录，重启保留选择。");
    reminders->click();
    EXPECT_EQ(changes, std::vector<bool>{false});
    EXPECT_FALSE(reminders->isChecked());  // left for the owner to correct
}

TEST(SettingsWindowController, ClickAnywhereOnTheHistoryCardOpensTheHistory) {
    Settings s;
    int opened = 0;
    s.controller.onShowHistory = [&] { ++opened; };
    s.controller.show(true, true, {});
    QWidget* window = s.controller.window();
    ASSERT_TRUE(window->isVisible());

    // Over the row title, far from the chevron.
    const QPoint onTitle(90, 430);
    QWidget* target = window->childAt(onTitle);
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(window, onTitle));
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(window->isVisible());
}

TEST(SettingsWindowController, PermissionNoticeIsModalToTheSettingsWindow) {
    Settings s;
    s.controller.show(true, true, {});
    s.controller.showPermissionNotice();
    auto* notice =
        s.controller.window()->findChild<QMessageBox*>(QStringLiteral("settingsPermissionNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->windowModality(), Qt::WindowModal);
    EXPECT_EQ(notice->text(), "系统通知权限未开启");
    EXPECT_EQ(notice->informativeText(),
              "请在系统设置 → 通知 → 潮痕中允许通知。监测和记录不受影响。");
    EXPECT_EQ(notice->buttons().size(), 1);
}

}  // namespace
}  // namespace tidemark::ui
