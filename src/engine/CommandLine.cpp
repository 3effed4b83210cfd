#include "engine/CommandLine.h"

#include <algorithm>

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

Other arguments are ignored. Starting the tray application again while it runs
opens its panel instead. Exit status is 0, or 2 when --replay input is
malformed.
)";

}  // namespace

InformationRequest informationRequest(const std::vector<std::string>& args) {
    const auto given = [&args](std::string_view flag) {
        return args.size() > 1 && std::find(args.begin() + 1, args.end(), flag) != args.end();
    };
    if (given("--help")) {
        return InformationRequest::help;
    }
    return given("--version") ? InformationRequest::version : InformationRequest::none;
}

std::string usageText() {
    return std::string(kUsage);
}

std::string versionText(std::string_view version) {
    return "tidemark " + std::string(version) + "\n";
}

int runInformationCommand(InformationRequest request, std::string_view version, std::ostream& out) {
    if (request == InformationRequest::help) {
        out << usageText();
    } else if (request == InformationRequest::version) {
        out << versionText(version);
    }
    return 0;
}

}  // namespace tidemark
