#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Models.h"

namespace tidemark::test {

// Processes named to break lines, markup and UTF-8. The probe test starts
// real ones and checks that it reports exactly `reportedName` for each; the
// interface tests show those names, so together they cover the way from the
// process table to the screen.
struct HostileProcess {
    // Set with prctl(PR_SET_NAME): at most 15 bytes.
    std::string processName;
    // The executable's file name, or with `inBundle` the name of the ".app"
    // directory it runs from (whose name then stands for the process).
    std::string fileName;
    bool inBundle = false;
    // What the probe reports: the bytes read as UTF-8, each broken sequence
    // replaced by U+FFFD.
    std::string reportedName;
};

inline const std::string kReplacementCharacter = "\xEF\xBF\xBD";

inline std::vector<HostileProcess> hostileProcesses() {
    const std::string& r = kReplacementCharacter;
    return {
        {"tab\tline\nbad\xFF", "tab\tline\nfeed\xFF\xFE", false, "tab\tline\nbad" + r},
        {"<b>bold</b>", "<b>bold<\\b>", false, "<b>bold</b>"},
        {"<a href=x>y</a>", "<img src=x onerror=alert(1)>", false, "<a href=x>y</a>"},
        {"bundled",
         "<a href=#x>\xFF\xFE"
         "click\tme\n<b>&amp;.app",
         true, "<a href=#x>" + r + r + "click\tme\n<b>&amp;"},
    };
}

// The same as ranked applications, each with `residentBytes`.
inline std::vector<AppMemory> hostileApplications(std::uint64_t residentBytes) {
    std::vector<AppMemory> apps;
    for (const HostileProcess& p : hostileProcesses()) {
        apps.push_back({p.reportedName, std::nullopt, residentBytes, 1, residentBytes});
        residentBytes -= residentBytes / 8;
    }
    return apps;
}

}  // namespace tidemark::test
