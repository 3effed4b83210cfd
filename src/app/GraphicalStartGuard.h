#pragma once

#include <string>

namespace tidemark {

// Held while the application object connects to the display. When Qt gives
// up there (a display that refuses the connection, a missing platform
// plugin), it prints a fatal message with advice to reinstall and aborts;
// instead this prints `refusedLine`, stores nothing and exits with the
// no-session status. Messages from that attempt (the platform plugin's
// warnings) are held back and passed on only if the connection succeeds.
class GraphicalStartGuard final {
public:
    explicit GraphicalStartGuard(std::string refusedLine);
    ~GraphicalStartGuard();

    GraphicalStartGuard(const GraphicalStartGuard&) = delete;
    GraphicalStartGuard& operator=(const GraphicalStartGuard&) = delete;
};

}  // namespace tidemark
