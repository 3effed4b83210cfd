#include "app/LocalMonitoringConsent.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "MemoryPreferenceStore.h"

namespace tidemark {
namespace {

using LocalMonitoringConsent::Answer;

TEST(LocalMonitoringConsentTest, AsksUntilAllowedThenNeverAgain) {
    test::MemoryPreferenceStore preferences;
    int asked = 0;
    Answer answer = Answer::quit;
    const auto dialog = [&] { return ++asked, answer; };

    EXPECT_FALSE(LocalMonitoringConsent::requestIfNeeded(preferences, dialog));
    EXPECT_TRUE(preferences.values.empty());
    preferences.values["localMonitoringConsent.v1"] = false;
    EXPECT_FALSE(LocalMonitoringConsent::requestIfNeeded(preferences, dialog));
    answer = Answer::allow;
    EXPECT_TRUE(LocalMonitoringConsent::requestIfNeeded(preferences, dialog));
    EXPECT_EQ(preferences.values["localMonitoringConsent.v1"], true);
    EXPECT_TRUE(LocalMonitoringConsent::requestIfNeeded(preferences, dialog));
    EXPECT_EQ(asked, 3);
}

TEST(LocalMonitoringConsentTest, TheRealDialogOnlyAllowsThroughItsAllowButton) {
    // Enter allows; the quit button and closing the window both quit.
    const std::pair<const char*, Answer> cases[] = {
        {"allowButton", Answer::allow}, {"quitButton", Answer::quit}, {nullptr, Answer::quit}};
    for (const auto& [button, expected] : cases) {
        bool answered = false;
        QTimer::singleShot(0, [&, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
            EXPECT_EQ(box->windowTitle(), "潮痕");
            EXPECT_EQ(box->text(), "允许「潮痕」在本机监测内存风险？");
            EXPECT_EQ(box->informativeText(),
                      "「潮痕」会在本机读取系统内存压力、交换变化、应用名称和内存占用。异常事件最多"
                      "保留 7 天。不读取对话、文档或网页内容，不上传任何数据。");
            ASSERT_EQ(box->buttons().size(), 2);
            EXPECT_EQ(box->defaultButton()->text(), "允许本地监测");
            EXPECT_EQ(box->escapeButton()->text(), "退出");
            answered = true;
            if (button)
                box->findChild<QPushButton*>(button)->click();
            else
                box->close();
        });
        EXPECT_EQ(LocalMonitoringConsent::showDialog(), expected) << (button ? button : "close");
        EXPECT_TRUE(answered);
    }
}

}  // namespace
}  // namespace tidemark
