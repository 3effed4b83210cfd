#include "advice/NotificationContent.h"

namespace tidemark {

NotificationContent notificationContent(AlertEvent event, bool isSimulation,
                                        const std::optional<AdvicePlan>& advice) {
    const bool critical = event == AlertEvent::critical;
    NotificationContent content;
    content.identifier = "tidemark-";
    content.identifier.append(toString(event));
    content.identifier.append(isSimulation ? "-test" : "-live");

    if (isSimulation) {
        content.title = "「潮痕」测试预警";
    } else {
        content.title = critical ? "「潮痕」：请立即保存" : "「潮痕」：内存压力持续升高";
    }

    if (advice) {
        content.body = advice->summary;
    } else {
        content.body = critical ? "请立即保存工作，然后正常处理占用最高的应用。"
                                : "请先保存工作，再关闭不用的大型网页或应用，无需强制退出。";
    }
    if (isSimulation) {
        content.body.insert(0, "本地预览：");
    }
    return content;
}

}  // namespace tidemark
