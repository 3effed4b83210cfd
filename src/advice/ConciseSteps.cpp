#include "advice/ConciseSteps.h"

#include "advice/AdviceFamily.h"

namespace tidemark::ConciseSteps {

bool isWatching(const AdvicePlan& plan) {
    return plan.level == RiskLevel::watch;
}

std::vector<std::string> forPlan(const AdvicePlan& plan, bool watching) {
    const AdviceFamilyTexts& family = adviceFamily(plan.family);
    return {std::string(family.conciseFirst),
            std::string(watching ? family.conciseWatchSecond : family.conciseSecond)};
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
