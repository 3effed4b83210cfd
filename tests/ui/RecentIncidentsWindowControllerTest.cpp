#include "ui/RecentIncidentsWindowController.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

#include <cstdlib>
#include <ctime>

#include "HostileLabels.h"
#include "HostileNames.h"
#include "UnsqueezedLayout.h"
#include "history/IncidentStore.h"

namespace tidemark::ui {
namespace {

constexpr std::uint64_t kGiB = 1ULL << 30;
const QString kStorageMessage =
    QStringLiteral("无法保存最近记录。风险预警仍会正常工作，请检查「潮痕」的文件访问权限。");
const QString kEmptyMessage = QStringLiteral("最近 7 天没有记录到异常事件。");

// 2025-03-14 01:05:30 UTC, 09:05 at UTC+8.
constexpr Timestamp kStart = 1741914330;

IncidentRecord record(RiskLevel level, std::vector<AppMemory> apps = {},
                      std::optional<Timestamp> recoveredAt = std::nullopt) {
    return {"A", kStart, level, std::move(apps), recoveredAt, std::nullopt};
}

AppMemory app(const std::string& name, std::uint64_t residentBytes) {
    return {name, std::nullopt, residentBytes, 1, residentBytes};
}

class RecentIncidentsWindowControllerTest : public ::testing::Test {
protected:
    // A zone without daylight saving and with no tz database needed.
    void SetUp() override {
        setenv("TZ", "CST-8", 1);
        tzset();
    }

    // The content list in order: each card as "title|applications|outcome",
    // each message as its text.
    QStringList shown() const {
        QStringList out;
        QLayout* stack = controller.window()->findChild<QWidget*>("incidentContentStack")->layout();
        for (int i = 0; i < stack->count(); ++i) {
            QWidget* view = stack->itemAt(i)->widget();
            auto text = [view](const char* name) {
                return view->findChild<QLabel*>(QLatin1String(name))->text();
            };
            auto* label = qobject_cast<QLabel*>(view);
            out << (label ? label->text()
                          : text("incidentTitle") + "|" + text("incidentApplications") + "|" +
                                text("incidentOutcome"));
        }
        return out;
    }

    RecentIncidentsWindowController controller{[](QWidget*) {}};
};

TEST_F(RecentIncidentsWindowControllerTest, CardsShowStartLevelApplicationsAndOutcome) {
    auto critical =
        record(RiskLevel::critical, {app("<b>x</b>", kGiB), app("B", 2 * kGiB), app("C", kGiB / 2),
                                     app("D", kGiB), app("E", kGiB)});
    critical.monitoringInterruptedAt = kStart + 300;
    critical.kills = {{kStart + 60, "kernel", true, app("python3", 22 * kGiB)},
                      {kStart + 90, "earlyoom", false, std::nullopt}};
    auto open = record(RiskLevel::watch);
    open.startedAt = kStart + 12 * 3600;

    controller.reload(
        {record(RiskLevel::warning, {app("Google Chrome", 3 * kGiB + kGiB / 5)}, kStart + 59),
         record(RiskLevel::warning, {}, kStart + 150),
         record(RiskLevel::warning, {}, kStart - 600),  // clock set back
         critical, open},
        std::nullopt);
    EXPECT_EQ(shown(),
              QStringList({
                  "3月14日 09:05 · 预警|主要占用：Google Chrome 3.2 GB|系统约 1 分钟后恢复正常",
                  "3月14日 09:05 · 预警|未读取到主要占用应用|系统约 2 分钟后恢复正常",
                  "3月14日 09:05 · 预警|未读取到主要占用应用|系统约 1 分钟后恢复正常",
                  "3月14日 09:05 · 高风险|主要占用：<b>x</b> 1 GB、B 2 GB、C 512 MB|"
                  "监测曾中断，未确认恢复时间",
                  "3月14日 21:05 · 预警|未读取到主要占用应用|尚未记录到恢复",
              }));
    QStringList kills;
    for (const QLabel* line : controller.window()->findChildren<QLabel*>("incidentKill")) {
        kills << line->text();
    }
    EXPECT_EQ(kills, QStringList({"被系统内核结束：「python3」（22 GB）",
                                  "很可能被 earlyoom 结束：一个程序"}));

    std::vector<IncidentRecord> records;
    std::vector<std::string> names;
    for (const AppMemory& hostile : test::hostileApplications(3 * kGiB)) {
        records.push_back(record(RiskLevel::warning, {hostile}));
        names.push_back(hostile.name);
    }
    controller.reload(records, std::nullopt);
    test::expectNamesShownLiterally(controller.window(), names);
}

// The storage message comes first and replaces the empty line, whether it
// comes from loading or from clearing.
TEST_F(RecentIncidentsWindowControllerTest, StorageMessagesAndClearing) {
    const QString card = "3月14日 09:05 · 预警|未读取到主要占用应用|尚未记录到恢复";
    controller.reload({record(RiskLevel::warning)}, std::string("disk full"));
    EXPECT_EQ(shown(), QStringList({kStorageMessage, card}));

    auto* clear = controller.window()->findChild<QPushButton*>("incidentClear");
    controller.onClear = [] { return std::optional<std::string>("write failed"); };
    controller.reload({record(RiskLevel::warning)}, std::nullopt);
    clear->click();
    EXPECT_EQ(shown(), QStringList{kStorageMessage});
    controller.onClear = [] { return std::optional<std::string>(); };
    clear->click();
    EXPECT_EQ(shown(), QStringList{kEmptyMessage});

    // No home directory: the history is kept, in memory only, and says so.
    controller.reload({record(RiskLevel::warning)},
                      std::string(IncidentStore::kMemoryOnlyDescription));
    EXPECT_EQ(shown(),
              QStringList({QStringLiteral("找不到可用的主目录，最近记录只保存在内存中，"
                                          "退出「潮痕」后不再保留。风险预警仍会正常工作。"),
                           card}));
}

// The window keeps one size, which a larger desktop font raises so that the
// header and the button keep their room beside the scrolling list.
TEST(RecentIncidentsWindowController, NothingIsSqueezedWhateverTheFont) {
    for (const qreal scale : {0.8, 1.0, 1.5}) {
        SCOPED_TRACE(scale);
        const test::ScopedFontScale font(scale);
        RecentIncidentsWindowController controller([](QWidget*) {});
        controller.reload({record(RiskLevel::critical, {app("Google Chrome", 3 * kGiB)})},
                          std::string("disk full"));
        QWidget* window = controller.window();
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
        test::expectNothingSqueezed(window, window->findChild<QWidget*>("incidentScroll"));
    }
}

}  // namespace
}  // namespace tidemark::ui
