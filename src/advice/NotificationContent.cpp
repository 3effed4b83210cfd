#include "advice/NotificationContent.h"

#include "core/Formatting.h"

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

namespace {

// Set apart by spaces when it is a program's Latin name.
std::string killerName(std::string_view killer) {
    if (killer == "kernel") {
        return "系统内核";
    }
    std::string name(1, ' ');
    name.append(replaceControlCharacters(killer)).push_back(' ');
    return name;
}

// 「python3」（22 GB）
std::string applicationText(const AppMemory& application) {
    return "「" + replaceControlCharacters(application.name) + "」（" +
           formatBytes(application.footprintBytes) + "）";
}

}  // namespace

NotificationContent killNotificationContent(std::string_view killer, bool certain,
                                            const std::optional<AppMemory>& application) {
    NotificationContent content;
    content.identifier = "tidemark-kill-live";
    const std::string who = killerName(killer);
    if (certain && application) {
        content.title = "「潮痕」：有程序被结束了";
        content.body = "内存用尽时，" + applicationText(*application) + "被" + who +
                       "结束了。它未保存的内容可能已经丢失。";
    } else if (application) {
        content.title = "「潮痕」：可能有程序被结束了";
        content.body = applicationText(*application) + "已经退出，很可能是" + who +
                       "在内存将尽时结束了它。它未保存的内容可能已经丢失。";
    } else {
        content.title = "「潮痕」：可能有程序被结束了";
        content.body = "内存将尽时，很可能有一个程序被" + who + "结束了，但无法确定是哪一个。";
    }
    return content;
}

std::string killHistoryLine(std::string_view killer, bool certain,
                            const std::optional<AppMemory>& application) {
    const std::string who = killerName(killer);
    const std::string what = application ? applicationText(*application) : "一个程序";
    return certain ? "被" + who + "结束：" + what : "很可能被" + who + "结束：" + what;
}

}  // namespace tidemark
