#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "core/GraphicalSession.h"
#include "engine/CommandLine.h"
#include "engine/ProbeCommand.h"
#include "engine/ReplayCommand.h"
#ifdef TIDEMARK_WITH_GUI
#include "app/GuiMain.h"
#endif

// The headless modes run before anything of the desktop is touched: no
// application object, no display connection.
int main(int argc, char** argv) {
    // Under a file-size limit a write must fail with an error the incident
    // store reports, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    const tidemark::CommandLine commandLine =
        tidemark::parseCommandLine(std::vector<std::string>(argv, argv + argc));
    switch (commandLine.mode) {
        case tidemark::CommandLine::Mode::invalid:
            std::cerr << commandLine.error << '\n';
            return tidemark::kCommandLineErrorStatus;
        case tidemark::CommandLine::Mode::help:
            std::cout << tidemark::usageText();
            return 0;
        case tidemark::CommandLine::Mode::version:
            std::cout << tidemark::versionText(TIDEMARK_VERSION);
            return 0;
        case tidemark::CommandLine::Mode::probe:
            return tidemark::runProbeCommand(commandLine.json, std::cout);
        case tidemark::CommandLine::Mode::replay:
            return tidemark::runReplayCommand(commandLine, std::cin, std::cout, std::cerr);
        case tidemark::CommandLine::Mode::tray:
            break;
    }
#ifdef TIDEMARK_WITH_GUI
    return tidemark::runGui(argc, argv, commandLine.tray);
#else
    // Nothing the caller asked for happened: a script must not read success.
    std::cerr << "tidemark: built without the tray application; use --probe\n";
    return tidemark::kNoGraphicalSessionStatus;
#endif
}
