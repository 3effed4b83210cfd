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
    const auto dialog = [&] {
        ++asked;
        return answer;
    };

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

// Answers the real dialog once it is up, after checking what it shows.
Answer answerRealDialog(const std::function<void(QMessageBox*)>& answer) {
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(box->icon(), QMessageBox::Information);
        EXPECT_EQ(box->text(), QStringLiteral("允许「潮痕」在本机监测内存风险？"));
        EXPECT_EQ(
            box->informativeText(),
            QStringLiteral("「潮痕」会在本机读取系统内存压力、交换变化、应用名称和内存占用。"
                           "异常事件最多保留 7 天。不读取对话、文档或网页内容，不上传任何数据。"));
        const auto buttons = box->buttons();
        ASSERT_EQ(buttons.size(), 2);
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("允许本地监测"));
        EXPECT_EQ(box->findChild<QPushButton*>(QStringLiteral("quitButton"))->text(),
                  QStringLiteral("退出"));
        checked = true;
        answer(box);
    });
    const Answer result = LocalMonitoringConsent::showDialog();
    EXPECT_TRUE(checked);
    return result;
}

TEST(LocalMonitoringConsentTest, TheRealDialogOnlyAllowsThroughItsFirstButton) {
    EXPECT_EQ(answerRealDialog([](QMessageBox* box) {
                  box->findChild<QPushButton*>(QStringLiteral("allowButton"))->click();
              }),
              Answer::allow);
    EXPECT_EQ(answerRealDialog([](QMessageBox* box) {
                  box->findChild<QPushButton*>(QStringLiteral("quitButton"))->click();
              }),
              Answer::quit);
    EXPECT_EQ(answerRealDialog([](QMessageBox* box) { box->close(); }), Answer::quit);
}

}  // namespace
}  // namespace tidemark
