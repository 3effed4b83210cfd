#pragma once

#include <span>
#include <string_view>

namespace tidemark {

// A process of the operating system itself, looked up by its lower-case
// name, with the name it is shown under.
struct SystemProcessName {
    std::string_view key;
    std::string_view displayName;
};

// Every user-visible text whose truth depends on the desktop it runs on:
// keyboard shortcuts, the system's own tools and settings, where data stays.
// Each platform folder holds one table; everything else reads it through
// platformTexts(), so no caller needs to know which system it is on.
struct PlatformTexts {
    // Advice steps (in the order the advice engine uses them).
    std::string_view chromeCloseTabStep;
    std::string_view chatGptQuitStep;
    std::string_view codexQuitStep;
    std::string_view communicationQuitStep;
    std::string_view browserCloseTabStep;
    // Empty where this system has no Firefox steps: Firefox then gets the
    // general plan.
    std::string_view firefoxCloseTabStep;
    std::string_view generalQuitStep;
    std::string_view systemOpenMonitorStep;
    std::string_view systemReviewStep;
    std::string_view protectedOpenMonitorStep;
    std::string_view protectedKeepStep;

    // The advice window's short "close the tab" steps.
    std::string_view conciseChromeCloseTabStep;
    std::string_view conciseBrowserCloseTabStep;
    std::string_view conciseFirefoxCloseTabStep;

    // The reference line under each plan: where its guidance comes from,
    // which differs by system (another system's help never backs a step).
    std::string_view defaultSource;
    std::string_view chromeSource;
    std::string_view firefoxSource;
    std::string_view browserSource;
    std::string_view systemSource;

    // Processes no plan may tell the user to quit: the display server, the
    // desktop shell, the service manager.
    std::span<const SystemProcessName> systemProcesses;

    // The recent-incidents window's note under its title.
    std::string_view historyNote;

    // Launch at login.
    std::string_view launchRowNote;
    std::string_view launchUnsupportedError;
    std::string_view launchUnavailableTooltip;
    std::string_view launchUnavailableMessage;
    std::string_view launchFailure;

    // The first sentence of the notices shown when notifications are off;
    // each notice adds its own second sentence.
    std::string_view notificationPermissionHint;
    // The bell's tooltip when this run cannot post notifications at all.
    std::string_view notificationsUnavailableTooltip;
    // How to get a tray on a desktop without one; empty where every desktop
    // has one.
    std::string_view traylessHint;
};

// The table of the system this program was built for.
const PlatformTexts& platformTexts();

// Each platform's own table, so that tests can check any of them.
const PlatformTexts& linuxPlatformTexts();
const PlatformTexts& darwinPlatformTexts();

}  // namespace tidemark
