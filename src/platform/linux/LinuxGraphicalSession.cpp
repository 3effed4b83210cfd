#include <string_view>

#include "core/Formatting.h"
#include "core/GraphicalSession.h"

namespace tidemark {

namespace {

constexpr std::string_view kHeadless =
    "the tray application needs a graphical session (X11 or Wayland); "
    "for a snapshot without one run: tidemark --probe";

bool isSet(const char* value) {
    return value != nullptr && *value != '\0';
}

}  // namespace

std::optional<std::string> missingGraphicalSessionLine(const EnvironmentReader& environment) {
    if (isSet(environment("QT_QPA_PLATFORM")) || isSet(environment("DISPLAY")) ||
        isSet(environment("WAYLAND_DISPLAY"))) {
        return std::nullopt;
    }
    return "tidemark: no graphical session: neither DISPLAY nor WAYLAND_DISPLAY is set; " +
           std::string(kHeadless);
}

std::string refusedGraphicalSessionLine(const EnvironmentReader& environment) {
    std::string named;
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        if (const char* value = environment(name); isSet(value)) {
            named += (named.empty() ? "" : " nor ") + std::string(name) + "=" +
                     replaceControlCharacters(value);
        }
    }
    if (named.empty()) {
        named = "the display";
    }
    return "tidemark: cannot connect to the graphical session: " + named +
           " refused the connection; " + std::string(kHeadless);
}

}  // namespace tidemark
