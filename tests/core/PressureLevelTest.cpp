#include "core/PressureLevel.h"

#include <gtest/gtest.h>

#include <optional>

namespace tidemark {
namespace {

TEST(PressureLevelTest, Rules) {
    const PressureStall calm{};
    struct Row {
        double available, swapFree;
        std::optional<PressureStall> stall;
        int level;
    };
    const Row rows[] = {
        // Stalls do not count while half of memory is available.
        {0.50, 0.0, PressureStall{90, 90, 50, 50}, kPressureLevelNormal},
        {0.49, 1.0, PressureStall{0, 0, 0, 10}, kPressureLevelCritical},
        {0.49, 1.0, PressureStall{40, 0, 0, 0}, kPressureLevelCritical},
        {0.49, 1.0, PressureStall{0, 10, 0, 9.99}, kPressureLevelWarning},
        {0.49, 1.0, PressureStall{9.99, 9.99, 9.99, 9.99}, kPressureLevelNormal},
        // Available-memory and swap lines.
        {0.10, 0.10, calm, kPressureLevelCritical},
        {0.10, 0.11, calm, kPressureLevelWarning},
        {0.20, 0.25, calm, kPressureLevelWarning},
        {0.20, 0.26, calm, kPressureLevelNormal},
        {0.21, 0.00, calm, kPressureLevelNormal},
        // Without PSI the available-memory rules apply alone.
        {0.05, 1.00, std::nullopt, kPressureLevelWarning},
        // Short of memory and thrashing, with the stall diluted by tasks that
        // keep running: critical from 15 % available down.
        {0.15, 0.50, PressureStall{10, 0, 0, 0}, kPressureLevelCritical},
        {0.15, 0.50, PressureStall{0, 0, 5, 0}, kPressureLevelCritical},
        {0.16, 0.50, PressureStall{39, 39, 9.9, 9.9}, kPressureLevelWarning},
        {0.15, 0.50, PressureStall{9.9, 9.9, 4.9, 4.9}, kPressureLevelNormal},
        // A real run: a machine-wide shortage thrashing beside two CPU-bound
        // programs (read "warning" before the third critical line).
        {0.08, 0.50, PressureStall{5.1, 17.2, 1.0, 7.1}, kPressureLevelCritical},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(memoryPressureLevel(row.available, row.swapFree, row.stall), row.level)
            << "available " << row.available << " swap free " << row.swapFree;
    }
    // No swap counts as exhausted swap; without MemAvailable nothing is told.
    MemInfo info{1000, 150, 0, 0};
    EXPECT_EQ(memoryPressureLevel(info, std::nullopt), kPressureLevelWarning);
    info.swapTotalKiB = info.swapFreeKiB = 1000;
    EXPECT_EQ(memoryPressureLevel(info, std::nullopt), kPressureLevelNormal);
    info.memAvailableKiB.reset();
    EXPECT_EQ(memoryPressureLevel(info, std::nullopt), std::nullopt);
    EXPECT_EQ(memoryPressureLevel(MemInfo{0, 0, 0, 0}, std::nullopt), std::nullopt);
}

}  // namespace
}  // namespace tidemark
