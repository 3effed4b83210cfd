#include "ui/PanelViewController.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "HostileLabels.h"
#include "HostileNames.h"
#include "ui/SymbolIcons.h"

namespace tidemark::ui {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

std::optional<RiskAssessment> assessed(std::optional<RiskLevel> level) {
    std::optional<RiskAssessment> assessment;
    if (level) {
        assessment.emplace().level = *level;
    }
    return assessment;
}

LightweightSample sample16(std::optional<std::uint64_t> usedBytes) {
    LightweightSample sample;
    sample.physicalMemoryBytes = 16 * kGiB;
    sample.memoryUsedBytes = usedBytes;
    return sample;
}

// The panel at the size it asks for holds everything it shows: each part of
// the column below the one before, the bottom inset kept, no widget cut off
// by its parent or squeezed below the height its text needs.
void expectFitsWithoutClipping(const PanelViewController& panel) {
    ASSERT_EQ(panel.size(), panel.sizeHint());
    EXPECT_EQ(panel.width(), PanelViewController::kWidth);
    int previousBottom = 0;
    for (const char* name :
         {"heroCard", "pressureCard", "appsCard", "appsHintLabel", "adviceCard", "debugArea"}) {
        const QWidget* part = panel.findChild<QWidget*>(name);
        if (part == nullptr || !part->isVisibleTo(&panel)) {
            continue;
        }
        const QRect frame(part->mapTo(&panel, QPoint(0, 0)), part->size());
        EXPECT_GT(frame.top(), previousBottom) << name;
        previousBottom = frame.bottom();
    }
    EXPECT_EQ(panel.height() - 1 - previousBottom, 24) << "the bottom inset";
    for (const QWidget* widget : panel.findChildren<QWidget*>()) {
        const std::string name = widget->objectName().toStdString();
        if (!widget->isVisibleTo(&panel)) {
            continue;
        }
        EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
            << name << " in " << widget->parentWidget()->objectName().toStdString();
        // Skipped: icons and rules of a fixed size, which need no room for
        // text, and overlays that take whatever their parent has.
        const QSizePolicy policy = widget->sizePolicy();
        if (widget->minimumWidth() != widget->maximumWidth() &&
            policy.horizontalPolicy() != QSizePolicy::Ignored) {
            EXPECT_GE(widget->width(),
                      std::max(widget->minimumWidth(), widget->minimumSizeHint().width()))
                << name;
        }
        if (widget->minimumHeight() != widget->maximumHeight() &&
            policy.verticalPolicy() != QSizePolicy::Ignored) {
            const int needed = widget->hasHeightForWidth() ? widget->heightForWidth(widget->width())
                                                           : widget->minimumSizeHint().height();
            EXPECT_GE(widget->height(), std::max(widget->minimumHeight(), needed)) << name;
        }
    }
}

class PanelTest : public ::testing::Test {
protected:
    void make(bool debugPreview) {
        panel = std::make_unique<PanelViewController>(debugPreview);
        panel->show();
    }
    // Shows `state` at the size the panel asks for, as the popover does.
    void show(const PanelState& state) {
        panel->update(state);
        // Shown on its own, the panel is a window whose layout keeps it at
        // least as tall as the previous content until the layout has run.
        QCoreApplication::processEvents();
        panel->resize(panel->sizeHint());
        QCoreApplication::processEvents();
    }
    template <typename T = QLabel>
    T* find(const char* name, QWidget* in = nullptr) const {
        T* widget = (in ? in : panel.get())->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString text(const char* name) const { return find(name)->text(); }
    QRgb textColor(const char* name) const {
        return find(name)->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF;
    }
    QWidget* row(int rank) const {
        return find<QWidget>(qPrintable(QStringLiteral("appRow%1").arg(rank)));
    }
    // The colour the advice card paints beside its text.
    QRgb adviceFill() const {
        QWidget* card = find<QWidget>("adviceCard");
        return card->grab().toImage().pixelColor(6, card->height() / 2).rgb() & 0xFFFFFF;
    }

    std::unique_ptr<PanelViewController> panel;
};

TEST_F(PanelTest, LevelsAndFlagsSetTextsColoursAndSize) {
    const char* calm = "占用高不等于有问题，目前无需为数字关闭应用。";
    const char* save = "建议：先保存，等当前任务结束后，再处理确认不用的对象。";
    const char* checkFirst = "先保存工作，再从占用最高的应用开始检查。";
    const struct {
        std::optional<RiskLevel> level;
        const char *status, *pressure;
        ThemeColor pressureColor;
        const char *advice, *hint;
        QRgb fill;
    } cases[] = {
        {std::nullopt, "状态良好", "压力正常", AppVisualTheme::systemGreen, nullptr, calm, 0},
        {RiskLevel::watch, "正在观察", "压力升高", AppVisualTheme::systemOrange,
         "建议：先检查和保存，暂时不用退出应用。", calm, 0xFFF3DA},
        {RiskLevel::warning, "接近卡顿", "持续升高", AppVisualTheme::systemRed, save, checkFirst,
         0xFCEAEA},
        {RiskLevel::critical, "请立即保存工作", "高风险", AppVisualTheme::systemRed, save,
         checkFirst, 0xFCEAEA},
    };
    make(false);
    // Before the first reading arrives.
    EXPECT_EQ(text("appsHintLabel"), "只有风险升高时，才需要考虑处理。");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        show({.assessment = assessed(c.level), .sample = sample16(12 * kGiB + kGiB / 4)});
        EXPECT_EQ(text("statusLabel"), c.status);
        EXPECT_EQ(text("pressureEvidenceLabel"), c.pressure);
        EXPECT_EQ(textColor("pressureEvidenceLabel"), c.pressureColor.light);
        EXPECT_EQ(text("appsHintLabel"), c.hint);
        EXPECT_EQ(text("memoryEvidenceLabel"), "内存约 12.25 GB / 16 GB");
        EXPECT_EQ(find<QWidget>("adviceCard")->isHidden(), c.advice == nullptr);
        expectFitsWithoutClipping(*panel);
        if (c.advice) {
            EXPECT_EQ(text("adviceLabel"), c.advice);
            EXPECT_EQ(adviceFill(), c.fill);
        }
    }
    show({});
    EXPECT_EQ(text("memoryEvidenceLabel"), "正在读取内存");
    show({.assessment = assessed(RiskLevel::warning),
          .sample = sample16(std::nullopt),
          .isRecovering = true});
    EXPECT_EQ(text("memoryEvidenceLabel"), "系统内存 16 GB");
    EXPECT_EQ(text("pressureEvidenceLabel"), "恢复确认中");
    EXPECT_EQ(textColor("pressureEvidenceLabel"), AppVisualTheme::systemRed.light);

    // The longest hint wraps; everything still fits, in order, without overlapping.
    show({.assessment = assessed(RiskLevel::warning), .applicationRankingAvailable = false});
    EXPECT_EQ(text("appsHintLabel"),
              "当前无法读取应用排名，不代表没有高占用应用。系统风险判断仍可用。");
    expectFitsWithoutClipping(*panel);
    auto frame = [this](const char* name) {
        QWidget* w = find<QWidget>(name);
        return QRect(w->mapTo(panel.get(), QPoint(0, 0)), w->size());
    };
    EXPECT_GE(frame("appsHintLabel").top(), frame("appsCard").bottom() + 7);
    EXPECT_GE(frame("adviceCard").top(), frame("appsHintLabel").bottom() + 16);
    const int withLongHint = panel->height();
    show({.assessment = assessed(RiskLevel::warning)});
    EXPECT_LT(panel->height(), withLongHint) << "the height follows the wrapped hint";

    QApplication::setPalette(AppVisualTheme::standardPalette(Appearance::dark));
    QCoreApplication::processEvents();  // the change reaches widgets as a posted event
    EXPECT_EQ(textColor("adviceLabel"), 0xFA9999u);
    EXPECT_EQ(adviceFill(), 0x493335u);
    QApplication::setPalette(AppVisualTheme::standardPalette(Appearance::light));
    QCoreApplication::processEvents();
    EXPECT_EQ(textColor("adviceLabel"), 0xA43131u);
}

TEST_F(PanelTest, FitsItsContentAtEveryFontSize) {
    const QFont standard = QApplication::font();
    const PanelState calm{.sample = sample16(8 * kGiB)};
    // The most the panel shows: two-line status and hint, advice, preview.
    const PanelState fullest{.assessment = assessed(RiskLevel::critical),
                             .sample = sample16(15 * kGiB),
                             .applicationRankingAvailable = false,
                             .isSimulation = true};
    for (const qreal scale : {1.0, 1.5, 0.8}) {
        SCOPED_TRACE(scale);
        QFont font = standard;
        font.setPointSizeF(standard.pointSizeF() * scale);
        QApplication::setFont(font);
        make(true);
        show(calm);
        expectFitsWithoutClipping(*panel);
        const int calmHeight = panel->height();
        // The popover reads the hint right after the update, before any
        // posted layout request has run.
        panel->update(fullest);
        const QSize asked = panel->sizeHint();
        show(fullest);
        EXPECT_EQ(asked, panel->sizeHint());
        EXPECT_GT(asked.height(), calmHeight);
        expectFitsWithoutClipping(*panel);
    }
    QApplication::setFont(standard);
}

TEST_F(PanelTest, BellAndDebugAreaFollowTheFlags) {
    const char* on = "点击开启预警通知";
    const char* off = "点击关闭预警通知；监测和记录继续运行";
    const PanelState watch{.assessment = assessed(RiskLevel::watch),
                           .notificationsEnabled = true,
                           .isSimulation = true};
    // Unavailable notifications keep the last symbol.
    const PanelState critical{.assessment = assessed(RiskLevel::critical),
                              .notificationsAvailable = false,
                              .isSimulation = true};
    const struct {
        PanelState shown;
        const char *status, *badge, *bell, *bellTip;
    } cases[] = {
        {PanelState{}, "开发验收：真实监测，未开启预览", "正常", "bell", on},
        {watch, "开发验收：橙色模拟中，不代表真实压力", "留意·预览", "bell.slash", off},
        {critical, "开发验收：红色模拟中，不代表真实压力", "高风险·预览", "bell.slash",
         "没有连接到桌面的通知服务，暂时无法开启通知；监测和记录继续运行"},
        {PanelState{.hasEndedPreview = true}, "预览已结束，已返回真实监测", "正常", "bell", on},
    };
    make(true);
    auto* bell = find<SymbolButton>("notificationButton");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        show(c.shown);
        EXPECT_EQ(text("debugStatusLabel"), c.status);
        EXPECT_EQ(text("statusBadge"), c.badge);
        EXPECT_EQ(find<QPushButton>("endPreviewButton")->isEnabled(), c.shown.isSimulation);
        expectFitsWithoutClipping(*panel);
        EXPECT_EQ(bell->isEnabled(), c.shown.notificationsAvailable);
        EXPECT_EQ(bell->symbol(), c.bell);
        EXPECT_EQ(bell->toolTip(), c.bellTip);
        EXPECT_EQ(bell->tint(), c.shown.notificationsAvailable ? AppVisualTheme::secondary
                                                               : AppVisualTheme::tertiaryLabel);
    }
    EXPECT_EQ(bell->accessibleName(), "开启提醒，目前提醒关闭");
}

TEST_F(PanelTest, RowsShowTopApplicationsAsPlainText) {
    make(false);
    // What closing it frees, not the resident sum.
    show({.applications = {{"Google Chrome", std::nullopt, 5 * kGiB, 1, 3 * kGiB + kGiB / 5}}});
    EXPECT_EQ(find("memoryLabel", row(1))->text(), "3.2 GB");
    EXPECT_EQ(row(1)->accessibleName(), "第 1 名，Google Chrome，占用 3.2 GB");
    EXPECT_EQ(find("nameLabel", row(3))->text(), "--");
    // An empty row reads as one line, not as its parts.
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(row(3));
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->childCount(), 0);
    EXPECT_EQ(access->text(QAccessible::Name), "第 3 名，暂无数据");

    for (const AppMemory& hostile : test::hostileApplications(3 * kGiB)) {
        show({.applications = {hostile}});
        EXPECT_EQ(find("nameLabel", row(1))->text(), QString::fromStdString(hostile.name));
    }

    // A long name is cut in the drawing, never by widening the panel.
    show({.applications = {{std::string(400, 'W'), std::nullopt, kGiB, 1}}});
    EXPECT_LE(row(1)->width(), 302);
    for (QLabel* label : panel->findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    }
}

TEST_F(PanelTest, ButtonsCallTheirCallbacks) {
    make(true);
    show({.assessment = assessed(RiskLevel::warning), .isSimulation = true});
    int calls = 0;
    const std::pair<const char*, std::function<void()> PanelViewController::*> wiring[] = {
        {"refreshButton", &PanelViewController::onRefresh},
        {"warningPreviewButton", &PanelViewController::onTestWarning},
        {"watchPreviewButton", &PanelViewController::onTestWatch},
        {"endPreviewButton", &PanelViewController::onEndPreview},
        {"notificationButton", &PanelViewController::onEnableNotifications},
        {"historyButton", &PanelViewController::onShowHistory},
        {"settingsButton", &PanelViewController::onShowSettings},
        {"quitButton", &PanelViewController::onQuit},
    };
    for (const auto& [name, callback] : wiring) {
        (*panel).*callback = [&calls] { ++calls; };
        QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton);
        EXPECT_EQ(std::exchange(calls, 0), 1) << name;
    }

    // A click on the advice card's text, not only its chevron, opens the steps.
    int advice = 0;
    panel->onShowAdvice = [&] { ++advice; };
    QWidget* card = find<QWidget>("adviceCard");
    const QPoint onText(20, card->height() / 2);
    QWidget* hit = card->childAt(onText);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->objectName(), "adviceDetailsButton");
    QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(card, onText));
    EXPECT_EQ(advice, 1);

    // Quitting may discard the panel from inside its own click.
    panel->onQuit = [this] { panel.reset(); };
    QTest::mouseClick(find<QPushButton>("quitButton"), Qt::LeftButton);
    EXPECT_EQ(panel, nullptr);
}

}  // namespace
}  // namespace tidemark::ui
