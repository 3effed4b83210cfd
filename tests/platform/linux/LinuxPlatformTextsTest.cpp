#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/PlatformTexts.h"

namespace tidemark {
namespace {

using Field = std::string_view PlatformTexts::*;

// The words a Linux user must never be told: Mac shortcuts, tools, settings,
// sources and development hints that do not apply here.
constexpr std::string_view kForeignWords[] = {
    "⌘", "Mac", "macOS", "Apple", "聚焦搜索", "活动监视器", "系统偏好设置", "正式「潮痕」应用"};

TEST(LinuxPlatformTexts, EveryTextIsTheDesktopsOwn) {
    const std::vector<std::pair<Field, std::string_view>> expected{
        {&PlatformTexts::chromeCloseTabStep,
         "切回确认暂不用的标签，保存内容后点击标签上的 ×（或 "
         "Ctrl+W）。不要点击任务管理器的“结束进程”。"},
        {&PlatformTexts::chatGptQuitStep,
         "满足上述条件且暂不用时，从 ChatGPT 的菜单退出，或按 Ctrl+Q；需要时再打开。"},
        {&PlatformTexts::codexQuitStep,
         "仅当暂不用且已满足保护条件时，从 Codex 菜单正常退出（Ctrl+Q），需要时再打开。"},
        {&PlatformTexts::communicationQuitStep,
         "暂不用时从应用菜单正常退出（Ctrl+Q），不要强制结束进程。"},
        {&PlatformTexts::browserCloseTabStep,
         "保存表单、在线文档或先收藏链接；上传结束后才关闭对应标签（Ctrl+W）。"},
        {&PlatformTexts::firefoxCloseTabStep,
         "切回确认暂不用的标签，保存内容后点击标签上的 ×（或 Ctrl+W）；整个 Firefox "
         "都暂不用时，从右上角菜单 ☰ 选择“退出”，或按 Ctrl+Q。"},
        {&PlatformTexts::generalQuitStep,
         "仅当暂时不用时，从应用菜单选择“退出”，或按 Ctrl+Q；关闭窗口不一定退出应用。"},
        {&PlatformTexts::systemOpenMonitorStep, "打开“系统监视器”，查看内存和交换空间。"},
        {&PlatformTexts::systemReviewStep,
         "查看内存与交换空间的使用，再在进程列表中按“内存”列检查主要占用；数字高不代表异常。"},
        {&PlatformTexts::protectedOpenMonitorStep, "打开“系统监视器”，查看内存和普通应用。"},
        {&PlatformTexts::protectedKeepStep,
         "只保存并正常关闭暂不用的普通应用，不结束显示服务器、桌面外壳或系统服务进程。"},
        {&PlatformTexts::conciseChromeCloseTabStep,
         "正常关闭暂不用的标签页\n保存表单和文档，等上传完成；用标签页的 × 或 Ctrl+W "
         "关闭，不点“结束进程”。"},
        {&PlatformTexts::conciseBrowserCloseTabStep,
         "正常关闭暂不用的标签页\n仅关闭确认不用的页面，使用标签页的 × 或 Ctrl+W。"},
        {&PlatformTexts::conciseFirefoxCloseTabStep,
         "正常关闭暂不用的标签页\n保存表单和文档，等上传完成；用标签页的 × 或 Ctrl+W "
         "关闭，不在 about:processes 中结束进程。"},
        {&PlatformTexts::defaultSource, "Linux 内核文档：PSI 内存压力说明；应用专属路径未验证"},
        {&PlatformTexts::chromeSource,
         "Google Chrome 帮助：提升运行速度；Linux 内核文档：PSI 内存压力说明（效果待验证）"},
        {&PlatformTexts::firefoxSource,
         "Firefox 帮助：任务管理器（about:processes）、键盘快捷键；Linux 内核文档：PSI "
         "内存压力说明（效果待验证）"},
        {&PlatformTexts::browserSource,
         "Microsoft Edge 帮助：键盘快捷方式；Linux 内核文档：PSI 内存压力说明；应用专属路径未验证"},
        {&PlatformTexts::systemSource,
         "桌面系统监视器帮助：内存与交换空间；Linux 内核文档：PSI "
         "内存压力说明（效果待真实事件验证）"},
        {&PlatformTexts::historyNote, "只记录风险、主要占用和恢复时间，数据仅保存在这台电脑。"},
        {&PlatformTexts::launchRowNote, "登录后，在系统托盘开始监测。"},
        {&PlatformTexts::notificationPermissionHint,
         "请在桌面的通知设置中允许潮痕的通知，并确认通知服务正在运行。"},
        {&PlatformTexts::notificationsUnavailableTooltip,
         "没有连接到桌面的通知服务，暂时无法开启通知；监测和记录继续运行"},
        {&PlatformTexts::traylessHint,
         "在 GNOME 桌面上，安装并启用 AppIndicator 扩展后即可显示图标。"},
        {&PlatformTexts::launchUnsupportedError, "此系统请在桌面的“自动启动”设置中手动添加潮痕。"},
        {&PlatformTexts::launchFailure,
         "未能修改自动启动：请确认 ~/.config/autostart 可以写入后重试。"},
        {&PlatformTexts::launchUnavailableTooltip, "请在桌面的自动启动设置中手动添加"},
        {&PlatformTexts::launchUnavailableMessage,
         "此系统的自动启动需在桌面的“自动启动”设置中手动添加。手动打开、提醒与记录仍可用。"},
    };
    const PlatformTexts& texts = linuxPlatformTexts();
    EXPECT_EQ(&texts, &platformTexts());
    for (const auto& [field, text] : expected) {
        EXPECT_EQ(texts.*field, text);
        for (std::string_view word : kForeignWords) {
            EXPECT_EQ((texts.*field).find(word), std::string_view::npos) << text;
        }
    }
    // Nor does it protect processes that only a Mac has.
    for (const SystemProcessName& process : texts.systemProcesses) {
        EXPECT_NE(process.key, "windowserver");
        EXPECT_NE(process.key, "kernel_task");
    }
    // Every text field is listed above: the table holds nothing unchecked.
    EXPECT_EQ(expected.size() * sizeof(std::string_view) + sizeof(texts.systemProcesses),
              sizeof(PlatformTexts));
}

}  // namespace
}  // namespace tidemark
