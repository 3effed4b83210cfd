#include "advice/NotificationContent.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tidemark {
namespace {

TEST(NotificationContent, TitlesBodiesAndThePlanSummaryBeforeThePreviewPrefix) {
    const std::string critical = "请立即保存工作，然后正常处理占用最高的应用。";
    AdvicePlan plan;
    plan.summary = "先保存工作。确认 <i>Tool</i> 是否暂不使用。";
    const auto W = AlertEvent::warning, C = AlertEvent::critical;
    const std::tuple<AlertEvent, bool, std::optional<AdvicePlan>, NotificationContent> cases[] = {
        {W,
         false,
         std::nullopt,
         {"tidemark-warning-live", "「潮痕」：内存压力持续升高",
          "请先保存工作，再关闭不用的大型网页或应用，无需强制退出。"}},
        {C, false, std::nullopt, {"tidemark-critical-live", "「潮痕」：请立即保存", critical}},
        {C,
         true,
         std::nullopt,
         {"tidemark-critical-test", "「潮痕」测试预警", "本地预览：" + critical}},
        {C, false, plan, {"tidemark-critical-live", "「潮痕」：请立即保存", plan.summary}},
        {W, true, plan, {"tidemark-warning-test", "「潮痕」测试预警", "本地预览：" + plan.summary}},
    };
    for (const auto& [event, isSimulation, advice, expected] : cases)
        EXPECT_EQ(notificationContent(event, isSimulation, advice), expected) << expected.body;
}

}  // namespace
}  // namespace tidemark
