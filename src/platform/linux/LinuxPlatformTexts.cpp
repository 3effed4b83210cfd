#include <array>

#include "core/PlatformTexts.h"

namespace tidemark {

namespace {

using namespace std::string_view_literals;

// The display servers, desktop shells and window managers of the common
// desktops, and the service manager with its journal. Ending any of them
// ends the session or takes the system down with it.
constexpr std::array kSystemProcesses = {
    SystemProcessName{"xorg", "Xorg"},
    SystemProcessName{"xwayland", "Xwayland"},
    SystemProcessName{"gnome-shell", "gnome-shell"},
    SystemProcessName{"mutter", "mutter"},
    SystemProcessName{"kwin_wayland", "kwin_wayland"},
    SystemProcessName{"kwin_x11", "kwin_x11"},
    SystemProcessName{"plasmashell", "plasmashell"},
    SystemProcessName{"cinnamon", "cinnamon"},
    SystemProcessName{"xfwm4", "xfwm4"},
    SystemProcessName{"sway", "sway"},
    SystemProcessName{"systemd", "systemd"},
    SystemProcessName{"systemd-journald", "systemd-journald"},
};

constexpr PlatformTexts kTexts{
    .chromeCloseTabStep =
        "切回确认暂不用的标签，保存内容后点击标签上的 ×（或 "
        "Ctrl+W）。不要点击任务管理器的“结束进程”。",
    .chatGptQuitStep = "满足上述条件且暂不用时，从 ChatGPT 的菜单退出，或按 Ctrl+Q；需要时再打开。",
    .codexQuitStep =
        "仅当暂不用且已满足保护条件时，从 Codex 菜单正常退出（Ctrl+Q），需要时再打开。",
    .communicationQuitStep = "暂不用时从应用菜单正常退出（Ctrl+Q），不要强制结束进程。",
    .browserCloseTabStep = "保存表单、在线文档或先收藏链接；上传结束后才关闭对应标签（Ctrl+W）。",
    .firefoxCloseTabStep =
        "切回确认暂不用的标签，保存内容后点击标签上的 ×（或 Ctrl+W）；整个 Firefox "
        "都暂不用时，从右上角菜单 ☰ 选择“退出”，或按 Ctrl+Q。",
    .generalQuitStep =
        "仅当暂时不用时，从应用菜单选择“退出”，或按 Ctrl+Q；关闭窗口不一定退出应用。",
    .systemOpenMonitorStep = "打开“系统监视器”，查看内存和交换空间。",
    .systemReviewStep =
        "查看内存与交换空间的使用，再在进程列表中按“内存”列检查主要占用；数字高不代表异常。",
    .protectedOpenMonitorStep = "打开“系统监视器”，查看内存和普通应用。",
    .protectedKeepStep =
        "只保存并正常关闭暂不用的普通应用，不结束显示服务器、桌面外壳或系统服务进程。",
    .conciseChromeCloseTabStep =
        "正常关闭暂不用的标签页\n保存表单和文档，等上传完成；用标签页的 "
        "× 或 Ctrl+W 关闭，不点“结束进程”。",
    .conciseBrowserCloseTabStep =
        "正常关闭暂不用的标签页\n仅关闭确认不用的页面，使用标签页的 × 或 Ctrl+W。",
    .conciseFirefoxCloseTabStep =
        "正常关闭暂不用的标签页\n保存表单和文档，等上传完成；用标签页的 × 或 Ctrl+W "
        "关闭，不在 about:processes 中结束进程。",
    // The browsers' own help, the kernel's documentation of the pressure
    // figure and the desktop's system monitor: what a Linux user can look up.
    .defaultSource = "Linux 内核文档：PSI 内存压力说明；应用专属路径未验证",
    .chromeSource =
        "Google Chrome 帮助：提升运行速度；Linux 内核文档：PSI 内存压力说明（效果待验证）",
    .firefoxSource =
        "Firefox 帮助：任务管理器（about:processes）、键盘快捷键；Linux 内核文档：PSI "
        "内存压力说明（效果待验证）",
    .browserSource =
        "Microsoft Edge 帮助：键盘快捷方式；Linux 内核文档：PSI 内存压力说明；应用专属路径未验证",
    .systemSource =
        "桌面系统监视器帮助：内存与交换空间；Linux 内核文档：PSI "
        "内存压力说明（效果待真实事件验证）",
    .systemProcesses = kSystemProcesses,
    .historyNote = "只记录风险、主要占用和恢复时间，数据仅保存在这台电脑。",
    .launchRowNote = "登录后，在系统托盘开始监测。",
    .launchUnsupportedError = "此系统请在桌面的“自动启动”设置中手动添加潮痕。",
    .launchUnavailableTooltip = "请在桌面的自动启动设置中手动添加",
    .launchUnavailableMessage =
        "此系统的自动启动需在桌面的“自动启动”设置中手动添加。手动打开、提醒与记录仍可用。",
    .launchFailure = "未能修改自动启动：请确认 ~/.config/autostart 可以写入后重试。",
    .notificationPermissionHint = "请在桌面的通知设置中允许潮痕的通知，并确认通知服务正在运行。",
    .notificationsUnavailableTooltip =
        "没有连接到桌面的通知服务，暂时无法开启通知；监测和记录继续运行",
    .traylessHint = "在 GNOME 桌面上，安装并启用 AppIndicator 扩展后即可显示图标。",
};

}  // namespace

const PlatformTexts& linuxPlatformTexts() {
    return kTexts;
}

const PlatformTexts& platformTexts() {
    return kTexts;
}

}  // namespace tidemark
