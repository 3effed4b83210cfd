#include "advice/NotificationContent.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

TEST(NotificationContent, IdentifiersAndPlanSummaryBeforeThePreviewPrefix) {
    const std::string critical = "请立即保存工作，然后正常处理占用最高的应用。";
    EXPECT_EQ(notificationContent(AlertEvent::critical, false, std::nullopt),
              (NotificationContent{"tidemark-critical-live", "「潮痕」：请立即保存", critical}));
    EXPECT_EQ(notificationContent(AlertEvent::critical, true, std::nullopt),
              (NotificationContent{"tidemark-critical-test", "「潮痕」测试预警",
                                   "本地预览：" + critical}));
    EXPECT_EQ(notificationContent(AlertEvent::warning, false, std::nullopt),
              (NotificationContent{"tidemark-warning-live", "「潮痕」：内存压力持续升高",
                                   "请先保存工作，再关闭不用的大型网页或应用，无需强制退出。"}));

    AdvicePlan plan;
    plan.summary = "先保存工作。确认 <i>Tool</i> 是否暂不使用。";
    EXPECT_EQ(notificationContent(AlertEvent::critical, false, plan).body, plan.summary);
    EXPECT_EQ(notificationContent(AlertEvent::warning, true, plan).body,
              "本地预览：" + plan.summary);
}

// Certain words only when both the killer and the application are known; a
// name with a control character cannot break the notification's lines.
TEST(NotificationContent, KillNoticeIsCertainOnlyWhenAttributionIs) {
    const AppMemory python{"python3\nx", std::nullopt, 30ull << 30, 1, 22ull << 30};
    const NotificationContent certain = killNotificationContent("kernel", true, python);
    EXPECT_EQ(certain.identifier, "tidemark-kill-live");
    EXPECT_EQ(certain.title, "「潮痕」：有程序被结束了");
    EXPECT_EQ(
        certain.body,
        "内存用尽时，「python3\uFFFDx」（22 GB）被系统内核结束了。它未保存的内容可能已经丢失。");
    const NotificationContent likely = killNotificationContent("earlyoom", false, python);
    EXPECT_EQ(likely.title, "「潮痕」：可能有程序被结束了");
    EXPECT_NE(likely.body.find("很可能是 earlyoom 在"), std::string::npos);
    EXPECT_NE(killNotificationContent("kernel", false, std::nullopt).body.find("无法确定"),
              std::string::npos);
    EXPECT_EQ(killHistoryLine("earlyoom", false, python),
              "很可能被 earlyoom 结束：「python3\uFFFDx」（22 GB）");
}

}  // namespace
}  // namespace tidemark
