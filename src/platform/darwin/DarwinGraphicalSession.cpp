#include "core/GraphicalSession.h"

namespace tidemark {

// A logged-in macOS user always has the window server; a start from an SSH
// shell is refused by it and reported as such.
std::optional<std::string> missingGraphicalSessionLine(const EnvironmentReader&) {
    return std::nullopt;
}

std::string refusedGraphicalSessionLine(const EnvironmentReader&) {
    return "tidemark: cannot connect to the window server; the menu bar application needs a "
           "logged-in session; for a snapshot without one run: tidemark --probe";
}

}  // namespace tidemark
