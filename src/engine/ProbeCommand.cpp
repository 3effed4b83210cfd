#include "engine/ProbeCommand.h"

#include <algorithm>
#include <exception>
#include <string>

#include "core/Formatting.h"
#include "core/JsonForms.h"
#include "core/SystemProbe.h"

namespace tidemark {

namespace {

// Every caller of the probe in this program asks for five applications.
constexpr std::size_t kTopApplicationCount = 5;

// Names and identifiers come from other programs; with their control
// characters replaced, each application stays on exactly one line.
std::string probeText(const SystemSnapshot& snapshot) {
    std::string text;
    text += "pressure=";
    text += toString(snapshot.pressure);
    text += " swap=";
    text += snapshot.swapUsedBytes ? formatBytes(*snapshot.swapUsedBytes) : "不可读取";
    text += " swap_available=";
    text += snapshot.swapAvailable() ? "true" : "false";
    text += " unreadable=";
    text += std::to_string(snapshot.unreadableProcessCount);
    text += '\n';
    for (const AppMemory& app : snapshot.topApplications) {
        text += replaceControlCharacters(app.name);
        text += '\t';
        text += formatBytes(app.footprintBytes);
        text += '\t';
        text += std::to_string(app.processCount);
        text += " processes\t";
        text += app.bundleIdentifier ? replaceControlCharacters(*app.bundleIdentifier) : "-";
        text += '\n';
    }
    return text;
}

}  // namespace

int runProbeCommand(bool json, std::ostream& out) {
    return runProbeCommand(json, defaultProbePlatform(), out);
}

int runProbeCommand(bool json, ProbePlatform& platform, std::ostream& out) {
    SystemProbe probe(platform);
    const SystemSnapshot snapshot = probe.capture(kTopApplicationCount);
    if (json) {
        out << prettyJson(toJson(snapshot)) << '\n';
    } else {
        out << probeText(snapshot);
    }
    out.flush();
    return 0;
}

}  // namespace tidemark
