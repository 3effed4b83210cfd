#include "core/PressureLevel.h"

#include <algorithm>

namespace tidemark {

int memoryPressureLevel(double availableFraction, double swapFreeFraction,
                        const std::optional<PressureStall>& stall) {
    using namespace risk;
    const bool stallCounts = stall.has_value() && availableFraction < kStallCountsBelowAvailable;
    const double some = stallCounts ? std::max(stall->someAvg10, stall->someAvg60) : 0;
    const double full = stallCounts ? std::max(stall->fullAvg10, stall->fullAvg60) : 0;
    const bool shortAndThrashing = availableFraction <= kThrashingAvailable &&
                                   (full >= kThrashingFullStall || some >= kThrashingSomeStall);

    if ((availableFraction <= kKillLineAvailable && swapFreeFraction <= kKillLineSwapFree) ||
        full >= kFreezeFullStall || some >= kFreezeSomeStall || shortAndThrashing) {
        return kPressureLevelCritical;
    }
    if ((availableFraction <= kWarningAvailable && swapFreeFraction <= kWarningSwapFree) ||
        availableFraction <= kKillLineAvailable || some >= kWarningSomeStall) {
        return kPressureLevelWarning;
    }
    return kPressureLevelNormal;
}

std::optional<int> memoryPressureLevel(const MemInfo& memInfo,
                                       const std::optional<PressureStall>& stall) {
    if (!memInfo.memTotalKiB || *memInfo.memTotalKiB == 0 || !memInfo.memAvailableKiB) {
        return std::nullopt;
    }
    const double available =
        static_cast<double>(*memInfo.memAvailableKiB) / static_cast<double>(*memInfo.memTotalKiB);
    double swapFree = 0;
    if (memInfo.swapTotalKiB && *memInfo.swapTotalKiB > 0 && memInfo.swapFreeKiB) {
        swapFree =
            static_cast<double>(*memInfo.swapFreeKiB) / static_cast<double>(*memInfo.swapTotalKiB);
    }
    return memoryPressureLevel(available, swapFree, stall);
}

bool headingForKillerLine(std::span<const MemoryLook> looks, double lineFraction) {
    using namespace risk;
    if (looks.size() < kMinimumFallingLooks) {
        return false;
    }
    const MemoryLook& latest = looks.back();
    if (latest.availableFraction > std::min(kLeadFloor, lineFraction + kKillerHeadroom)) {
        return false;
    }
    // The run of strictly falling looks that ends with the latest.
    std::size_t first = looks.size() - 1;
    while (first > 0) {
        const MemoryLook& before = looks[first - 1];
        if (latest.at - before.at > kFallWindowSeconds || before.at >= looks[first].at ||
            before.availableFraction <= looks[first].availableFraction) {
            break;
        }
        --first;
    }
    const MemoryLook& start = looks[first];
    const double seconds = latest.at - start.at;
    if (looks.size() - first < kMinimumFallingLooks || seconds < kMinimumFallSeconds) {
        return false;
    }
    const double fall = start.availableFraction - latest.availableFraction;
    if (latest.anonymousFraction - start.anonymousFraction < fall * kAnonymousShareOfFall) {
        return false;
    }
    if (latest.availableFraction <= lineFraction) {
        return true;
    }
    const double rate = fall / seconds;
    return (latest.availableFraction - lineFraction) / rate <= kKillerLeadSeconds;
}

}  // namespace tidemark
