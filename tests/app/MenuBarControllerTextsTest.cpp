#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include "advice/AdviceEngine.h"
#include "app/LocalMonitoringConsent.h"
#include "ui/AdviceWindowController.h"
#include "ui/PanelViewController.h"
#include "ui/RecentIncidentsWindowController.h"
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

std::vector<AdvicePlan> everyKindOfPlan(RiskLevel level) {
    std::vector<AdvicePlan> plans;
    for (const char* name : {"Google Chrome", "ChatGPT", "Codex", "微信", "Microsoft Edge",
                             "Safari", "gnome-shell", "Tool"})
        plans.push_back(AdviceEngine::plan(level, {name, std::nullopt, kGiB, 1}));
    plans.push_back(AdviceEngine::plans(level, {}, 16 * kGiB, std::nullopt).at(0));
    return plans;
}

TEST(DesktopTexts, WindowsSpeakOfThisDesktopWithChineseTitles) {
    QStringList citations;
    ui::AdviceWindowController advice;
    for (const RiskLevel level : {RiskLevel::watch, RiskLevel::warning, RiskLevel::critical}) {
        const std::vector<AdvicePlan> plans = everyKindOfPlan(level);
        advice.show(plans, QString(), true, false);
        auto* selector = advice.window()->findChild<QComboBox*>("adviceSelector");
        ASSERT_NE(selector, nullptr);
        for (int i = 0; i < static_cast<int>(plans.size()); ++i) {
            citations << QString::fromStdString(plans[i].source);
            selector->setCurrentIndex(i);
            expectNative(textsOf(advice.window()), citations);
        }
    }
    expectChineseTitle(advice.window());

    ui::SettingsWindowController settings;
    settings.show(false, false, {});
    expectNative(textsOf(settings.window()), {});
    settings.show(false, true, [](bool) { return std::optional<std::string>("failed"); });
    settings.window()->findChild<QAbstractButton*>("launchAtLoginCheckbox")->click();
    settings.showPermissionNotice();
    auto* notice = settings.window()->findChild<QMessageBox*>("settingsPermissionNotice");
    ASSERT_NE(notice, nullptr);
    expectNative(textsOf(settings.window()), {});
    expectChineseTitle(settings.window());
    expectChineseTitle(notice);
    notice->reject();

    ui::RecentIncidentsWindowController history([](QWidget* window) { window->show(); });
    history.reload({}, std::nullopt);
    history.presentWindow();
    expectNative(textsOf(history.window()), {});
    expectChineseTitle(history.window());

    ui::PanelViewController panel(false);
    RiskAssessment assessment;
    assessment.level = RiskLevel::warning;
    panel.update({.assessment = assessment,
                  .sample = LightweightSample{0, Pressure::warning, kGiB, 16 * kGiB, 15 * kGiB},
                  .applications = {{"Google Chrome", std::nullopt, 4 * kGiB, 10}}});
    expectNative(textsOf(&panel), {});

    // The consent question, read and then dismissed.
    QStringList consentTexts;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            consentTexts = textsOf(dialog);
            expectChineseTitle(dialog);
            dialog->close();
        }
    });
    EXPECT_EQ(LocalMonitoringConsent::showDialog(), LocalMonitoringConsent::Answer::quit);
    EXPECT_FALSE(consentTexts.isEmpty());
    expectNative(consentTexts, {});
}

}  // namespace
}  // namespace tidemark
