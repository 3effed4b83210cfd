// The advice and history windows with the names the probe reports for
// hostile processes, through the plans and records made from them.

#include <QCoreApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include "HostileLabels.h"
#include "HostileNames.h"
#include "advice/AdviceEngine.h"
#include "ui/AdviceWindowController.h"
#include "ui/RecentIncidentsWindowController.h"

namespace tidemark::ui {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

TEST(AdviceWindowControllerHostileTest, EachPlanShowsItsApplicationAsText) {
    const std::vector<AppMemory> apps = test::hostileApplications(3 * kGiB);
    const std::vector<AdvicePlan> plans =
        AdviceEngine::plans(RiskLevel::critical, apps, 16 * kGiB, 2 * kGiB);
    ASSERT_FALSE(plans.empty());

    // The window shows one plan at a time: show each first in turn.
    for (std::size_t i = 0; i < plans.size(); ++i) {
        std::vector<AdvicePlan> ordered = plans;
        std::rotate(ordered.begin(), ordered.begin() + static_cast<std::ptrdiff_t>(i),
                    ordered.end());
        AdviceWindowController controller;
        controller.show(ordered, QString(), true, false);
        QCoreApplication::processEvents();
        SCOPED_TRACE(ordered.front().target);
        test::expectNamesShownLiterally(controller.window(), {ordered.front().target});
    }
}

TEST(AdviceWindowControllerHostileTest, HistoryShowsApplicationsAsText) {
    const std::vector<AppMemory> apps = test::hostileApplications(3 * kGiB);
    std::vector<IncidentRecord> records;
    // A card lists the first three applications of its record.
    for (std::size_t first = 0; first < apps.size(); first += 3) {
        IncidentRecord record;
        record.id = "0F8C4A36-2B1E-4C3D-9A7E-5B6C7D8E9F0" + std::to_string(first);
        record.startedAt = 1765000000 + static_cast<double>(first) * 600;
        record.topApplications.assign(
            apps.begin() + static_cast<std::ptrdiff_t>(first),
            apps.begin() + static_cast<std::ptrdiff_t>(std::min(first + 3, apps.size())));
        records.push_back(record);
    }
    RecentIncidentsWindowController controller([](QWidget*) {});
    controller.reload(records, std::nullopt);
    QCoreApplication::processEvents();

    std::vector<std::string> names;
    for (const AppMemory& app : apps) {
        names.push_back(app.name);
    }
    test::expectNamesShownLiterally(controller.window(), names);
}

}  // namespace
}  // namespace tidemark::ui
