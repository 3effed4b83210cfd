#include "advice/AdviceEngine.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tidemark {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;
constexpr std::uint64_t kFloorBytes = 805'306'368;  // 768 MiB

AppMemory app(std::string name, std::uint64_t residentBytes,
              std::optional<std::string> bundle = std::nullopt) {
    return AppMemory{std::move(name), std::move(bundle), residentBytes, 1};
}

std::vector<std::string> ids(const std::vector<AdvicePlan>& plans) {
    std::vector<std::string> out;
    for (const AdvicePlan& p : plans) {
        out.push_back(p.id);
    }
    return out;
}

using Ids = std::vector<std::string>;

TEST(AdviceEngine, SystemPlanWhenNothingQualifies) {
    const AdvicePlan expected{
        "system.inspect.v1",
        "系统整体",
        "先保存工作，再检查暂不用的应用。",
        "系统风险升高，但没有足够依据指向单个应用。",
        "仅处理你确认暂不使用、已保存且没有运行任务的应用。",
        {"用聚焦搜索打开“活动监视器”，选择“内存”。",
         "查看底部内存压力，再按“内存”列检查主要占用；数字高不代表异常。",
         "若找到暂不用的应用，先切回该应用保存，再从其菜单正常退出；不要结束系统进程。"},
        "若所有应用都在使用，先保全工作，等待当前任务完成；不要为了降低数字强制退出。",
        "Apple：活动监视器内存说明 / 正常退出 App（路径核实，效果待真实事件验证）"};
    EXPECT_EQ(AdviceEngine::plans(RiskLevel::warning, {}, 16 * kGiB, std::nullopt),
              std::vector{expected});
    // No physical-memory figure: no share can be computed.
    EXPECT_EQ(
        AdviceEngine::plans(RiskLevel::critical, {app("Big", 8 * kGiB)}, 0, std::nullopt).at(0).id,
        "system.inspect.v1");
    EXPECT_TRUE(AdviceEngine::plans(RiskLevel::safe, {app("Big", 8 * kGiB)}, 16 * kGiB, 1).empty());

    const auto watch = AdviceEngine::plans(RiskLevel::watch, {}, 16 * kGiB, std::nullopt);
    EXPECT_EQ(watch.at(0).id, "system.inspect.v1");
    EXPECT_EQ(watch.at(0).summary, "继续工作；先检查是否有暂不用的应用。");
    EXPECT_EQ(watch.at(0).steps.size(), 3u);  // the watch rules are for applications only
}

TEST(AdviceEngine, SwapGrowthThresholdForSystemEvidence) {
    const std::string heavy = "系统正在频繁腾挪内存；没有足够依据指向单个应用。";
    const std::string plain = "系统风险升高，但没有足够依据指向单个应用。";
    auto evidence = [](std::optional<std::int64_t> growth) {
        return AdviceEngine::plans(RiskLevel::warning, {}, 16 * kGiB, growth).at(0).evidence;
    };
    EXPECT_EQ(evidence(268'435'456), heavy);
    EXPECT_EQ(evidence(INT64_MAX), heavy);
    EXPECT_EQ(evidence(268'435'455), plain);
    EXPECT_EQ(evidence(INT64_MIN), plain);
    EXPECT_EQ(evidence(std::nullopt), plain);
}

TEST(AdviceEngine, FloorAndShareBoundaries) {
    auto qualifying = [](RiskLevel level, std::uint64_t residentBytes, std::uint64_t physical) {
        return AdviceEngine::plans(level, {app("Tool", residentBytes)}, physical, std::nullopt)
                   .at(0)
                   .id != "system.inspect.v1";
    };
    EXPECT_TRUE(qualifying(RiskLevel::warning, kFloorBytes, kGiB));
    EXPECT_FALSE(qualifying(RiskLevel::warning, kFloorBytes - 1, kGiB));
    EXPECT_FALSE(qualifying(RiskLevel::warning, 700ull << 20, 3500ull << 20));  // 20 %

    EXPECT_TRUE(qualifying(RiskLevel::warning, 8 * kGiB, 100 * kGiB));  // exactly 0.08
    EXPECT_TRUE(qualifying(RiskLevel::critical, 8 * kGiB, 100 * kGiB));
    EXPECT_FALSE(qualifying(RiskLevel::critical, 8 * kGiB - 1, 100 * kGiB));
    EXPECT_TRUE(qualifying(RiskLevel::watch, 12 * kGiB, 100 * kGiB));  // exactly 0.12
    EXPECT_FALSE(qualifying(RiskLevel::watch, 10 * kGiB, 100 * kGiB));
}

TEST(AdviceEngine, OnlyTheFirstThreeApplicationsInOrder) {
    const std::vector apps{app("A", 4 * kGiB), app("Small", kGiB), app("C", 3 * kGiB),
                           app("Huge", 12 * kGiB)};
    const auto plans = AdviceEngine::plans(RiskLevel::warning, apps, 16 * kGiB, std::nullopt);
    EXPECT_EQ(ids(plans), (Ids{"app.inspect.warning.v1", "app.inspect.warning.v1"}));
    EXPECT_EQ(plans.at(0).target, "A");
    EXPECT_EQ(plans.at(1).target, "C");

    const std::vector tail{app("a", kGiB / 2), app("b", kGiB / 2), app("c", kGiB / 2),
                           app("Huge", 12 * kGiB)};
    EXPECT_EQ(ids(AdviceEngine::plans(RiskLevel::warning, tail, 16 * kGiB, std::nullopt)),
              Ids{"system.inspect.v1"});
}

TEST(AdviceEngine, FamilyMatching) {
    struct Case {
        std::string name;
        std::optional<std::string> bundle;
        std::string id;
    };
    const std::vector<Case> cases{
        {"Google Chrome", std::nullopt, "chrome.inspect.warning.v1"},
        {"CHROME", std::nullopt, "chrome.inspect.warning.v1"},
        {"Chrome Beta", std::nullopt, "app.inspect.warning.v1"},
        {"Chrome", "com.example.Chrome", "app.inspect.warning.v1"},
        {"Chrome", "com.google.chrome", "app.inspect.warning.v1"},
        {"Helper", "com.google.Chrome", "chrome.inspect.warning.v1"},
        {"ChatGPT", "com.openai.chat", "chatgpt.inspect.warning.v1"},
        {"codex", std::nullopt, "codex.inspect.warning.v1"},
        {"微信", std::nullopt, "communication.inspect.warning.v1"},
        {"Feishu", "com.bytedance.Lark", "communication.inspect.warning.v1"},
        {"Microsoft Edge", std::nullopt, "browser.inspect.warning.v1"},
        {"WindowServer", std::nullopt, "system.protected.warning.v1"},
        {"WindowServer", "com.apple.WindowServer", "app.inspect.warning.v1"},
        // Unicode lower-casing: KELVIN SIGN becomes "k"; a Cyrillic С stays Cyrillic.
        {"\u212Aernel_task", std::nullopt, "system.protected.warning.v1"},
        {"\u0421hrome", std::nullopt, "app.inspect.warning.v1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AdviceEngine::plan(RiskLevel::warning, app(c.name, kGiB, c.bundle)).id, c.id)
            << c.name;
    }
}

TEST(AdviceEngine, ApplicationPlanTextsAndWatchRules) {
    const AdvicePlan general =
        AdviceEngine::plan(RiskLevel::critical, app("<b>x</b>", 3 * kGiB / 2));
    EXPECT_EQ(general.target, "<b>x</b>");
    EXPECT_EQ(general.summary, "请立即保存工作。确认 <b>x</b> 是否暂不使用。");
    EXPECT_EQ(
        general.evidence,
        "<b>x</b> 合计占用约 1.5 GB。系统风险升高；此排名不能证明它导致卡顿，也没有连续增长证据。");
    EXPECT_EQ(general.steps.at(0),
              "切回 <b>x</b>，保存未保存内容，并确认没有上传、下载或运行中的任务。");

    const AdvicePlan chrome = AdviceEngine::plan(RiskLevel::warning, app("Google Chrome", kGiB));
    EXPECT_EQ(chrome.summary, "先保存工作。在 Chrome 中定位并正常关闭暂不用的高占用页面。");
    EXPECT_EQ(chrome.steps.size(), 3u);
    EXPECT_EQ(chrome.condition, "只处理你确认不需要、没有未保存内容或上传任务的页面。");

    const AdvicePlan watch = AdviceEngine::plan(RiskLevel::watch, app("Google Chrome", kGiB));
    EXPECT_EQ(watch.id, "chrome.inspect.watch.v1");
    EXPECT_EQ(watch.summary, "可以继续工作。打开 Chrome 任务管理器定位页面，暂不结束任务。");
    EXPECT_EQ(watch.condition, "当前仅检查，不执行退出。若状态变红，再确认：" + chrome.condition);
    EXPECT_EQ(watch.steps,
              (std::vector<std::string>{chrome.steps.at(0),
                                        "当前只做检查和正常保存，不退出应用、不关闭正在使用的页面。"
                                        "没有适用对象时继续工作，留意后续状态。"}));
    EXPECT_EQ(watch.fallback, chrome.fallback);

    const AdvicePlan protectedWatch =
        AdviceEngine::plan(RiskLevel::watch, app("kernel_task", kGiB));
    EXPECT_EQ(protectedWatch.steps.size(), 2u);
    EXPECT_EQ(protectedWatch.steps.at(0),
              "用聚焦搜索打开“活动监视器” → 内存，查看压力和普通应用。");
}

TEST(AdviceEngine, JsonForm) {
    const AdvicePlan plan = AdviceEngine::plan(RiskLevel::warning, app("Safari", kGiB));
    const nlohmann::json json = toJson(plan);
    EXPECT_EQ(json.size(), 8u);
    EXPECT_EQ(json.at("id"), "browser.inspect.warning.v1");
    EXPECT_EQ(json.at("steps"), nlohmann::json(plan.steps));
    EXPECT_EQ(json.at("source"), "Apple：正常退出 App；应用专属路径未验证");
}

}  // namespace
}  // namespace tidemark
