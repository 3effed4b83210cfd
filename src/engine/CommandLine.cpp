#include "engine/CommandLine.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/Formatting.h"

namespace tidemark {

namespace {

constexpr std::string_view kUsage =
    R"(Usage: tidemark [SWITCH]...
Tidemark (潮痕) sits in the tray and warns before the desktop stalls from memory
exhaustion. Everything stays on this machine.

Headless modes (no display needed):
  --probe               print one snapshot of this machine and exit
  --json                with --probe: print the snapshot as JSON
  --replay FILE         run recorded samples (JSON Lines, - for standard input)
                        through the monitoring tick and print its decisions
  --incidents PATH      with --replay: keep the incident history in PATH
  --help                print this help and exit
  --version             print the version and exit

Tray application:
  --accept-local-monitoring-for-testing
                        skip the consent dialog, for automated tests
  --show-panel          open the panel once monitoring has started
  --show-history        open the recent-incidents window
  --show-advice         open the advice window
  --debug-preview-on-launch
                        open the panel with a warning preview and a test
                        notification
  --debug-watch-on-launch
                        open the panel with a watch preview
  --enable-debug-preview
                        show the preview controls in the panel
  --manual-debug-preview
                        with --enable-debug-preview: previews last 120 s
                        instead of 8 s
  Qt's own options (-platform NAME, -display NAME, -session ID, -style NAME, …)
  are passed on to it.

Any other argument, or a switch given with a mode it does not belong to, is
refused with one line on standard error and exit status 2; nothing starts.
Starting the tray application again while it runs opens its panel instead.
Exit status is 0, or 2 when the arguments are refused or --replay input is
malformed.
)";

constexpr std::array<std::pair<std::string_view, bool TraySwitches::*>, 8> kTraySwitches = {{
    {"--accept-local-monitoring-for-testing", &TraySwitches::acceptLocalMonitoringForTesting},
    {"--show-panel", &TraySwitches::showPanel},
    {"--show-history", &TraySwitches::showHistory},
    {"--show-advice", &TraySwitches::showAdvice},
    {"--debug-preview-on-launch", &TraySwitches::debugPreviewOnLaunch},
    {"--debug-watch-on-launch", &TraySwitches::debugWatchOnLaunch},
    {"--enable-debug-preview", &TraySwitches::enableDebugPreview},
    {"--manual-debug-preview", &TraySwitches::manualDebugPreview},
}};

// Qt reads these from the same command line (with one dash or two). A
// session manager restoring the program passes -session.
constexpr std::array<std::string_view, 13> kToolkitOptionsWithValue = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "style",           "stylesheet",         "display",       "name",
    "title",
};
constexpr std::array<std::string_view, 2> kToolkitOptionsWithoutValue = {"reverse", "sync"};

// The option's name without its one or two leading dashes; empty otherwise.
std::string_view toolkitOptionName(std::string_view argument) {
    if (argument.starts_with("--")) {
        return argument.substr(2);
    }
    return argument.starts_with('-') ? argument.substr(1) : std::string_view();
}

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

CommandLine refused(const std::string& problem) {
    CommandLine commandLine;
    commandLine.mode = CommandLine::Mode::invalid;
    commandLine.error = "tidemark: " + problem + "; see tidemark --help";
    return commandLine;
}

std::string quoted(std::string_view argument) {
    // Whatever was typed comes back on one line.
    std::string text = "\"";
    text += replaceControlCharacters(argument);
    text += '"';
    return text;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    const auto given = [&args](std::string_view flag) {
        return args.size() > 1 && std::find(args.begin() + 1, args.end(), flag) != args.end();
    };
    CommandLine commandLine;
    if (given("--help")) {
        commandLine.mode = CommandLine::Mode::help;
        return commandLine;
    }
    if (given("--version")) {
        commandLine.mode = CommandLine::Mode::version;
        return commandLine;
    }

    bool probe = false;
    bool replay = false;
    // The first switch that only the tray application reads.
    std::string firstTraySwitch;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& argument = args[i];
        const bool hasValue = i + 1 < args.size();
        const auto trayOnly = [&] {
            if (firstTraySwitch.empty()) {
                firstTraySwitch = argument;
            }
        };
        const auto traySwitch =
            std::find_if(kTraySwitches.begin(), kTraySwitches.end(),
                         [&argument](const auto& entry) { return entry.first == argument; });
        const std::string_view toolkitOption = toolkitOptionName(argument);
        if (argument == "--probe") {
            probe = true;
        } else if (argument == "--json") {
            commandLine.json = true;
        } else if (argument == "--replay") {
            if (!hasValue) {
                return refused("--replay needs a file (or - for standard input)");
            }
            replay = true;
            commandLine.replayInput = args[++i];
        } else if (argument == "--incidents") {
            if (!hasValue) {
                return refused("--incidents needs a path");
            }
            commandLine.incidentsPath = args[++i];
        } else if (traySwitch != kTraySwitches.end()) {
            commandLine.tray.*(traySwitch->second) = true;
            trayOnly();
        } else if (contains(kToolkitOptionsWithValue, toolkitOption)) {
            if (!hasValue) {
                return refused(quoted(argument) + " needs a value");
            }
            trayOnly();
            ++i;
        } else if (contains(kToolkitOptionsWithoutValue, toolkitOption) ||
                   toolkitOption.starts_with("style=") ||
                   toolkitOption.starts_with("stylesheet=")) {
            trayOnly();
        } else if (argument.starts_with('-') && argument != "-") {
            return refused("unknown switch " + quoted(argument));
        } else {
            return refused("unexpected argument " + quoted(argument));
        }
    }

    if (probe && replay) {
        return refused("--probe and --replay cannot be combined");
    }
    const std::string mode = probe ? "--probe" : "--replay";
    if ((probe || replay) && !firstTraySwitch.empty()) {
        return refused(quoted(firstTraySwitch) + " is for the tray application, not for " + mode);
    }
    if (commandLine.json && !probe) {
        return refused("--json goes with --probe");
    }
    if (commandLine.incidentsPath && !replay) {
        return refused("--incidents goes with --replay");
    }
    commandLine.mode = probe    ? CommandLine::Mode::probe
                       : replay ? CommandLine::Mode::replay
                                : CommandLine::Mode::tray;
    return commandLine;
}

std::string usageText() {
    return std::string(kUsage);
}

std::string versionText(std::string_view version) {
    return "tidemark " + std::string(version) + "\n";
}

}  // namespace tidemark
