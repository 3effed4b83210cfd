#include "ui/AdviceWindowController.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace tidemark::ui {
namespace {

const QString kRetryHint = QStringLiteral("未改善时换对象，避免反复重启。");
const QString kWaiting =
    QStringLiteral("已确认操作；等待新的系统采样。不会推测你执行了什么，也不保证释放固定内存。");
const QString kVerdict =
    QStringLiteral("观察到系统压力下降，仍需留意后续状态；不能证明下降由这次操作造成。");

AdvicePlan plan(const std::string& id, const std::string& target,
                const std::string& summary = "先保存工作。") {
    return AdvicePlan{.id = id,
                      .target = target,
                      .summary = summary,
                      .evidence = target + " 合计占用约 3 GB。",
                      .condition = "已保存。",
                      .steps = {"第一步", "第二步"},
                      .fallback = "不执行退出。",
                      .source = "来源"};
}

struct Window {
    AdviceWindowController controller;

    QString text(const char* name) const {
        return controller.window()->findChild<QLabel*>(QLatin1String(name))->text();
    }
    template <typename T = QWidget>
    T* find(const char* name) const {
        return controller.window()->findChild<T*>(QLatin1String(name));
    }
    // Each shown step as "title|body".
    QStringList steps() const {
        QStringList out;
        for (QWidget* row : find("adviceSteps")
                                ->findChildren<QWidget*>(QStringLiteral("adviceStep"),
                                                         Qt::FindDirectChildrenOnly)) {
            out << row->findChild<QLabel*>(QStringLiteral("adviceStepTitle"))->text() + "|" +
                       row->findChild<QLabel*>(QStringLiteral("adviceStepBody"))->text();
        }
        return out;
    }
    bool actionable() const { return !find("adviceChooserRow")->isHidden(); }
};

TEST(AdviceWindowController, RendersEachPlanFamilyWithItsConciseSteps) {
    const QString watchStep =
        "继续工作，留意状态|当前只检查和保存，不退出应用，不关闭正在使用的页面。";
    const QString systemSteps[] = {
        "检查普通应用|查看哪些应用暂时不用；高占用排名不能证明卡顿原因。",
        "保护系统后台|不结束 WindowServer、kernel_task 或不认识的系统进程。"};
    const struct {
        AdvicePlan plan;
        QString summary;
        QStringList steps;
    } cases[] = {
        {plan("chrome.inspect.warning.v1", "Google Chrome"),
         "先保存，再减少占用",
         {"检查暂不用的网页|先查看标签页；需要进一步检查时，可打开 Chrome "
          "的任务管理器。不要结束浏览器、GPU 或扩展进程。",
          "正常关闭暂不用的标签页|保存表单和文档，等上传完成；用标签页的 × 或 ⌘W "
          "关闭，不点“结束进程”。"}},
        {plan("browser.inspect.watch.v1", "Safari"),
         "先检查，暂不中断工作",
         {"检查正在使用的网页|保存表单、文档和需要保留的页面，等待上传完成。", watchStep}},
        {plan("app.inspect.critical.v1", "Notes"),
         "先保存，再减少占用",
         {"确认工作已保存|检查上传、下载和运行任务，等待完成；潮痕不能替你确认。",
          "正常退出暂不用的应用|只处理确认不用、已保存且没有运行任务的对象，从应用菜单退出。"}},
        // The system plan carries no level in its id; its wording decides.
        {plan("system.inspect.v1", "系统整体", "继续工作；先检查是否有暂不用的应用。"),
         "先检查，暂不中断工作",
         {systemSteps[0], systemSteps[1]}},
        {plan("system.protected.watch.v1", "WindowServer"),
         "先检查，暂不中断工作",
         {systemSteps[0], systemSteps[1]}},
        {plan("codex.inspect.critical.v1", "Codex"),
         "先保存，再减少占用",
         {"检查任务与终端|确认任务状态，保存当前改动；潮痕不能读取任务状态。",
          "正常关闭暂不用的对象|任务结束并保存后，从 Codex 菜单正常退出。"}},
        {plan("codex.inspect.watch.v1", "Codex"),
         "先检查，暂不中断工作",
         {"检查任务与终端|确认任务状态，保存当前改动；潮痕不能读取任务状态。",
          "继续工作，留意状态|不退出应用，不中断正在运行的任务。"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plan.id);
        Window w;
        w.controller.show({c.plan}, QString(), true, false);
        EXPECT_EQ(w.text("adviceSummary"), c.summary);
        EXPECT_EQ(w.steps(), c.steps);
        const bool watching = c.summary == QStringLiteral("先检查，暂不中断工作");
        EXPECT_EQ(w.text("adviceFallback"),
                  watching ? "都在使用？继续工作，留意后续状态。"
                           : "都在使用？先保存工作，暂不增加新任务；不要强制退出。");
        EXPECT_EQ(w.text("adviceSource"),
                  QStringLiteral("规则依据 · ") + QString::fromStdString(c.plan.id) + "\n来源");
        EXPECT_EQ(w.text("adviceOriginal"), "完整保护条件：已保存。\n第一步\n第二步\n不执行退出。");
        EXPECT_TRUE(w.actionable());
    }
}

TEST(AdviceWindowController, ChoosesTheObjectFromThePopupAndShowsNamesLiterally) {
    Window w;
    w.controller.show(
        {plan("chrome.inspect.warning.v1", "Google Chrome"),
         plan("app.inspect.warning.v1", "<b>x</b>&amp;"), plan("codex.inspect.watch.v1", "Codex")},
        QString(), true, false);
    auto* chooser = w.find<QAbstractButton>("adviceSelectorButton");
    EXPECT_EQ(chooser->text(), "Google Chrome");

    chooser->click();
    QPointer<QWidget> popover = w.find("adviceSelectionPopover");
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isVisible());
    EXPECT_EQ(popover->size(), QSize(190, 36 * 3 + 16));
    const auto items =
        popover->findChildren<AdviceSelectionItem*>(QStringLiteral("adviceSelectionItem"));
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items[0]->selected());
    EXPECT_FALSE(items[1]->selected());

    items[1]->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(popover.isNull() || !popover->isVisible());
    EXPECT_EQ(chooser->text(), "<b>x</b>&amp;");
    auto* evidence = w.find<QLabel>("adviceEvidence");
    EXPECT_EQ(evidence->text(), "<b>x</b>&amp; 合计占用约 3 GB。");
    EXPECT_EQ(evidence->textFormat(), Qt::PlainText);
    EXPECT_EQ(w.text("adviceSummary"), "先保存，再减少占用");

    chooser->click();
    auto* reopened = w.find("adviceSelectionPopover");
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(reopened->findChildren<AdviceSelectionItem*>()[1]->selected());
    reopened->findChildren<AdviceSelectionItem*>()[2]->click();
    EXPECT_EQ(w.text("adviceSummary"), "先检查，暂不中断工作");
}

TEST(AdviceWindowController, EvidenceToggleSurvivesRenderingUntilThereIsNoPlan) {
    Window w;
    w.controller.show({plan("chrome.inspect.warning.v1", "A"), plan("app.inspect.warning.v1", "B")},
                      QString(), true, false);
    auto* toggle = w.find<QAbstractButton>("adviceEvidenceToggle");
    auto* details = w.find("adviceEvidenceDetails");
    EXPECT_TRUE(details->isHidden());
    EXPECT_EQ(toggle->text(), "为什么建议检查它");

    toggle->click();
    EXPECT_FALSE(details->isHidden());
    EXPECT_EQ(toggle->text(), "为什么建议检查它  −");
    w.find<QAbstractButton>("adviceSelectorButton")->click();
    w.find("adviceSelectionPopover")->findChildren<AdviceSelectionItem*>()[1]->click();
    EXPECT_FALSE(details->isHidden());

    toggle->click();
    EXPECT_TRUE(details->isHidden());
    EXPECT_EQ(toggle->text(), "为什么建议检查它  ＋");

    toggle->click();
    w.controller.show({}, QString(), true, false);
    EXPECT_TRUE(details->isHidden());
    EXPECT_EQ(w.text("adviceOriginal"), "");
}

TEST(AdviceWindowController, EmptyPlanListShowsNothingToDoInASmallWindow) {
    Window w;
    w.controller.show({}, QStringLiteral("完成操作后，点击确认，再观察后续约 1 分钟的系统压力。"),
                      true, false);
    EXPECT_EQ(w.text("adviceSummary"), "目前无需处理");
    EXPECT_EQ(w.text("adviceDecision"), "不必为了内存数字关闭应用");
    EXPECT_EQ(w.text("adviceCondition"), "不必为了内存数字关闭应用。");
    EXPECT_TRUE(w.steps().isEmpty());
    EXPECT_FALSE(w.actionable());
    EXPECT_FALSE(w.find("adviceSelectorButton")->isEnabled());
    EXPECT_FALSE(w.controller.confirm()->isEnabled());
    EXPECT_EQ(w.controller.window()->size(), QSize(520, 300));
    EXPECT_EQ(w.find<QScrollArea>("adviceScroll")->minimumHeight(), 100);

    // Already on screen: the window keeps its size, only the floor rises.
    w.controller.show({plan("app.inspect.warning.v1", "Notes")}, QString(), true, false);
    EXPECT_EQ(w.controller.window()->minimumSize(), QSize(500, 600));
    EXPECT_TRUE(w.actionable());

    Window fresh;
    fresh.controller.show({plan("app.inspect.warning.v1", "Notes")}, QString(), true, false);
    EXPECT_EQ(fresh.controller.window()->size(), QSize(520, 660));
}

TEST(AdviceWindowController, ResultLineFollowsTheReCheckAndKeepsItsVerdict) {
    Window w;
    QLabel* result = w.controller.result();
    QAbstractButton* confirm = w.controller.confirm();
    w.controller.show({plan("chrome.inspect.warning.v1", "A"), plan("app.inspect.warning.v1", "B")},
                      QStringLiteral("完成操作后，点击确认，再观察后续约 1 分钟的系统压力。"), true,
                      false);
    EXPECT_EQ(result->text(), kRetryHint);
    EXPECT_TRUE(confirm->isEnabled());

    confirm->click();  // no callback yet: nothing happens
    EXPECT_EQ(result->text(), kRetryHint);
    EXPECT_TRUE(confirm->isEnabled());

    int confirmations = 0;
    w.controller.onConfirm = [&] {
        ++confirmations;
        result->setText(kWaiting);
        confirm->setEnabled(false);
    };
    confirm->click();
    EXPECT_EQ(confirmations, 1);
    w.controller.updateFollowUp(kWaiting, false);
    EXPECT_EQ(result->text(), kWaiting);
    w.find<QAbstractButton>("adviceSelectorButton")->click();
    w.find("adviceSelectionPopover")->findChildren<AdviceSelectionItem*>()[1]->click();
    EXPECT_FALSE(confirm->isEnabled());

    w.controller.updateFollowUp(kVerdict, true);
    EXPECT_EQ(result->text(), kVerdict);
    EXPECT_TRUE(confirm->isEnabled());
    w.controller.updateFollowUp(kVerdict, true);
    EXPECT_EQ(result->text(), kVerdict);

    w.controller.show({plan("app.inspect.warning.v1", "B")}, kVerdict, true, false);
    EXPECT_EQ(result->text(), kRetryHint);
}

TEST(AdviceWindowController, SimulationNeverConfirmsAndIgnoresRecovery) {
    Window w;
    w.controller.show({plan("chrome.inspect.warning.v1", "A")},
                      QStringLiteral("这是模拟建议，不进行真实效果复查。"), false, true);
    EXPECT_TRUE(w.controller.isSimulation());
    EXPECT_EQ(w.controller.result()->text(), "模拟建议，不进行真实复查。");
    w.controller.updateFollowUp(kVerdict, true);
    EXPECT_EQ(w.controller.result()->text(), "模拟建议，不进行真实复查。");
    EXPECT_FALSE(w.controller.confirm()->isEnabled());

    w.controller.invalidateAfterRecovery();
    EXPECT_EQ(w.text("adviceSummary"), "先保存，再减少占用");
    EXPECT_EQ(w.steps().size(), 2);
    EXPECT_TRUE(w.actionable());
}

TEST(AdviceWindowController, RecoveryWithdrawsThePlan) {
    Window w;
    w.controller.show({plan("chrome.inspect.warning.v1", "A")}, QString(), true, false);
    w.find<QAbstractButton>("adviceEvidenceToggle")->click();
    w.controller.invalidateAfterRecovery();
    EXPECT_EQ(w.text("adviceSummary"), "当前风险已经恢复");
    EXPECT_EQ(w.text("adviceDecision"), "风险已恢复，不要继续执行退出步骤");
    EXPECT_EQ(w.text("adviceCondition"),
              "不要继续执行刚才的退出步骤。后续风险再次升高时，请重新查看建议。");
    EXPECT_EQ(w.text("adviceFallback"), "可以继续工作。");
    EXPECT_TRUE(w.steps().isEmpty());
    EXPECT_FALSE(w.actionable());
    EXPECT_TRUE(w.find("adviceEvidenceDetails")->isHidden());
    EXPECT_FALSE(w.find("adviceSelectorButton")->isEnabled());
    EXPECT_EQ(w.controller.window()->size(), QSize(520, 300));
    EXPECT_TRUE(w.controller.window()->isVisible());

    // Later ticks cannot re-enable confirmation without plans.
    w.controller.updateFollowUp(QString(), true);
    EXPECT_FALSE(w.controller.confirm()->isEnabled());
}

}  // namespace
}  // namespace tidemark::ui
