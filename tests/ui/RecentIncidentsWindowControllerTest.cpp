#include "ui/RecentIncidentsWindowController.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

#include <cstdlib>
#include <ctime>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace tidemark::ui {
namespace {

constexpr std::uint64_t kGiB = 1ULL << 30;
const QString kStorageMessage =
    QStringLiteral("无法保存最近记录。风险预警仍会正常工作，请检查「潮痕」的文件访问权限。");
const QString kEmptyMessage = QStringLiteral("最近 7 天没有记录到异常事件。");

// 2025-03-14 01:05:30 UTC, 09:05 at UTC+8.
constexpr Timestamp kStart = 1741914330;

class RecentIncidentsWindowControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A zone without daylight saving and with no tz database needed.
        setenv("TZ", "CST-8", 1);
        tzset();
    }

    // The content list in order: each card as "title|applications|outcome",
    // each message as its text.
    QStringList shown() const {
        QStringList out;
        QLayout* stack = controller.window()
                             ->findChild<QWidget*>(QStringLiteral("incidentContentStack"))
                             ->layout();
        for (int i = 0; i < stack->count(); ++i) {
            QWidget* view = stack->itemAt(i)->widget();
            if (auto* label = qobject_cast<QLabel*>(view)) {
                out << label->text();
                continue;
            }
            auto text = [view](const char* name) {
                return view->findChild<QLabel*>(QLatin1String(name))->text();
            };
            out << text("incidentTitle") + "|" + text("incidentApplications") + "|" +
                       text("incidentOutcome");
        }
        return out;
    }

    static IncidentRecord record(RiskLevel level, std::vector<AppMemory> apps = {}) {
        IncidentRecord r;
        r.id = "A";
        r.startedAt = kStart;
        r.highestLevel = level;
        r.topApplications = std::move(apps);
        return r;
    }

    static AppMemory app(const std::string& name, std::uint64_t residentBytes) {
        AppMemory a;
        a.name = name;
        a.residentBytes = residentBytes;
        return a;
    }

    std::vector<QWidget*> presented;
    RecentIncidentsWindowController controller{[this](QWidget* w) { presented.push_back(w); }};
};

TEST_F(RecentIncidentsWindowControllerTest, CardsShowStartLevelApplicationsAndOutcome) {
    auto quick = record(RiskLevel::warning, {app("Google Chrome", 3 * kGiB + kGiB / 5)});
    quick.recoveredAt = kStart + 59;
    auto later = record(RiskLevel::warning);
    later.recoveredAt = kStart + 150;
    auto early = record(RiskLevel::warning);
    early.recoveredAt = kStart - 600;  // clock set back
    auto critical =
        record(RiskLevel::critical, {app("<b>x</b>", kGiB), app("B", 2 * kGiB), app("C", kGiB / 2),
                                     app("D", kGiB), app("E", kGiB)});
    critical.monitoringInterruptedAt = kStart + 300;
    auto open = record(RiskLevel::watch);
    open.startedAt = kStart + 12 * 3600;

    controller.reload({quick, later, early, critical, open}, std::nullopt);
    EXPECT_EQ(shown(),
              QStringList({
                  "3月14日 09:05 · 预警|主要占用：Google Chrome 3.2 GB|系统约 1 分钟后恢复正常",
                  "3月14日 09:05 · 预警|未读取到主要占用应用|系统约 2 分钟后恢复正常",
                  "3月14日 09:05 · 预警|未读取到主要占用应用|系统约 1 分钟后恢复正常",
                  "3月14日 09:05 · 高风险|主要占用：<b>x</b> 1 GB、B 2 GB、C 512 MB|"
                  "监测曾中断，未确认恢复时间",
                  "3月14日 21:05 · 预警|未读取到主要占用应用|尚未记录到恢复",
              }));
    for (QLabel* label : controller.window()->findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
}

TEST_F(RecentIncidentsWindowControllerTest, StorageMessageComesFirstAndReplacesTheEmptyLine) {
    controller.reload({}, std::nullopt);
    EXPECT_EQ(shown(), QStringList{kEmptyMessage});

    controller.reload({}, std::string("unreadable"));
    EXPECT_EQ(shown(), QStringList{kStorageMessage});

    controller.reload({record(RiskLevel::warning)}, std::string("disk full"));
    const QStringList withRecords = shown();
    ASSERT_EQ(withRecords.size(), 2);
    EXPECT_EQ(withRecords[0], kStorageMessage);
    EXPECT_TRUE(withRecords[1].startsWith("3月14日 09:05 · 预警|"));
}

TEST_F(RecentIncidentsWindowControllerTest, ClearShowsTheStoresOutcome) {
    auto* clear = controller.window()->findChild<QPushButton*>(QStringLiteral("incidentClear"));
    controller.reload({record(RiskLevel::warning)}, std::nullopt);
    clear->click();  // no store attached: only the list empties
    EXPECT_EQ(shown(), QStringList{kEmptyMessage});

    int clears = 0;
    controller.onClear = [&]() -> std::optional<std::string> {
        ++clears;
        return "write failed";
    };
    controller.reload({record(RiskLevel::warning)}, std::nullopt);
    clear->click();
    EXPECT_EQ(clears, 1);
    EXPECT_EQ(shown(), QStringList{kStorageMessage});

    controller.onClear = [] { return std::optional<std::string>(); };
    clear->click();
    EXPECT_EQ(shown(), QStringList{kEmptyMessage});
}

TEST_F(RecentIncidentsWindowControllerTest, PresentsItsOneWindowThroughTheGivenCallback) {
    QWidget* window = controller.window();
    EXPECT_EQ(window->size(), QSize(430, 380));
    EXPECT_EQ(window->windowTitle(), "最近记录");
    controller.presentWindow();
    controller.presentWindow();
    EXPECT_EQ(presented, (std::vector<QWidget*>{window, window}));
}

}  // namespace
}  // namespace tidemark::ui
