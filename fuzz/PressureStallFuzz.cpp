// /proc/pressure/memory, parsed and mapped to a level as the probe does.

#include <array>
#include <cmath>

#include "FuzzTarget.h"
#include "core/PressureLevel.h"
#include "core/ProcParsers.h"

TIDEMARK_FUZZ_TARGET(text) {
    const std::optional<PressureStall> stall = parsePressureStall(text);
    if (stall) {
        for (double v : {stall->someAvg10, stall->someAvg60, stall->fullAvg10, stall->fullAvg60}) {
            TIDEMARK_FUZZ_CHECK(std::isfinite(v));
        }
    }
    // From a roomy machine to an exhausted one, with and without swap left:
    // the level is a known code and never falls as memory runs out (the
    // codes rise with the severity).
    constexpr std::array<double, 7> kAvailable = {1.0, 0.6, 0.5, 0.3, 0.2, 0.1, 0.0};
    for (double swapFree : {1.0, 0.5, 0.2, 0.0}) {
        int previous = 0;
        for (double available : kAvailable) {
            const int level = memoryPressureLevel(available, swapFree, stall);
            TIDEMARK_FUZZ_CHECK(level == kPressureLevelNormal || level == kPressureLevelWarning ||
                                level == kPressureLevelCritical);
            TIDEMARK_FUZZ_CHECK(level >= previous);
            previous = level;
        }
    }
}
