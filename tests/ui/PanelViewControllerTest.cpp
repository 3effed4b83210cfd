#include "ui/PanelViewController.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <memory>

#include "core/Formatting.h"
#include "ui/SymbolIcons.h"

namespace tidemark::ui {
namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

struct Shown {
    std::optional<RiskLevel> level = std::nullopt;
    std::optional<LightweightSample> sample = std::nullopt;
    std::vector<AppMemory> apps = {};
    bool ranking = true;
    bool notificationsEnabled = false;
    bool notificationsAvailable = true;
    bool isSimulation = false;
    bool isRecovering = false;
    bool hasEndedPreview = false;
};

LightweightSample sample16(std::optional<std::uint64_t> used) {
    LightweightSample sample;
    sample.physicalMemoryBytes = 16 * kGiB;
    sample.memoryUsedBytes = used;
    return sample;
}

AppMemory app(std::string name, std::uint64_t residentBytes) {
    AppMemory memory;
    memory.name = std::move(name);
    memory.residentBytes = residentBytes;
    return memory;
}

class PanelTest : public ::testing::Test {
protected:
    void make(bool debugPreview) {
        panel = std::make_unique<PanelViewController>(debugPreview);
        panel->show();
    }

    void show(const Shown& s) {
        std::optional<RiskAssessment> assessment;
        if (s.level) {
            assessment.emplace();
            assessment->level = *s.level;
        }
        panel->update(assessment, s.sample, s.apps, s.ranking, s.notificationsEnabled,
                      s.notificationsAvailable, s.isSimulation, s.isRecovering, s.hasEndedPreview);
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

TEST_F(PanelTest, NothingKnownYetShowsCalmPanel) {
    make(false);
    show({});
    EXPECT_EQ(text("statusLabel"), "状态良好");
    EXPECT_EQ(text("pressureEvidenceLabel"), "压力正常");
    EXPECT_EQ(textColor("pressureEvidenceLabel"), AppVisualTheme::systemGreen.light);
    EXPECT_EQ(text("memoryEvidenceLabel"), "正在读取内存");
    EXPECT_EQ(text("appsHintLabel"), "占用高不等于有问题，目前无需为数字关闭应用。");
    EXPECT_TRUE(find<QWidget>("adviceCard")->isHidden());
    EXPECT_EQ(panel->preferredSize(), QSize(350, 400));
    EXPECT_EQ(find("nameLabel", row(1))->text(), "--");

    make(true);
    show({});
    EXPECT_EQ(panel->preferredSize(), QSize(350, 464));
    EXPECT_EQ(panel->size(), panel->preferredSize());
    EXPECT_EQ(text("debugStatusLabel"), "开发验收：真实监测，未开启预览");
    EXPECT_FALSE(find<QPushButton>("endPreviewButton")->isEnabled());
}

TEST_F(PanelTest, LevelsSetTextsColoursAndSize) {
    struct Case {
        RiskLevel level;
        const char* status;
        const char* pressure;
        ThemeColor pressureColor;
        const char* advice;
        const char* hint;
        QRgb fill, adviceText;
    };
    const char* save = "建议：先保存，等当前任务结束后，再处理确认不用的对象。";
    const char* checkFirst = "先保存工作，再从占用最高的应用开始检查。";
    const Case cases[] = {
        {RiskLevel::watch, "正在观察", "压力升高", AppVisualTheme::systemOrange,
         "建议：先检查和保存，暂时不用退出应用。", "占用高不等于有问题，目前无需为数字关闭应用。",
         0xFFF3DA, 0x81521B},
        {RiskLevel::warning, "接近卡顿", "持续升高", AppVisualTheme::systemRed, save, checkFirst,
         0xFCEAEA, 0xA43131},
        {RiskLevel::critical, "请立即保存工作", "高风险", AppVisualTheme::systemRed, save,
         checkFirst, 0xFCEAEA, 0xA43131},
    };
    make(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(toString(c.level)));
        show({.level = c.level, .sample = sample16(12 * kGiB + kGiB / 4)});
        EXPECT_EQ(text("statusLabel"), c.status);
        EXPECT_EQ(text("pressureEvidenceLabel"), c.pressure);
        EXPECT_EQ(textColor("pressureEvidenceLabel"), c.pressureColor.light);
        EXPECT_EQ(text("adviceLabel"), c.advice);
        EXPECT_EQ(textColor("adviceLabel"), c.adviceText);
        EXPECT_EQ(find<QWidget>("adviceDetailsButton")->accessibleName(),
                  QString(c.advice) + " 查看缓解步骤");
        EXPECT_EQ(text("appsHintLabel"), c.hint);
        EXPECT_EQ(text("memoryEvidenceLabel"), "内存约 12.25 GB / 16 GB");
        EXPECT_FALSE(find<QWidget>("adviceCard")->isHidden());
        EXPECT_EQ(adviceFill(), c.fill);
        EXPECT_EQ(panel->preferredSize(), QSize(350, 470));
    }

    show({.level = RiskLevel::warning, .sample = sample16(std::nullopt), .isRecovering = true});
    EXPECT_EQ(text("memoryEvidenceLabel"), "系统内存 16 GB");
    EXPECT_EQ(text("pressureEvidenceLabel"), "恢复确认中");
    EXPECT_EQ(textColor("pressureEvidenceLabel"), AppVisualTheme::systemRed.light);

    // The longest hint wraps; with two lines of advice everything still
    // fits, in order, without overlapping.
    show({.level = RiskLevel::warning, .ranking = false});
    EXPECT_EQ(text("appsHintLabel"),
              "当前无法读取应用排名，不代表没有高占用应用。系统风险判断仍可用。");
    auto frame = [this](const char* name) {
        QWidget* w = find<QWidget>(name);
        return QRect(w->mapTo(panel.get(), QPoint(0, 0)), w->size());
    };
    EXPECT_GE(frame("appsHintLabel").top(), frame("appsCard").bottom() + 7);
    EXPECT_GE(frame("adviceCard").top(), frame("appsHintLabel").bottom() + 16);
    EXPECT_LE(frame("adviceCard").bottom(), panel->height());

    show({.level = RiskLevel::safe});
    EXPECT_TRUE(find<QWidget>("adviceCard")->isHidden());
    EXPECT_EQ(panel->preferredSize(), QSize(350, 400));
}

TEST_F(PanelTest, ColoursFollowTheAppearance) {
    make(false);
    show({.level = RiskLevel::warning});
    QApplication::setPalette(AppVisualTheme::standardPalette(Appearance::dark));
    QCoreApplication::processEvents();  // the change reaches widgets as a posted event
    EXPECT_EQ(textColor("pressureEvidenceLabel"), AppVisualTheme::systemRed.dark);
    EXPECT_EQ(textColor("adviceLabel"), 0xFA9999u);
    EXPECT_EQ(adviceFill(), 0x493335u);
    QApplication::setPalette(AppVisualTheme::standardPalette(Appearance::light));
    QCoreApplication::processEvents();
    EXPECT_EQ(textColor("adviceLabel"), 0xA43131u);
}

TEST_F(PanelTest, NotificationButtonFollowsPreferenceAndAvailability) {
    make(false);
    auto* bell = find<SymbolButton>("notificationButton");
    show({.notificationsEnabled = false});
    EXPECT_EQ(bell->symbol(), "bell");
    EXPECT_EQ(bell->toolTip(), "点击开启预警通知");
    EXPECT_EQ(bell->accessibleName(), "开启提醒，目前提醒关闭");
    EXPECT_EQ(bell->tint(), AppVisualTheme::secondary);

    show({.notificationsEnabled = true});
    EXPECT_EQ(bell->symbol(), "bell.slash");
    EXPECT_EQ(bell->toolTip(), "点击关闭预警通知；监测和记录继续运行");
    EXPECT_EQ(bell->accessibleName(), "关闭提醒，目前提醒开启");
    EXPECT_TRUE(bell->text().isEmpty());

    show({.notificationsEnabled = false, .notificationsAvailable = false});
    EXPECT_FALSE(bell->isEnabled());
    EXPECT_EQ(bell->toolTip(), "请运行正式「潮痕」应用开启通知");
    EXPECT_EQ(bell->tint(), AppVisualTheme::tertiaryLabel);
    EXPECT_EQ(bell->symbol(), "bell.slash");  // unchanged

    show({.notificationsAvailable = true});
    EXPECT_TRUE(bell->isEnabled());
}

TEST_F(PanelTest, DebugAreaReportsThePreview) {
    make(true);
    auto* end = find<QPushButton>("endPreviewButton");
    show({.level = RiskLevel::watch, .isSimulation = true});
    EXPECT_EQ(text("debugStatusLabel"), "开发验收：橙色模拟中，不代表真实压力");
    EXPECT_EQ(text("statusBadge"), "留意·预览");
    EXPECT_EQ(panel->preferredSize(), QSize(350, 534));

    show({.level = RiskLevel::warning, .isSimulation = true});
    EXPECT_EQ(text("debugStatusLabel"), "开发验收：红色模拟中，不代表真实压力");
    EXPECT_TRUE(end->isEnabled());

    show({.hasEndedPreview = true});
    EXPECT_EQ(text("debugStatusLabel"), "预览已结束，已返回真实监测");
    EXPECT_FALSE(end->isEnabled());
    EXPECT_EQ(text("statusBadge"), "正常");
}

TEST_F(PanelTest, RowsShowTopApplicationsAsPlainText) {
    make(false);
    const std::uint64_t huge = std::numeric_limits<std::uint64_t>::max();
    show({.apps = {app("Google Chrome", 3 * kGiB + kGiB / 5), app("<b>evil</b>\nname", huge)}});
    EXPECT_EQ(find("nameLabel", row(1))->text(), "Google Chrome");
    EXPECT_EQ(find("memoryLabel", row(1))->text(), "3.2 GB");
    EXPECT_EQ(row(1)->accessibleName(), "第 1 名，Google Chrome，占用 3.2 GB");

    QLabel* evil = find("nameLabel", row(2));
    EXPECT_EQ(evil->textFormat(), Qt::PlainText);
    EXPECT_EQ(evil->text(), "<b>evil</b>\nname");
    EXPECT_EQ(find("memoryLabel", row(2))->text(),
              QString::fromStdString(formatBytes(std::numeric_limits<std::int64_t>::max())));
    EXPECT_EQ(find("memoryLabel", row(2))->text(), "8589934592 GB");

    EXPECT_EQ(find("rankLabel", row(3))->text(), "3");
    EXPECT_EQ(find("nameLabel", row(3))->text(), "--");
    EXPECT_TRUE(find("memoryLabel", row(3))->text().isEmpty());
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(row(3));
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::StaticText);
    EXPECT_EQ(access->childCount(), 0);
    EXPECT_EQ(access->text(QAccessible::Name), "第 3 名，暂无数据");

    // A long name is cut in the drawing, never by widening the panel.
    show({.apps = {app(std::string(400, 'W'), kGiB)}});
    EXPECT_LE(row(1)->width(), 302);
    for (QLabel* label : panel->findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    }
}

TEST_F(PanelTest, ButtonsCallTheirCallbacks) {
    make(true);
    show({.level = RiskLevel::warning, .isSimulation = true});
    std::map<std::string, int> calls;
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
        QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton);  // no callback yet
        (*panel).*callback = [&calls, name = std::string(name)] { ++calls[name]; };
        QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton);
        EXPECT_EQ(calls[name], 1) << name;
    }

    // Anywhere on the advice card, the text included, opens the steps.
    int advice = 0;
    panel->onShowAdvice = [&] { ++advice; };
    QWidget* card = find<QWidget>("adviceCard");
    for (QPoint at : {QPoint(20, card->height() / 2), QPoint(card->width() - 10, 8)}) {
        QWidget* hit = card->childAt(at);
        ASSERT_NE(hit, nullptr);
        EXPECT_EQ(hit->objectName(), "adviceDetailsButton");
        QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(card, at));
    }
    EXPECT_EQ(advice, 2);

    // Quitting may discard the panel from inside its own click.
    panel->onQuit = [this] { panel.reset(); };
    QTest::mouseClick(find<QPushButton>("quitButton"), Qt::LeftButton);
    EXPECT_EQ(panel, nullptr);
}

}  // namespace
}  // namespace tidemark::ui
