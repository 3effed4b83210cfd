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
    std::vector<std::string> args(argv, argv + argc);
    if (auto request = tidemark::informationRequest(args);
        request != tidemark::InformationRequest::none) {
        return tidemark::runInformationCommand(request, TIDEMARK_VERSION, std::cout);
    }
    if (tidemark::isProbeInvocation(args)) {
        return tidemark::runProbeCommand(args, std::cout);
    }
    if (tidemark::isReplayInvocation(args)) {
        return tidemark::runReplayCommand(args, std::cin, std::cout, std::cerr);
    }
#ifdef TIDEMARK_WITH_GUI
    return tidemark::runGui(argc, argv);
#else
    // Nothing the caller asked for happened: a script must not read success.
    std::cerr << "tidemark: built without the tray application; use --probe\n";
    return tidemark::kNoGraphicalSessionStatus;
#endif
}
