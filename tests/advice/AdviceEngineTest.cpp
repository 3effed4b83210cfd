#include "advice/AdviceEngine.h"

#include <string_view>
#include <utility>

#include <gtest/gtest.h>

#include "core/PlatformTexts.h"

namespace tidemark {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;
constexpr std::uint64_t kFloorBytes = 805'306'368;  // 768 MiB
const std::string kSystem = "system.inspect.v1";

AppMemory app(std::string name, std::uint64_t residentBytes,
              std::optional<std::string> bundle = std::nullopt) {
    return AppMemory{std::move(name), std::move(bundle), residentBytes, 1};
}

bool onlySystemPlan(const std::vector<AdvicePlan>& plans) {
    return plans.size() == 1 && plans[0].id == kSystem;
}

TEST(AdviceEngine, SystemPlanWhenNothingQualifiesAndSwapGrowthThreshold) {
    EXPECT_TRUE(onlySystemPlan(AdviceEngine::plans(RiskLevel::warning, {}, 16 * kGiB, {})));
    // No physical-memory figure: no share can be computed.
    EXPECT_TRUE(
        onlySystemPlan(AdviceEngine::plans(RiskLevel::critical, {app("Big", 8 * kGiB)}, 0, 1)));
    EXPECT_TRUE(AdviceEngine::plans(RiskLevel::safe, {app("Big", 8 * kGiB)}, 16 * kGiB, 1).empty());
    // The watch rules are for applications only.
    EXPECT_EQ(AdviceEngine::plans(RiskLevel::watch, {}, 16 * kGiB, 1).at(0).steps.size(), 3u);

    const std::string heavy = "系统正在频繁腾挪内存；没有足够依据指向单个应用。";
    const std::string plain = "系统风险升高，但没有足够依据指向单个应用。";
    const std::vector<std::pair<std::optional<std::int64_t>, std::string>> cases{
        {268'435'456, heavy}, {268'435'455, plain}, {std::nullopt, plain}};
    for (const auto& [growth, evidence] : cases) {
        EXPECT_EQ(AdviceEngine::plans(RiskLevel::warning, {}, 16 * kGiB, growth).at(0).evidence,
                  evidence);
    }
}

TEST(AdviceEngine, FloorShareAndFirstThreeBoundaries) {
    struct Case {
        RiskLevel level;
        std::uint64_t residentBytes, physicalBytes;
        bool qualifies;
    };
    const Case cases[] = {
        {RiskLevel::warning, kFloorBytes, kGiB, true},
        {RiskLevel::warning, kFloorBytes - 1, kGiB, false},
        {RiskLevel::critical, 8 * kGiB, 100 * kGiB, true},  // exactly 0.08
        {RiskLevel::critical, 8 * kGiB - 1, 100 * kGiB, false},
        {RiskLevel::watch, 12 * kGiB, 100 * kGiB, true},  // exactly 0.12
        {RiskLevel::watch, 10 * kGiB, 100 * kGiB, false},
    };
    for (const Case& c : cases) {
        const auto plans =
            AdviceEngine::plans(c.level, {app("Tool", c.residentBytes)}, c.physicalBytes, 0);
        EXPECT_EQ(plans.at(0).id != kSystem, c.qualifies) << c.residentBytes;
    }

    const auto plans = AdviceEngine::plans(
        RiskLevel::warning,
        {app("A", 4 * kGiB), app("Small", kGiB), app("C", 3 * kGiB), app("Huge", 12 * kGiB)},
        16 * kGiB, std::nullopt);
    ASSERT_EQ(plans.size(), 2u);
    EXPECT_EQ(plans[0].target, "A");
    EXPECT_EQ(plans[1].target, "C");
}

TEST(AdviceEngine, FamilyMatching) {
    struct Case {
        std::string name;
        std::optional<std::string> bundle;
        std::string family;
    };
    const std::vector<Case> cases{
        {"Google Chrome", std::nullopt, "chrome"},
        {"Chrome Beta", std::nullopt, "app"},
        {"Chrome", "com.google.chrome", "app"},
        {"Helper", "com.google.Chrome", "chrome"},
        {"ChatGPT", std::nullopt, "chatgpt"},
        {"Helper", "com.openai.chat", "chatgpt"},
        {"CODEX", std::nullopt, "codex"},
        {"Helper", "com.openai.codex", "codex"},
        {"微信", std::nullopt, "communication"},
        {"Microsoft Edge", std::nullopt, "browser"},
        // Unicode lower-casing: KELVIN SIGN becomes "k"; a Cyrillic С stays Cyrillic.
        {"\u212Awin_x11", std::nullopt, "system.protected"},
        // A Mac's own processes are ordinary names here.
        {"WindowServer", std::nullopt, "app"},
        {"kernel_task", std::nullopt, "app"},
        {"\u0421hrome", std::nullopt, "app"},
    };
    for (const Case& c : cases) {
        const std::string id = c.family == "system.protected" ? c.family + ".warning.v1"
                                                              : c.family + ".inspect.warning.v1";
        EXPECT_EQ(AdviceEngine::plan(RiskLevel::warning, app(c.name, kGiB, c.bundle)).id, id)
            << c.name;
    }
    // Quitting the display server, the desktop shell or the service manager
    // ends the session: such a process only ever gets the protected plan.
    for (const char* name :
         {"Xorg", "Xwayland", "gnome-shell", "mutter", "kwin_wayland", "kwin_x11", "plasmashell",
          "cinnamon", "xfwm4", "sway", "systemd", "systemd-journald"}) {
        EXPECT_EQ(AdviceEngine::plan(RiskLevel::critical, app(name, 4 * kGiB)).id,
                  "system.protected.critical.v1")
            << name;
    }
}

TEST(AdviceEngine, NamesStayLiteralAndWatchPlansOnlyInspect) {
    const AdvicePlan general =
        AdviceEngine::plan(RiskLevel::critical, app("<b>x</b>", 3 * kGiB / 2));
    EXPECT_EQ(general.summary, "请立即保存工作。确认 <b>x</b> 是否暂不使用。");
    EXPECT_EQ(
        general.evidence,
        "<b>x</b> 合计占用约 1.5 GB。系统风险升高；此排名不能证明它导致卡顿，也没有连续增长证据。");

    // A watch plan only inspects: the quit step gives way to a check-only one.
    const AdvicePlan watch = AdviceEngine::plan(RiskLevel::watch, app("Google Chrome", kGiB));
    EXPECT_EQ(watch.id, "chrome.inspect.watch.v1");
    EXPECT_TRUE(watch.condition.starts_with("当前仅检查，不执行退出。若状态变红，再确认："))
        << watch.condition;
    ASSERT_EQ(watch.steps.size(), 2u);
    EXPECT_EQ(watch.steps[1],
              "当前只做检查和正常保存，不退出应用、不关闭正在使用的页面。"
              "没有适用对象时继续工作，留意后续状态。");
}

// Each family's last step is the one that names a shortcut or a tool, so it
// must be the running desktop's own.
TEST(AdviceEngine, StepsUseTheDesktopsShortcutsAndTools) {
    const PlatformTexts& texts = platformTexts();
    const std::vector<std::pair<AppMemory, std::string_view>> cases{
        {app("Google Chrome", kGiB), texts.chromeCloseTabStep},
        {app("ChatGPT", kGiB), texts.chatGptQuitStep},
        {app("Codex", kGiB), texts.codexQuitStep},
        {app("Lark", kGiB), texts.communicationQuitStep},
        {app("Microsoft Edge", kGiB), texts.browserCloseTabStep},
        {app("Tool", kGiB), texts.generalQuitStep},
    };
    for (const auto& [application, step] : cases) {
        EXPECT_EQ(AdviceEngine::plan(RiskLevel::warning, application).steps.back(), step)
            << application.name;
    }
    // Nothing in the protected plan tells the user to quit the process.
    EXPECT_EQ(AdviceEngine::plan(RiskLevel::critical, app("gnome-shell", kGiB)).steps,
              (std::vector<std::string>{std::string(texts.protectedOpenMonitorStep),
                                        std::string(texts.protectedKeepStep)}));
}

}  // namespace
}  // namespace tidemark
