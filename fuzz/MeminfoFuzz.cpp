// /proc/meminfo as any kernel, container runtime or fixture might write it.

#include "FuzzSupport.h"
#include "core/ProcParsers.h"

using namespace tidemark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const MemInfo info = parseMeminfo(fuzz::asText(data, size));
    const std::optional<int> level = memoryPressureLevel(info, std::nullopt);
    TIDEMARK_FUZZ_CHECK(level.has_value() == (info.memTotalKiB && *info.memTotalKiB > 0 &&
                                              info.memAvailableKiB.has_value()));
    if (level) {
        TIDEMARK_FUZZ_CHECK(*level == kPressureLevelNormal || *level == kPressureLevelWarning ||
                            *level == kPressureLevelCritical);
    }
    return 0;
}
