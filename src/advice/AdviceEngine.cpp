#include "advice/AdviceEngine.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Formatting.h"
#include "core/PlatformTexts.h"
#include "core/TextCase.h"

namespace tidemark {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kDefaultSource = "Apple：正常退出 App；应用专属路径未验证";

struct Family {
    std::string_view prefix;
    std::span<const std::string_view> bundleIdentifiers;
    std::span<const std::string_view> names;
    std::string_view watchAction;
    std::string_view action;
    std::string_view condition;
    std::span<const std::string_view> steps;
    std::string_view source;
};

constexpr std::array kChromeBundles = {"com.google.Chrome"sv};
constexpr std::array kChromeNames = {"google chrome"sv, "chrome"sv};
constexpr std::array kChatGptBundles = {"com.openai.chat"sv};
constexpr std::array kChatGptNames = {"chatgpt"sv};
constexpr std::array kCodexBundles = {"com.openai.codex"sv};
constexpr std::array kCodexNames = {"codex"sv};
constexpr std::array kCommunicationBundles = {"com.tencent.xinWeChat"sv, "com.tencent.WeChat"sv,
                                              "com.bytedance.Lark"sv};
constexpr std::array kCommunicationNames = {"微信"sv, "wechat"sv, "飞书"sv, "lark"sv};
constexpr std::array kBrowserBundles = {"com.apple.Safari"sv, "com.microsoft.edgemac"sv};
constexpr std::array kBrowserNames = {"safari"sv, "microsoft edge"sv};

constexpr std::string_view kOrdinaryAppCondition =
    "已保存内容、确认没有正在执行的任务，且该应用暂不需要使用。";

// The steps that name a shortcut or a system tool come from the platform's
// table; the rest are the same everywhere.
struct FamilyTable {
    explicit FamilyTable(const PlatformTexts& texts)
        : chromeSteps{"打开 Chrome 右上角 ⋮ → 更多工具 → 任务管理器，按内存列排序。"sv,
                      "根据页面名称定位占用较高的标签；不能把浏览器、GPU 或扩展进程当普通页面关闭。"sv,
                      texts.chromeCloseTabStep},
          chatGptSteps{
              "切回 ChatGPT，检查是否仍在生成回答、上传文件或语音会话；潮痕无法读取这些状态。"sv,
              "将未发送的文字另行保存。对话列表不是浏览器标签，不建议删除对话。"sv,
              texts.chatGptQuitStep},
          codexSteps{"在 Codex 检查各任务和终端是否还在运行；潮痕不能读取任务执行状态。"sv,
                     "先等正在执行的任务结束，并在编辑器保存文件；不要为降占用强制中断任务。"sv,
                     texts.codexQuitStep},
          communicationSteps{"切回通信应用检查传输列表、通话及未发送内容；不要假定占用来自缓存。"sv,
                             "等文件传输和通话结束，保存需要保留的未发送文字。"sv,
                             texts.communicationQuitStep},
          browserSteps{"切回浏览器，逐个确认暂不用的视频或大型页面；潮痕不知道具体页面。"sv,
                       texts.browserCloseTabStep},
          protectedSteps{texts.protectedOpenMonitorStep, texts.protectedKeepStep} {
        for (const SystemProcessName& process : texts.systemProcesses) {
            protectedNames.push_back(process.key);
        }
        families = {{
            {"chrome.inspect", kChromeBundles, kChromeNames,
             "打开 Chrome 任务管理器定位页面，暂不结束任务。",
             "在 Chrome 中定位并正常关闭暂不用的高占用页面。",
             "只处理你确认不需要、没有未保存内容或上传任务的页面。", chromeSteps,
             "Google Chrome：提升运行速度；Apple：内存压力说明（路径核实，效果待验证）"},
            {"chatgpt.inspect", kChatGptBundles, kChatGptNames,
             "确认回答或上传是否结束，暂不重启 ChatGPT。",
             "确认 ChatGPT 没有进行中的回答或上传，再决定是否正常退出。",
             "回答、语音和上传均已结束；未发送内容已复制保存；暂时不用 ChatGPT。", chatGptSteps,
             kDefaultSource},
            {"codex.inspect", kCodexBundles, kCodexNames, "检查 Codex 运行中的任务，暂不中断。",
             "等 Codex 当前任务结束，保存改动后再决定是否退出。",
             "你已确认没有运行中的任务、终端操作或待保存改动，并且暂时不用 Codex。", codexSteps,
             kDefaultSource},
            {"communication.inspect", kCommunicationBundles, kCommunicationNames,
             "检查文件传输；暂不用时再正常退出通信应用。",
             "检查文件传输；暂不用时再正常退出通信应用。",
             "没有进行中的文件传输、通话，未发送文字已保存；暂时不用。", communicationSteps,
             kDefaultSource},
            {"browser.inspect", kBrowserBundles, kBrowserNames,
             "检查暂不用的页面，保存后正常关闭标签。", "检查暂不用的页面，保存后正常关闭标签。",
             kOrdinaryAppCondition, browserSteps, kDefaultSource},
            // No bundle identifiers: a bundled application that calls itself
            // WindowServer is an ordinary application, not the system's.
            {"system.protected",
             {},
             protectedNames,
             "不要结束系统进程；先检查暂不用的普通应用。",
             "不要结束系统进程；先检查暂不用的普通应用。",
             "系统进程不作为可退出的缓解对象；内存占用不能证明温度或硬件故障。",
             protectedSteps,
             kDefaultSource},
        }};
    }
    FamilyTable(const FamilyTable&) = delete;
    FamilyTable& operator=(const FamilyTable&) = delete;

    std::array<std::string_view, 3> chromeSteps;
    std::array<std::string_view, 3> chatGptSteps;
    std::array<std::string_view, 3> codexSteps;
    std::array<std::string_view, 3> communicationSteps;
    std::array<std::string_view, 2> browserSteps;
    std::array<std::string_view, 2> protectedSteps;
    std::vector<std::string_view> protectedNames;
    std::array<Family, 6> families;
};

const std::array<Family, 6>& families() {
    static const FamilyTable table(platformTexts());
    return table.families;
}

bool contains(std::span<const std::string_view> list, std::string_view value) {
    for (std::string_view entry : list) {
        if (entry == value) {
            return true;
        }
    }
    return false;
}

// A present bundle identifier decides alone: an unlisted one is never
// rescued by a familiar-looking name.
const Family* recognise(const AppMemory& app) {
    if (app.bundleIdentifier) {
        for (const Family& family : families()) {
            if (contains(family.bundleIdentifiers, *app.bundleIdentifier)) {
                return &family;
            }
        }
        return nullptr;
    }
    const std::string name = lowercased(app.name);
    for (const Family& family : families()) {
        if (contains(family.names, name)) {
            return &family;
        }
    }
    return nullptr;
}

std::string_view saveInstruction(RiskLevel level) {
    switch (level) {
        case RiskLevel::critical:
            return "请立即保存工作。";
        case RiskLevel::warning:
            return "先保存工作。";
        case RiskLevel::watch:
        case RiskLevel::safe:
            break;
    }
    return "可以继续工作。";
}

std::string join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view part : parts) {
        out.append(part);
    }
    return out;
}

// Below this growth over five minutes, swapping is not called out as heavy.
constexpr std::int64_t kHeavySwapGrowthBytes = 268'435'456;

AdvicePlan systemPlan(RiskLevel level, std::optional<std::int64_t> swapGrowthFiveMinutesBytes) {
    const bool heavySwapping =
        swapGrowthFiveMinutesBytes && *swapGrowthFiveMinutesBytes >= kHeavySwapGrowthBytes;
    return AdvicePlan{
        .id = "system.inspect.v1",
        .target = "系统整体",
        .summary = level == RiskLevel::watch ? "继续工作；先检查是否有暂不用的应用。"
                                             : "先保存工作，再检查暂不用的应用。",
        .evidence = heavySwapping ? "系统正在频繁腾挪内存；没有足够依据指向单个应用。"
                                  : "系统风险升高，但没有足够依据指向单个应用。",
        .condition = "仅处理你确认暂不使用、已保存且没有运行任务的应用。",
        .steps = {std::string(platformTexts().systemOpenMonitorStep),
                  std::string(platformTexts().systemReviewStep),
                  "若找到暂不用的应用，先切回该应用保存，再从其菜单正常退出；不要结束系统进程。"},
        .fallback = "若所有应用都在使用，先保全工作，等待当前任务完成；不要为了降低数字强制退出。",
        .source = "Apple：活动监视器内存说明 / 正常退出 App（路径核实，效果待真实事件验证）",
    };
}

// Applications below 768 MiB are never singled out, however small the machine.
bool belowFloor(std::uint64_t residentBytes) {
    return residentBytes >> 28 < 3;
}

bool qualifies(RiskLevel level, const AppMemory& app, std::uint64_t physicalMemoryBytes) {
    if (physicalMemoryBytes == 0 || belowFloor(app.residentBytes)) {
        return false;
    }
    const double share =
        static_cast<double>(app.residentBytes) / static_cast<double>(physicalMemoryBytes);
    return share >= (level == RiskLevel::watch ? 0.12 : 0.08);
}

}  // namespace

namespace AdviceEngine {

std::vector<AdvicePlan> plans(RiskLevel level, const std::vector<AppMemory>& applications,
                              std::uint64_t physicalMemoryBytes,
                              std::optional<std::int64_t> swapGrowthFiveMinutesBytes) {
    std::vector<AdvicePlan> result;
    if (level == RiskLevel::safe) {
        return result;
    }
    const size_t considered = std::min<size_t>(applications.size(), 3);
    for (size_t i = 0; i < considered; ++i) {
        if (qualifies(level, applications[i], physicalMemoryBytes)) {
            result.push_back(plan(level, applications[i]));
        }
    }
    if (result.empty()) {
        result.push_back(systemPlan(level, swapGrowthFiveMinutesBytes));
    }
    return result;
}

AdvicePlan plan(RiskLevel level, const AppMemory& app) {
    const Family* family = recognise(app);
    AdvicePlan out;
    out.id = join({family ? family->prefix : "app.inspect"sv, "."sv, toString(level), ".v1"sv});
    out.target = app.name;
    if (family) {
        out.summary = join({saveInstruction(level),
                            level == RiskLevel::watch ? family->watchAction : family->action});
        out.condition = family->condition;
        out.steps.assign(family->steps.begin(), family->steps.end());
        out.source = family->source;
    } else {
        out.summary = join({saveInstruction(level), "确认 "sv, app.name, " 是否暂不使用。"sv});
        out.condition = kOrdinaryAppCondition;
        out.steps = {
            join({"切回 "sv, app.name, "，保存未保存内容，并确认没有上传、下载或运行中的任务。"sv}),
            std::string(platformTexts().generalQuitStep)};
        out.source = kDefaultSource;
    }
    out.evidence = join({app.name, " 合计占用约 "sv, formatBytes(app.residentBytes),
                         "。系统风险升高；此排名不能证明它导致卡顿，也没有连续增长证据。"sv});
    out.fallback =
        "找不到对应菜单或不能满足保护条件时，不执行退出；可换一个暂不用的对象。"
        "复查未改善时检查其他对象，不反复重启同一应用。";
    if (level == RiskLevel::watch) {
        // While only watching, nothing is to be quit: keep the first
        // (inspecting) step and replace the rest.
        out.condition = join({"当前仅检查，不执行退出。若状态变红，再确认："sv, out.condition});
        out.steps.resize(1);
        out.steps.emplace_back(
            "当前只做检查和正常保存，不退出应用、不关闭正在使用的页面。没有适用对象时继续工作，"
            "留意后续状态。");
    }
    return out;
}

}  // namespace AdviceEngine

}  // namespace tidemark
