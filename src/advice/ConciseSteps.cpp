#include "advice/ConciseSteps.h"

#include <string_view>

#include "core/PlatformTexts.h"

namespace tidemark::ConciseSteps {

namespace {

struct Family {
    std::string_view prefix;
    std::string_view first;
    std::string_view second;
};

}  // namespace

bool isWatching(const AdvicePlan& plan) {
    return plan.id.find(".watch.") != std::string::npos || plan.summary.starts_with("继续工作");
}

std::vector<std::string> forPlan(const AdvicePlan& plan, bool watching) {
    if (plan.id.starts_with("codex.inspect")) {
        return {"检查任务与终端\n确认任务状态，保存当前改动；潮痕不能读取任务状态。",
                watching ? "继续工作，留意状态\n不退出应用，不中断正在运行的任务。"
                         : "正常关闭暂不用的对象\n任务结束并保存后，从 Codex 菜单正常退出。"};
    }
    const PlatformTexts& texts = platformTexts();
    // The processes not to end are the ones this platform has.
    const std::string protectSystem = "保护系统后台\n" + std::string(texts.protectedKeepStep);
    const Family families[] = {
        {"chrome.",
         "检查暂不用的网页\n先查看标签页；需要进一步检查时，可打开 Chrome "
         "的任务管理器。不要结束浏览器、GPU 或扩展进程。",
         texts.conciseChromeCloseTabStep},
        {"chatgpt.",
         "检查回答、上传与语音\n等待正在进行的操作完成，保存输入框中的草稿；不要删除对话。",
         "正常退出暂不用的应用\n确认操作完成、草稿已保存后，从应用菜单正常退出。"},
        {"communication.", "检查传输、通话与草稿\n等待文件传输与通话结束，保存未发送的内容。",
         "正常退出暂不用的应用\n确认没有未完成操作，并且暂时不用，再从应用菜单退出。"},
        {"browser.", "检查正在使用的网页\n保存表单、文档和需要保留的页面，等待上传完成。",
         texts.conciseBrowserCloseTabStep},
        {"system.", "检查普通应用\n查看哪些应用暂时不用；高占用排名不能证明卡顿原因。",
         protectSystem},
    };
    Family family = {
        "", "确认工作已保存\n检查上传、下载和运行任务，等待完成；潮痕不能替你确认。",
        "正常退出暂不用的应用\n只处理确认不用、已保存且没有运行任务的对象，从应用菜单退出。"};
    for (const Family& candidate : families) {
        if (plan.id.starts_with(candidate.prefix)) {
            family = candidate;
            break;
        }
    }
    // The system's own steps protect it whatever the level.
    const bool keepsSecondStep = watching && family.prefix != "system.";
    return {std::string(family.first),
            keepsSecondStep
                ? std::string(
                      "继续工作，留意状态\n当前只检查和保存，不退出应用，不关闭正在使用的页面。")
                : std::string(family.second)};
}

Framing framingFor(const AdvicePlan& plan, bool watching) {
    if (watching) {
        return {"先检查，暂不中断工作", "当前只检查与保存，不退出应用", plan.evidence,
                "先确认任务状态，保存当前工作。", "都在使用？继续工作，留意后续状态。"};
    }
    return {"先保存，再减少占用", "保存后，只处理确认不用的对象", plan.evidence,
            "任务与传输已结束，改动已保存，并且暂时不用。",
            "都在使用？先保存工作，暂不增加新任务；不要强制退出。"};
}

Framing noPlanFraming() {
    return {"目前无需处理", "不必为了内存数字关闭应用", "当前没有需要缓解的风险。",
            "不必为了内存数字关闭应用。", "可以继续工作并留意后续状态。"};
}

Framing recoveredFraming() {
    return {"当前风险已经恢复", "风险已恢复，不要继续执行退出步骤", "当前已无需要处理的风险。",
            "不要继续执行刚才的退出步骤。后续风险再次升高时，请重新查看建议。", "可以继续工作。"};
}

std::string fullText(const AdvicePlan& plan) {
    std::string text = "完整保护条件：" + plan.condition;
    for (const std::string& step : plan.steps) {
        text += '\n' + step;
    }
    return text + '\n' + plan.fallback;
}

std::string sourceText(const AdvicePlan& plan) {
    return "规则依据 · " + plan.id + '\n' + plan.source;
}

}  // namespace tidemark::ConciseSteps
