#include "advice/AdviceFamily.h"

#include <array>
#include <string>
#include <vector>

#include "core/PlatformTexts.h"

namespace tidemark {

namespace {

using namespace std::string_view_literals;

constexpr std::array kChromeBundles = {"com.google.Chrome"sv, "org.chromium.Chromium"sv};
constexpr std::array kChromeNames = {"google chrome"sv, "chrome"sv, "chromium"sv,
                                     "chromium-browser"sv};
constexpr std::array kChatGptBundles = {"com.openai.chat"sv};
constexpr std::array kChatGptNames = {"chatgpt"sv};
constexpr std::array kCodexBundles = {"com.openai.codex"sv};
constexpr std::array kCodexNames = {"codex"sv};
constexpr std::array kCommunicationBundles = {"com.tencent.xinWeChat"sv, "com.tencent.WeChat"sv,
                                              "com.bytedance.Lark"sv};
constexpr std::array kCommunicationNames = {"微信"sv, "wechat"sv, "飞书"sv, "lark"sv};
constexpr std::array kBrowserBundles = {"com.apple.Safari"sv, "com.microsoft.edgemac"sv,
                                        "com.microsoft.Edge"sv};
constexpr std::array kBrowserNames = {"safari"sv, "microsoft edge"sv, "microsoft-edge"sv,
                                      "microsoft-edge-stable"sv, "msedge"sv};
constexpr std::array kFirefoxBundles = {"org.mozilla.firefox"sv};
constexpr std::array kFirefoxNames = {"firefox"sv, "firefox esr"sv, "firefox-esr"sv,
                                      "mozilla firefox"sv};

constexpr std::string_view kOrdinaryAppCondition =
    "已保存内容、确认没有正在执行的任务，且该应用暂不需要使用。";
constexpr std::string_view kPageCondition = "只处理你确认不需要、没有未保存内容或上传任务的页面。";

constexpr std::string_view kWatchSecond =
    "继续工作，留意状态\n当前只检查和保存，不退出应用，不关闭正在使用的页面。";
constexpr std::string_view kQuitAppSecond =
    "正常退出暂不用的应用\n只处理确认不用、已保存且没有运行任务的对象，从应用菜单退出。";
constexpr std::string_view kSystemFirst =
    "检查普通应用\n查看哪些应用暂时不用；高占用排名不能证明卡顿原因。";

// Built once from this system's wording: the steps that name a shortcut or
// a system tool, and every source, come from the platform's table.
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
          firefoxSteps{
              "在 Firefox 地址栏输入 about:processes 并回车，按“内存”列排序。"sv,
              "根据页面名称定位占用较高的标签；浏览器自身、GPU 和扩展的进程不是普通页面，不要结束它们。"sv,
              texts.firefoxCloseTabStep},
          protectedSteps{texts.protectedOpenMonitorStep, texts.protectedKeepStep},
          generalSteps{std::string_view(), texts.generalQuitStep},
          systemSteps{
              texts.systemOpenMonitorStep, texts.systemReviewStep,
              "若找到暂不用的应用，先切回该应用保存，再从其菜单正常退出；不要结束系统进程。"sv},
          systemSecond("保护系统后台\n" + std::string(texts.protectedKeepStep)) {
        for (const SystemProcessName& process : texts.systemProcesses) {
            protectedNames.push_back(process.key);
        }
        entries = {{
            {AdviceFamily::chrome, "chrome.inspect", kChromeBundles, kChromeNames,
             "打开 Chrome 任务管理器定位页面，暂不结束任务。",
             "在 Chrome 中定位并正常关闭暂不用的高占用页面。", kPageCondition, chromeSteps,
             texts.chromeSource,
             "检查暂不用的网页\n先查看标签页；需要进一步检查时，可打开 Chrome "
             "的任务管理器。不要结束浏览器、GPU 或扩展进程。",
             texts.conciseChromeCloseTabStep, kWatchSecond},
            {AdviceFamily::chatGpt, "chatgpt.inspect", kChatGptBundles, kChatGptNames,
             "确认回答或上传是否结束，暂不重启 ChatGPT。",
             "确认 ChatGPT 没有进行中的回答或上传，再决定是否正常退出。",
             "回答、语音和上传均已结束；未发送内容已复制保存；暂时不用 ChatGPT。", chatGptSteps,
             texts.defaultSource,
             "检查回答、上传与语音\n等待正在进行的操作完成，保存输入框中的草稿；不要删除对话。",
             "正常退出暂不用的应用\n确认操作完成、草稿已保存后，从应用菜单正常退出。",
             kWatchSecond},
            {AdviceFamily::codex, "codex.inspect", kCodexBundles, kCodexNames,
             "检查 Codex 运行中的任务，暂不中断。",
             "等 Codex 当前任务结束，保存改动后再决定是否退出。",
             "你已确认没有运行中的任务、终端操作或待保存改动，并且暂时不用 Codex。", codexSteps,
             texts.defaultSource,
             "检查任务与终端\n确认任务状态，保存当前改动；潮痕不能读取任务状态。",
             "正常关闭暂不用的对象\n任务结束并保存后，从 Codex 菜单正常退出。",
             "继续工作，留意状态\n不退出应用，不中断正在运行的任务。"},
            {AdviceFamily::communication, "communication.inspect", kCommunicationBundles,
             kCommunicationNames, "检查文件传输；暂不用时再正常退出通信应用。",
             "检查文件传输；暂不用时再正常退出通信应用。",
             "没有进行中的文件传输、通话，未发送文字已保存；暂时不用。", communicationSteps,
             texts.defaultSource,
             "检查传输、通话与草稿\n等待文件传输与通话结束，保存未发送的内容。",
             "正常退出暂不用的应用\n确认没有未完成操作，并且暂时不用，再从应用菜单退出。",
             kWatchSecond},
            {AdviceFamily::browser, "browser.inspect", kBrowserBundles, kBrowserNames,
             "检查暂不用的页面，保存后正常关闭标签。", "检查暂不用的页面，保存后正常关闭标签。",
             kOrdinaryAppCondition, browserSteps, texts.browserSource,
             "检查正在使用的网页\n保存表单、文档和需要保留的页面，等待上传完成。",
             texts.conciseBrowserCloseTabStep, kWatchSecond},
            {AdviceFamily::firefox, "firefox.inspect", kFirefoxBundles, kFirefoxNames,
             "打开 Firefox 的 about:processes 定位页面，暂不关闭标签。",
             "在 Firefox 中定位并正常关闭暂不用的高占用页面。", kPageCondition, firefoxSteps,
             texts.firefoxSource,
             "检查暂不用的网页\n先查看标签页；需要进一步检查时，可在地址栏打开 "
             "about:processes。不要结束浏览器、GPU 或扩展进程。",
             texts.conciseFirefoxCloseTabStep, kWatchSecond},
            // No bundle identifiers: a bundled application that calls itself
            // WindowServer is an ordinary application, not the system's.
            // Its short steps protect the system whatever the level.
            {AdviceFamily::systemProtected,
             "system.protected",
             {},
             protectedNames,
             "不要结束系统进程；先检查暂不用的普通应用。",
             "不要结束系统进程；先检查暂不用的普通应用。",
             "系统进程不作为可退出的缓解对象；内存占用不能证明温度或硬件故障。",
             protectedSteps,
             texts.defaultSource,
             kSystemFirst,
             systemSecond,
             systemSecond},
            // Its action and first step name the application.
            {AdviceFamily::general,
             "app.inspect",
             {},
             {},
             {},
             {},
             kOrdinaryAppCondition,
             generalSteps,
             texts.defaultSource,
             "确认工作已保存\n检查上传、下载和运行任务，等待完成；潮痕不能替你确认。",
             kQuitAppSecond,
             kWatchSecond},
            {AdviceFamily::system,
             "system.inspect",
             {},
             {},
             {},
             {},
             "仅处理你确认暂不使用、已保存且没有运行任务的应用。",
             systemSteps,
             texts.systemSource,
             kSystemFirst,
             systemSecond,
             systemSecond},
        }};
        for (const AdviceFamilyTexts& entry : entries) {
            const bool offered = !entry.names.empty() || !entry.bundleIdentifiers.empty();
            // A family whose platform wording is missing is not offered.
            const bool worded = !entry.steps.back().empty() && !entry.source.empty();
            if (offered && worded) {
                recognisable.push_back(&entry);
            }
        }
    }
    FamilyTable(const FamilyTable&) = delete;
    FamilyTable& operator=(const FamilyTable&) = delete;

    std::array<std::string_view, 3> chromeSteps;
    std::array<std::string_view, 3> chatGptSteps;
    std::array<std::string_view, 3> codexSteps;
    std::array<std::string_view, 3> communicationSteps;
    std::array<std::string_view, 2> browserSteps;
    std::array<std::string_view, 3> firefoxSteps;
    std::array<std::string_view, 2> protectedSteps;
    std::array<std::string_view, 2> generalSteps;
    std::array<std::string_view, 3> systemSteps;
    std::string systemSecond;
    std::vector<std::string_view> protectedNames;
    std::array<AdviceFamilyTexts, 9> entries;
    std::vector<const AdviceFamilyTexts*> recognisable;
};

const FamilyTable& table() {
    static const FamilyTable instance(platformTexts());
    return instance;
}

}  // namespace

const AdviceFamilyTexts& adviceFamily(AdviceFamily family) {
    for (const AdviceFamilyTexts& entry : table().entries) {
        if (entry.family == family) {
            return entry;
        }
    }
    return table().entries.back();
}

std::span<const AdviceFamilyTexts* const> recognisableFamilies() {
    return table().recognisable;
}

}  // namespace tidemark
