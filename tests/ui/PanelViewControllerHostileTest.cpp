// The panel's ranking with the names the probe reports for hostile processes.

#include <QCoreApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <algorithm>

#include "HostileLabels.h"
#include "HostileNames.h"
#include "ui/PanelViewController.h"

namespace tidemark::ui {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

TEST(PanelViewControllerHostileTest, RankingShowsHostileNamesAsText) {
    const std::vector<AppMemory> apps = test::hostileApplications(3 * kGiB);
    PanelViewController panel(false);
    panel.show();
    RiskAssessment assessment;
    assessment.level = RiskLevel::warning;
    LightweightSample sample;
    sample.physicalMemoryBytes = 16 * kGiB;

    // The panel ranks only the largest few: rotate the list so that every
    // name gets a row.
    for (std::size_t first = 0; first < apps.size(); ++first) {
        std::vector<AppMemory> ranked = apps;
        std::rotate(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(first),
                    ranked.end());
        panel.update(assessment, sample, ranked, true, true, true, false, false, false);
        QCoreApplication::processEvents();
        const QList<AppUsageRow*> rows = panel.findChildren<AppUsageRow*>();
        ASSERT_FALSE(rows.empty());
        const QLabel* name = rows.front()->nameLabel();
        EXPECT_EQ(name->textFormat(), Qt::PlainText);
        EXPECT_EQ(name->text(), QString::fromStdString(ranked.front().name));
        test::expectNamesShownLiterally(&panel, {ranked.front().name});
    }
}

}  // namespace
}  // namespace tidemark::ui
