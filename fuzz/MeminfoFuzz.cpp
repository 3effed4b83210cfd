// /proc/meminfo as any kernel, container runtime or fixture might write it.

#include "FuzzTarget.h"
#include "core/PressureLevel.h"
#include "core/ProcParsers.h"

TIDEMARK_FUZZ_TARGET(text) {
    const MemInfo info = parseMeminfo(text);
    const std::optional<int> level = memoryPressureLevel(info, std::nullopt);
    TIDEMARK_FUZZ_CHECK(level.has_value() == (info.memTotalKiB && *info.memTotalKiB > 0 &&
                                              info.memAvailableKiB.has_value()));
    if (level) {
        TIDEMARK_FUZZ_CHECK(*level == kPressureLevelNormal || *level == kPressureLevelWarning ||
                            *level == kPressureLevelCritical);
    }
}
