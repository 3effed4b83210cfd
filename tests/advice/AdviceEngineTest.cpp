#include "advice/AdviceEngine.h"

#include <map>
#include <string_view>
#include <utility>

#include <gtest/gtest.h>

#include "core/PlatformTexts.h"

namespace tidemark {
namespace {

constexpr std::uint64_t kMiB = 1ull << 20;
constexpr std::uint64_t kGiB = 1ull << 30;
constexpr std::uint64_t kFloorBytes = 805'306'368;  // 768 MiB
const std::string kSystem = "system.inspect.v1";

// Resident memory counts shared pages once per process, so it runs well above
// what closing the application frees; only the latter may decide.
AppMemory app(std::string name, std::uint64_t footprintBytes,
              std::optional<std::string> bundle = std::nullopt) {
    return AppMemory{std::move(name), std::move(bundle), 2 * footprintBytes, 1, footprintBytes, {}};
}

AppMemory growing(std::string name, std::uint64_t footprintBytes, std::uint64_t grewBytes,
                  double seconds) {
    AppMemory out = app(std::move(name), footprintBytes);
    out.growth = MemoryGrowth{grewBytes, seconds};
    return out;
}

const std::map<AdviceFamily, std::string_view> kPrefixes{
    {AdviceFamily::chrome, "chrome.inspect"},
    {AdviceFamily::chatGpt, "chatgpt.inspect"},
    {AdviceFamily::codex, "codex.inspect"},
    {AdviceFamily::communication, "communication.inspect"},
    {AdviceFamily::browser, "browser.inspect"},
    {AdviceFamily::firefox, "firefox.inspect"},
    {AdviceFamily::systemProtected, "system.protected"},
    {AdviceFamily::general, "app.inspect"},
};

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
        std::uint64_t footprintBytes, physicalBytes;
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
            AdviceEngine::plans(c.level, {app("Tool", c.footprintBytes)}, c.physicalBytes, 0);
        EXPECT_EQ(plans.at(0).id != kSystem, c.qualifies) << c.footprintBytes;
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
    using F = AdviceFamily;
    struct Case {
        std::string name;
        std::optional<std::string> bundle;
        F family;
    };
    // The Firefox steps are only offered where the platform words them.
    const F firefox = platformTexts().firefoxCloseTabStep.empty() ? F::general : F::firefox;
    const std::vector<Case> cases{
        {"Google Chrome", std::nullopt, F::chrome},
        {"Chrome Beta", std::nullopt, F::general},
        {"Chrome", "com.google.chrome", F::general},
        {"Helper", "com.google.Chrome", F::chrome},
        // Chromium shares Chrome's task manager and its steps.
        {"Chromium", std::nullopt, F::chrome},
        {"ChatGPT", std::nullopt, F::chatGpt},
        {"Helper", "com.openai.chat", F::chatGpt},
        {"CODEX", std::nullopt, F::codex},
        {"Helper", "com.openai.codex", F::codex},
        {"微信", std::nullopt, F::communication},
        {"Microsoft Edge", std::nullopt, F::browser},
        {"microsoft-edge", std::nullopt, F::browser},
        {"Firefox", std::nullopt, firefox},
        {"Firefox ESR", std::nullopt, firefox},
        // Unicode lower-casing: KELVIN SIGN becomes "k"; a Cyrillic С stays Cyrillic.
        {"\u212Awin_x11", std::nullopt, F::systemProtected},
        // A Mac's own processes are ordinary names here.
        {"WindowServer", std::nullopt, F::general},
        {"kernel_task", std::nullopt, F::general},
        {"\u0421hrome", std::nullopt, F::general},
    };
    for (const Case& c : cases) {
        const AdvicePlan plan = AdviceEngine::plan(RiskLevel::warning, app(c.name, kGiB, c.bundle));
        EXPECT_EQ(plan.id, std::string(kPrefixes.at(c.family)) + ".warning.v1") << c.name;
        EXPECT_EQ(plan.family, c.family) << c.name;
        EXPECT_EQ(plan.level, RiskLevel::warning);
    }
    // Quitting the display server, the desktop shell or the service manager
    // ends the session: such a process only ever gets the protected plan.
    for (const char* name : {"Xorg", "gnome-shell", "systemd"}) {
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

// Each family's last step is the one that names a shortcut or a tool, and
// its source the help that backs it: both must be the running desktop's own.
TEST(AdviceEngine, StepsAndSourcesAreTheDesktopsOwn) {
    const PlatformTexts& texts = platformTexts();
    const bool firefox = !texts.firefoxCloseTabStep.empty();
    const struct {
        AppMemory application;
        std::string_view step, source;
    } cases[] = {
        {app("Google Chrome", kGiB), texts.chromeCloseTabStep, texts.chromeSource},
        {app("ChatGPT", kGiB), texts.chatGptQuitStep, texts.defaultSource},
        {app("Codex", kGiB), texts.codexQuitStep, texts.defaultSource},
        {app("Lark", kGiB), texts.communicationQuitStep, texts.defaultSource},
        {app("Microsoft Edge", kGiB), texts.browserCloseTabStep, texts.browserSource},
        {app("Firefox", kGiB), firefox ? texts.firefoxCloseTabStep : texts.generalQuitStep,
         firefox ? texts.firefoxSource : texts.defaultSource},
        {app("Tool", kGiB), texts.generalQuitStep, texts.defaultSource},
    };
    for (const auto& c : cases) {
        const AdvicePlan plan = AdviceEngine::plan(RiskLevel::warning, c.application);
        EXPECT_EQ(plan.steps.back(), c.step) << c.application.name;
        EXPECT_EQ(plan.source, c.source) << c.application.name;
    }
    // Nothing in the protected plan tells the user to quit the process.
    EXPECT_EQ(AdviceEngine::plan(RiskLevel::critical, app("gnome-shell", kGiB)).steps,
              (std::vector<std::string>{std::string(texts.protectedOpenMonitorStep),
                                        std::string(texts.protectedKeepStep)}));
    EXPECT_EQ(AdviceEngine::plans(RiskLevel::warning, {}, 0, {}).at(0).source, texts.systemSource);
}

// A growing application is the likely cause of the shortage: it is offered
// first when it qualifies at all, and its evidence says how fast it grew.
TEST(AdviceEngine, GrowingApplicationComesFirstAndNamesItsGrowth) {
    const auto targets = [](const std::vector<AppMemory>& apps, RiskLevel level) {
        std::vector<std::string> out;
        for (const AdvicePlan& plan : AdviceEngine::plans(level, apps, 16 * kGiB, {})) {
            out.push_back(plan.target);
        }
        return out;
    };
    using Names = std::vector<std::string>;
    const AppMemory big = app("Big", 6 * kGiB), mid = app("Mid", 3 * kGiB);
    EXPECT_EQ(targets({big, mid, growing("Leak", 2 * kGiB, kGiB, 300)}, RiskLevel::warning),
              (Names{"Leak", "Big", "Mid"}));
    // Two growing ones keep the caller's order between them.
    EXPECT_EQ(targets({big, growing("A", 3 * kGiB, kGiB, 300), growing("B", 2 * kGiB, kGiB, 300)},
                      RiskLevel::critical),
              (Names{"A", "B", "Big"}));
    // Growth changes the order, never who qualifies: below the share at
    // watch, below the floor, or fourth in the list, it is not offered.
    EXPECT_EQ(targets({big, growing("Leak", 1536 * kMiB, kGiB, 300)}, RiskLevel::watch),
              (Names{"Big"}));
    EXPECT_EQ(targets({big, growing("Leak", 700 * kMiB, kGiB, 300)}, RiskLevel::critical),
              (Names{"Big"}));
    EXPECT_EQ(targets({big, mid, mid, growing("Leak", 2 * kGiB, kGiB, 300)}, RiskLevel::warning),
              (Names{"Big", "Mid", "Mid"}));

    const struct {
        std::uint64_t grew;
        double seconds;
        std::string_view said;
    } spans[] = {
        {1288490189, 300, "过去 5 分钟增长约 1.2 GB"},
        {600 * kMiB, 40, "过去 1 分钟内增长约 600 MB"},
        {kGiB, 100, "过去 2 分钟增长约 1 GB"},
    };
    for (const auto& s : spans) {
        EXPECT_EQ(
            AdviceEngine::plan(RiskLevel::warning, growing("Leak", 2 * kGiB, s.grew, s.seconds))
                .evidence,
            "Leak 合计占用约 2 GB，" + std::string(s.said) +
                "。系统风险升高；它仍在增长，很可能是内存紧张的来源。");
    }
}

}  // namespace
}  // namespace tidemark
