#include "core/Models.h"

namespace tidemark {

std::string_view toString(Pressure pressure) {
    switch (pressure) {
        case Pressure::normal:
            return "normal";
        case Pressure::warning:
            return "warning";
        case Pressure::critical:
            return "critical";
        case Pressure::unknown:
            break;
    }
    return "unknown";
}

int pressureSeverity(Pressure pressure) {
    switch (pressure) {
        case Pressure::warning:
            return 1;
        case Pressure::critical:
            return 2;
        case Pressure::normal:
        case Pressure::unknown:
            break;
    }
    return 0;
}

std::optional<Pressure> pressureFromString(std::string_view text) {
    for (Pressure p :
         {Pressure::normal, Pressure::warning, Pressure::critical, Pressure::unknown}) {
        if (toString(p) == text) {
            return p;
        }
    }
    return std::nullopt;
}

}  // namespace tidemark
