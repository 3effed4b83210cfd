#include "ui/SettingsWindowController.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QTest>

#include "HostileLabels.h"
#include "UnsqueezedLayout.h"

namespace tidemark::ui {
namespace {

struct Settings {
    SettingsWindowController controller;
    QWidget* window = controller.window();
    QAbstractButton* launch = window->findChild<QAbstractButton*>("launchAtLoginCheckbox");
    QLabel* status = window->findChild<QLabel*>("settingsStatusLabel");
};

QRect frameIn(const QWidget* window, const QWidget* child) {
    return {child->mapTo(window, QPoint()), child->size()};
}

// The whole message is inside the window, wrapped lines included.
void expectShownWhole(const QWidget* window, const QLabel* label) {
    ASSERT_TRUE(label->isVisibleTo(window));
    EXPECT_TRUE(window->rect().contains(frameIn(window, label))) << label->text().toStdString();
    EXPECT_GE(label->height(), label->heightForWidth(label->width()))
        << label->text().toStdString();
}

TEST(SettingsWindowController, LaunchAtLoginExplainsAndRevertsFailures) {
    Settings s;
    s.controller.show(false, false, {});
    EXPECT_FALSE(s.launch->isEnabled());
    EXPECT_EQ(s.status->text(),
              "此系统的自动启动需在桌面的“自动启动”设置中手动添加。手动打开、提醒与记录仍可用。");
    EXPECT_EQ(s.launch->toolTip(), "请在桌面的自动启动设置中手动添加");
    expectShownWhole(s.window, s.status);
    const int unavailableHeight = s.window->height();

    // The next opening on a capable system starts clean and compact; a
    // failed change reverts the switch and grows the window for its text
    // until a success clears it.
    std::vector<bool> requested;
    bool fail = true;
    s.controller.show(false, true, [&](bool on) -> std::optional<std::string> {
        requested.push_back(on);
        return fail ? std::optional<std::string>("not in Applications") : std::nullopt;
    });
    EXPECT_EQ(s.status->text(), "");
    const int compactHeight = s.window->height();
    EXPECT_LT(compactHeight, unavailableHeight);

    s.launch->click();
    EXPECT_FALSE(s.launch->isChecked());
    EXPECT_EQ(s.status->text(), "未能修改自动启动：请确认 ~/.config/autostart 可以写入后重试。");
    expectShownWhole(s.window, s.status);
    const int failureHeight = s.window->height();
    EXPECT_GT(failureHeight, compactHeight);
    fail = false;
    s.launch->click();
    EXPECT_TRUE(s.launch->isChecked());
    EXPECT_EQ(s.status->text(), "");
    EXPECT_EQ(s.window->height(), failureHeight);  // not shrunk within one opening
    s.launch->click();
    EXPECT_FALSE(s.launch->isChecked());
    EXPECT_EQ(requested, (std::vector<bool>{true, true, false}));
    s.controller.show(false, true, {});
    EXPECT_EQ(s.window->height(), compactHeight);
}

TEST(SettingsWindowController, ClickAnywhereOnTheHistoryCardOpensTheHistory) {
    Settings s;
    int opened = 0;
    s.controller.onShowHistory = [&] { ++opened; };
    s.controller.show(true, true, {});
    ASSERT_TRUE(s.window->isVisible());
    // Over the row title, far from the chevron.
    QLabel* title = nullptr;
    for (QLabel* label : s.window->findChildren<QLabel*>()) {
        title = label->text() == "最近记录" ? label : title;
    }
    ASSERT_NE(title, nullptr);
    const QPoint onTitle = frameIn(s.window, title).center();
    QWidget* target = s.window->childAt(onTitle);
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(s.window, onTitle));
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(s.window->isVisible());
}

TEST(SettingsWindowController, KeyboardAndScreenReadersMeetTheControlsInOrder) {
    Settings s;
    s.controller.show(true, true, {});
    QStringList reached;
    for (QWidget* w = s.window->nextInFocusChain(); w != s.window; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && w->isVisibleTo(s.window)) {
            reached << w->objectName() + " " + w->accessibleName();
        }
    }
    EXPECT_EQ(reached,
              QStringList({"launchAtLoginCheckbox 登录时自动启动", "remindersCheckbox 开启预警提醒",
                           "settingsHistoryLink 查看最近记录"}));
}

// With the desktop's font smaller or larger, every text is still whole and
// inside the window, and nothing lies over anything else.
TEST(SettingsWindowController, FollowsTheApplicationFontWithoutClippingOrOverlap) {
    for (const qreal scale : {0.8, 1.0, 1.5}) {
        const test::ScopedFontScale font(scale);
        SCOPED_TRACE(testing::Message() << "font x" << scale);
        Settings s;
        s.controller.show(true, false, {});  // with its message
        if (QLayout* layout = s.window->layout()) {
            layout->activate();
        }
        std::vector<const QWidget*> leaves;
        for (const QWidget* w : s.window->findChildren<QWidget*>()) {
            if (w->isVisibleTo(s.window) && !w->isWindow() &&
                w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty()) {
                leaves.push_back(w);
            }
        }
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            const QRect frame = frameIn(s.window, leaves[i]);
            EXPECT_TRUE(s.window->rect().contains(frame)) << leaves[i]->metaObject()->className();
            if (const auto* label = qobject_cast<const QLabel*>(leaves[i])) {
                if (label->wordWrap()) {
                    expectShownWhole(s.window, label);
                } else {
                    EXPECT_GE(label->width(), label->sizeHint().width())
                        << label->text().toStdString();
                    EXPECT_GE(label->height(), label->sizeHint().height())
                        << label->text().toStdString();
                }
            }
            for (std::size_t j = i + 1; j < leaves.size(); ++j) {
                EXPECT_FALSE(frame.intersects(frameIn(s.window, leaves[j])))
                    << leaves[i]->metaObject()->className() << " over "
                    << leaves[j]->metaObject()->className();
            }
        }
    }
}

}  // namespace
}  // namespace tidemark::ui
