#include <array>

#include "core/PlatformTexts.h"

namespace tidemark {

namespace {

constexpr std::array kSystemProcesses = {
    SystemProcessName{"windowserver", "WindowServer"},
    SystemProcessName{"kernel_task", "kernel_task"},
};

// Plain data that builds anywhere, so that its words can be checked on any
// system; only platformTexts() below is the Mac build's own.
constexpr PlatformTexts kTexts{
    .chromeCloseTabStep =
        "切回确认暂不用的标签，保存内容后点击标签上的 ×（或 ⌘W）。不要点击任务管理器的“结束进程”。",
    .chatGptQuitStep =
        "满足上述条件且暂不用时，选择 ChatGPT 菜单 → 退出 ChatGPT，或 ⌘Q；需要时再打开。",
    .codexQuitStep = "仅当暂不用且已满足保护条件时，从 Codex 菜单正常退出（⌘Q），需要时再打开。",
    .communicationQuitStep = "暂不用时从应用菜单正常退出（⌘Q），不要强制结束进程。",
    .browserCloseTabStep = "保存表单、在线文档或先收藏链接；上传结束后才关闭对应标签（⌘W）。",
    // No Firefox steps here: Firefox gets the general plan.
    .firefoxCloseTabStep = {},
    .generalQuitStep =
        "仅当暂时不用时，从顶部应用菜单选择“退出”，或按 ⌘Q；关闭窗口不一定退出应用。",
    .systemOpenMonitorStep = "用聚焦搜索打开“活动监视器”，选择“内存”。",
    .systemReviewStep = "查看底部内存压力，再按“内存”列检查主要占用；数字高不代表异常。",
    .protectedOpenMonitorStep = "用聚焦搜索打开“活动监视器” → 内存，查看压力和普通应用。",
    .protectedKeepStep = "只保存并正常关闭暂不用的普通应用，不结束 WindowServer 或 kernel_task。",
    .conciseChromeCloseTabStep =
        "正常关闭暂不用的标签页\n保存表单和文档，等上传完成；用标签页的 "
        "× 或 ⌘W 关闭，不点“结束进程”。",
    .conciseBrowserCloseTabStep =
        "正常关闭暂不用的标签页\n仅关闭确认不用的页面，使用标签页的 × 或 ⌘W。",
    .conciseFirefoxCloseTabStep = {},
    .defaultSource = "Apple：正常退出 App；应用专属路径未验证",
    .chromeSource = "Google Chrome：提升运行速度；Apple：内存压力说明（路径核实，效果待验证）",
    .firefoxSource = {},
    .browserSource = "Apple：正常退出 App；应用专属路径未验证",
    .systemSource = "Apple：活动监视器内存说明 / 正常退出 App（路径核实，效果待真实事件验证）",
    .systemProcesses = kSystemProcesses,
    .historyNote = "只记录风险、主要占用和恢复时间，数据仅保存在这台 Mac。",
    .launchRowNote = "登录 Mac 后，在菜单栏开始监测。",
    .launchUnsupportedError = "此系统请在“系统偏好设置 → 用户与群组 → 登录项”中手动添加潮痕。",
    .launchUnavailableTooltip = "macOS 12 请在系统偏好设置的登录项中手动添加",
    .launchUnavailableMessage =
        "macOS 12：自动启动需在系统偏好设置 → 用户与群组 → "
        "登录项中手动添加。手动打开、提醒与记录仍可用。",
    .launchFailure = "未能修改自动启动：请将应用放入“应用程序”后重试。",
    .notificationPermissionHint = "请在系统设置 → 通知 → 潮痕中允许通知。",
    .notificationsUnavailableTooltip = "请运行正式「潮痕」应用开启通知",
    .traylessHint = "",
};

}  // namespace

const PlatformTexts& darwinPlatformTexts() {
    return kTexts;
}

#ifdef __APPLE__
const PlatformTexts& platformTexts() {
    return kTexts;
}
#endif

}  // namespace tidemark
