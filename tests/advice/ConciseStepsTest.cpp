#include "advice/ConciseSteps.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "advice/AdviceEngine.h"
#include "core/PlatformTexts.h"

namespace tidemark {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

std::vector<std::string> titles(const std::vector<std::string>& steps) {
    std::vector<std::string> out;
    for (const std::string& step : steps) {
        out.push_back(step.substr(0, step.find('\n')));
    }
    return out;
}

// The window reads the plan's family and level, never its identifier or its
// wording: rewording a plan leaves what the window shows as it was.
TEST(ConciseSteps, FollowTheTypedFamilyAndLevelNotTheWording) {
    using Titles = std::vector<std::string>;
    const Titles pages{"检查暂不用的网页", "正常关闭暂不用的标签页"};
    const Titles watchPages{"检查暂不用的网页", "继续工作，留意状态"};
    const Titles system{"检查普通应用", "保护系统后台"};
    const bool firefox = !platformTexts().firefoxCloseTabStep.empty();
    const struct {
        const char* name;  // nullptr: nothing qualifies, the system plan
        RiskLevel level;
        Titles expected;
    } cases[] = {
        {"Google Chrome", RiskLevel::critical, pages},
        {"Chromium", RiskLevel::watch, watchPages},
        {"Firefox ESR", RiskLevel::warning,
         firefox ? pages : Titles{"确认工作已保存", "正常退出暂不用的应用"}},
        {"Codex", RiskLevel::critical, {"检查任务与终端", "正常关闭暂不用的对象"}},
        {"gnome-shell", RiskLevel::watch, system},
        {"Notes", RiskLevel::critical, {"确认工作已保存", "正常退出暂不用的应用"}},
        {nullptr, RiskLevel::watch, system},
    };
    for (const auto& c : cases) {
        const AdvicePlan plan =
            c.name ? AdviceEngine::plan(c.level, {c.name, std::nullopt, 4 * kGiB, 1, 2 * kGiB, {}})
                   : AdviceEngine::plans(c.level, {}, 16 * kGiB, {}).at(0);
        SCOPED_TRACE(plan.id);
        const bool watching = ConciseSteps::isWatching(plan);
        EXPECT_EQ(watching, c.level == RiskLevel::watch);
        const std::vector<std::string> steps = ConciseSteps::forPlan(plan, watching);
        EXPECT_EQ(titles(steps), c.expected);

        AdvicePlan reworded = plan;
        reworded.id = watching ? "codex.inspect.critical.v1" : "chrome.inspect.watch.v1";
        reworded.summary = watching ? "请立即保存工作。" : "继续工作；先检查。";
        EXPECT_EQ(ConciseSteps::isWatching(reworded), watching);
        EXPECT_EQ(ConciseSteps::forPlan(reworded, watching), steps);
    }
}

}  // namespace
}  // namespace tidemark
