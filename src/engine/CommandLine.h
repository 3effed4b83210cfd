#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark {

// The switches the tray application acts on.
struct TraySwitches {
    bool acceptLocalMonitoringForTesting = false;
    bool showPanel = false;
    bool showHistory = false;
    bool showAdvice = false;
    bool debugPreviewOnLaunch = false;
    bool debugWatchOnLaunch = false;
    bool enableDebugPreview = false;
    bool manualDebugPreview = false;
    bool operator==(const TraySwitches&) const = default;
};

// Every mode's reading of the command line, made once at start: a word no
// mode knows is refused before anything starts, so that a misspelt switch
// never starts the tray application in its place.
struct CommandLine {
    enum class Mode { tray, probe, replay, help, version, invalid };

    Mode mode = Mode::tray;
    // For `invalid`: the one line to print, naming the argument.
    std::string error;

    bool json = false;                         // --probe
    std::string replayInput;                   // --replay; "-" is standard input
    std::optional<std::string> incidentsPath;  // --replay
    // Also accepted for the tray application: the toolkit's own options
    // (-platform NAME, -display NAME, -session ID, …), which it reads itself.
    TraySwitches tray;
};

// `args` as main receives it: the program's name first. `--help` and
// `--version` are answered whatever else is given.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// Exit status of a refused command line.
inline constexpr int kCommandLineErrorStatus = 2;

std::string usageText();
std::string versionText(std::string_view version);

}  // namespace tidemark
