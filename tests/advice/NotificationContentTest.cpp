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

}  // namespace
}  // namespace tidemark
