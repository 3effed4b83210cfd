#include "ui/AdviceWindowController.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "HostileLabels.h"
#include "HostileNames.h"
#include "UnsqueezedLayout.h"
#include "advice/AdviceEngine.h"
#include "core/PlatformTexts.h"
#include "ui/widgets/AdviceSelectionItem.h"

namespace tidemark::ui {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;
const QString kRetryHint = QStringLiteral("未改善时换对象，避免反复重启。");
const QString kVerdict = QStringLiteral("观察到系统压力下降。");

// The window goes by the plan's family and level alone; its identifier and
// wording are only shown.
AdvicePlan plan(AdviceFamily family, RiskLevel level, const std::string& target,
                const std::string& id = "rule.v1", const std::string& summary = "先保存工作。") {
    return {.id = id,
            .target = target,
            .summary = summary,
            .evidence = target + " 合计占用约 3 GB。",
            .condition = "已保存。",
            .steps = {"第一步", "第二步"},
            .fallback = "不执行退出。",
            .source = "来源",
            .family = family,
            .level = level};
}

struct Window {
    AdviceWindowController controller;

    template <typename T = QWidget>
    T* find(const char* name) const {
        return controller.window()->findChild<T*>(QLatin1String(name));
    }
    QString text(const char* name) const { return find<QLabel>(name)->text(); }
    QAbstractButton* confirm() const { return find<QAbstractButton>("adviceConfirm"); }
    QStringList stepTitles() const {
        QStringList out;
        for (QLabel* title : find("adviceSteps")->findChildren<QLabel*>("adviceStepTitle")) {
            out << title->text();
        }
        return out;
    }
    bool actionable() const { return !find("adviceChooserRow")->isHidden(); }
};

TEST(AdviceWindowController, RendersEachPlanFamily) {
    using F = AdviceFamily;
    const QStringList systemSteps = {"检查普通应用", "保护系统后台"};
    const struct {
        AdvicePlan plan;
        QStringList steps;
    } cases[] = {
        {plan(F::browser, RiskLevel::watch, "Safari"),
         {"检查正在使用的网页", "继续工作，留意状态"}},
        {plan(F::general, RiskLevel::critical, "Notes"),
         {"确认工作已保存", "正常退出暂不用的应用"}},
        {plan(F::system, RiskLevel::watch, "系统整体"), systemSteps},
        // An identifier or a summary that reads like another family or level
        // changes nothing.
        {plan(F::general, RiskLevel::critical, "Notes", "chrome.inspect.watch.v1", "继续工作。"),
         {"确认工作已保存", "正常退出暂不用的应用"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plan.id);
        Window w;
        w.controller.show({c.plan}, QString(), true, false);
        const bool watching = c.plan.level == RiskLevel::watch;
        EXPECT_EQ(w.text("adviceSummary"),
                  watching ? "先检查，暂不中断工作" : "先保存，再减少占用");
        EXPECT_EQ(w.stepTitles(), c.steps);
        if (c.steps == systemSteps) {  // names only processes this platform has
            const std::string_view keep = platformTexts().protectedKeepStep;
            EXPECT_EQ(w.find("adviceSteps")->findChildren<QLabel*>("adviceStepBody")[1]->text(),
                      QString::fromUtf8(keep.data(), qsizetype(keep.size())));
        }
        EXPECT_EQ(w.text("adviceSource"),
                  QStringLiteral("规则依据 · ") + QString::fromStdString(c.plan.id) + "\n来源");
        EXPECT_EQ(w.text("adviceOriginal"), "完整保护条件：已保存。\n第一步\n第二步\n不执行退出。");
    }
}

TEST(AdviceWindowController, ChoosesEachObjectFromThePopupAndShowsItsNameAsText) {
    std::vector<AdvicePlan> plans = AdviceEngine::plans(
        RiskLevel::critical, test::hostileApplications(3 * kGiB), 16 * kGiB, 2 * kGiB);
    plans.push_back(plan(AdviceFamily::codex, RiskLevel::watch, "Codex"));
    // On a button "&" would make a keyboard shortcut, a line feed a second line.
    plans.push_back(plan(AdviceFamily::general, RiskLevel::critical, "Save &Quit\nNow\tor &&x"));
    const auto expectOneLinePlain = [](QAbstractButton* button, const std::string& target) {
        const QString text = button->text();
        EXPECT_FALSE(text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\t')));
        EXPECT_EQ(text.size(), QString::fromStdString(target).size());  // nothing dropped
        EXPECT_TRUE(button->shortcut().isEmpty()) << button->shortcut().toString().toStdString();
    };
    const int count = static_cast<int>(plans.size());
    Window w;
    w.controller.show(plans, QString(), true, false);
    auto* chooser = w.find<QAbstractButton>("adviceSelectorButton");
    auto* details = w.find("adviceEvidenceDetails");
    w.find<QAbstractButton>("adviceEvidenceToggle")->click();

    for (int current = 0, i = count - 1; i >= 0; current = i--) {
        const AdvicePlan& chosen = plans[static_cast<std::size_t>(i)];
        SCOPED_TRACE(chosen.target);
        chooser->click();
        QPointer<QWidget> popover = w.find("adviceSelectionPopover");
        ASSERT_NE(popover, nullptr);
        const auto items = popover->findChildren<AdviceSelectionItem*>("adviceSelectionItem");
        ASSERT_EQ(items.size(), count);
        EXPECT_TRUE(items[current]->selected());
        expectOneLinePlain(items[i], chosen.target);
        items[i]->click();
        QCoreApplication::processEvents();
        EXPECT_TRUE(popover.isNull() || !popover->isVisible());
        expectOneLinePlain(chooser, chosen.target);
        EXPECT_EQ(w.text("adviceEvidence"), QString::fromStdString(chosen.evidence));
        test::expectNamesShownLiterally(w.controller.window(), {chosen.target});
        EXPECT_FALSE(details->isHidden());  // the open details survive the choice
    }

    // Nothing to do: the small empty state, whose size the recovery test checks.
    w.controller.show({}, QString(), true, false);
    EXPECT_TRUE(details->isHidden());
    EXPECT_EQ(w.text("adviceOriginal"), "");
    EXPECT_EQ(w.text("adviceSummary"), "目前无需处理");
    EXPECT_FALSE(w.actionable() || chooser->isEnabled());
    // Already on screen: the window keeps its size, only the floor rises.
    w.controller.show({plan(AdviceFamily::general, RiskLevel::warning, "Notes")}, QString(), true,
                      false);
    EXPECT_EQ(w.controller.window()->minimumSize(), QSize(500, 600));
    EXPECT_TRUE(w.actionable());
}

TEST(AdviceWindowController, ResultLineFollowsTheReCheckAndKeepsItsVerdict) {
    const QString waiting = QStringLiteral("正在观察。");
    Window w;
    QAbstractButton* confirm = w.confirm();
    w.controller.show({plan(AdviceFamily::chrome, RiskLevel::warning, "A"),
                       plan(AdviceFamily::general, RiskLevel::warning, "B")},
                      QStringLiteral("完成操作后，点击确认。"), true, false);
    // The owner answers a confirmation by starting a re-check; choosing
    // another object does not end it, the next confirmable tick brings its
    // verdict.
    w.controller.onConfirm = [&] { w.controller.showConfirmationResult(waiting); };
    confirm->click();
    EXPECT_EQ(w.text("adviceResult"), waiting);
    EXPECT_FALSE(confirm->isEnabled());
    w.find<QAbstractButton>("adviceSelectorButton")->click();
    w.find("adviceSelectionPopover")->findChildren<AdviceSelectionItem*>()[1]->click();
    EXPECT_FALSE(confirm->isEnabled());
    w.controller.updateFollowUp(kVerdict, true);
    EXPECT_EQ(w.text("adviceResult"), kVerdict);
    EXPECT_TRUE(confirm->isEnabled());
    w.controller.show({plan(AdviceFamily::general, RiskLevel::warning, "B")}, kVerdict, true,
                      false);
    EXPECT_EQ(w.text("adviceResult"), kRetryHint);

    // Picked through the API as through the popup; nothing outside the list moves it.
    w.controller.show({plan(AdviceFamily::chrome, RiskLevel::warning, "A"),
                       plan(AdviceFamily::general, RiskLevel::warning, "B")},
                      QString(), true, false);
    for (const int index : {1, 2, -1}) {
        w.controller.selectPlan(index);
        EXPECT_EQ(w.find<QAbstractButton>("adviceSelectorButton")->text(), "B");
    }
}

TEST(AdviceWindowController, RecoveryWithdrawsARealPlanButNotASimulatedOne) {
    for (const bool simulation : {false, true}) {
        SCOPED_TRACE(simulation ? "simulation" : "real");
        Window w;
        w.controller.show({plan(AdviceFamily::chrome, RiskLevel::warning, "A")}, QString(),
                          !simulation, simulation);
        w.find<QAbstractButton>("adviceEvidenceToggle")->click();
        const QSize opened = w.controller.window()->size();
        w.controller.invalidateAfterRecovery();
        // Later ticks cannot enable confirmation: without plans, or in a simulation.
        w.controller.updateFollowUp(kVerdict, true);
        EXPECT_FALSE(w.confirm()->isEnabled());
        EXPECT_EQ(w.actionable(), simulation);
        EXPECT_EQ(w.find("adviceEvidenceDetails")->isHidden(), !simulation);
        if (simulation) {
            EXPECT_EQ(w.text("adviceResult"), "模拟建议，不进行真实复查。");
            EXPECT_EQ(w.controller.window()->size(), opened);
        } else {
            EXPECT_EQ(w.text("adviceSummary"), "当前风险已经恢复");
            EXPECT_TRUE(w.stepTitles().isEmpty());
            EXPECT_EQ(w.controller.window()->width(), 520);
            EXPECT_GE(w.controller.window()->height(), 300);
        }
    }
}

// A larger or smaller desktop font grows the window instead of squeezing
// it: even at its smallest size every text outside the scrolling document
// has its room, with a plan, without one and after recovery.
TEST(AdviceWindowController, NothingIsSqueezedAtTheSmallestSizeWhateverTheFont) {
    const std::vector<AdvicePlan> plans = AdviceEngine::plans(
        RiskLevel::critical, {{"Google Chrome", std::nullopt, 4 * kGiB, 12, 4 * kGiB}}, 16 * kGiB,
        2 * kGiB);
    for (const qreal scale : {0.8, 1.0, 1.5}) {
        const test::ScopedFontScale font(scale);
        for (const std::string_view state : {"plan", "none", "recovered"}) {
            SCOPED_TRACE(std::string(state) + " at " + std::to_string(scale));
            Window w;
            w.controller.show(state == "none" ? std::vector<AdvicePlan>{} : plans,
                              QStringLiteral("观察到系统压力下降，仍需留意后续状态；"
                                             "不能证明下降由这次操作造成。"),
                              true, false);
            if (state == "recovered") {
                w.controller.invalidateAfterRecovery();
            }
            QWidget* window = w.controller.window();
            window->resize(window->minimumSize());
            test::expectNothingSqueezed(window, w.find("adviceScroll"));
        }
    }
}

// A plan, and the notice without one, open whole, so that no last line is
// cut by the scroll area's edge, unless the screen is too short for it.
TEST(AdviceWindowController, OpensWholeWhereTheScreenAllows) {
    const std::vector<AdvicePlan> plans = AdviceEngine::plans(
        RiskLevel::warning, {{"Google Chrome", std::nullopt, 3 * kGiB, 12, 3 * kGiB}}, 16 * kGiB,
        kGiB / 2);
    for (const bool withPlan : {true, false}) {
        SCOPED_TRACE(withPlan ? "plan" : "none");
        Window w;
        w.controller.show(withPlan ? plans : std::vector<AdvicePlan>{}, QString(), true, false);
        QWidget* window = w.controller.window();
        window->layout()->activate();
        const int screenLimit = window->screen()->availableGeometry().height() * 9 / 10;
        if (window->height() < screenLimit) {
            EXPECT_EQ(w.find<QScrollArea>("adviceScroll")->verticalScrollBar()->maximum(), 0);
        }
    }
}

}  // namespace
}  // namespace tidemark::ui
