#include "core/KillerInventory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tidemark {
namespace {

TEST(KillerInventoryTest, EarlyoomLinesFromItsCommandLineAndDefaultsFile) {
    struct Row {
        std::vector<std::string> arguments;
        double memory, swap;
    };
    const Row rows[] = {
        {{"earlyoom"}, 10, 10},
        {{"earlyoom", "-m", "5,2", "-s", "15"}, 5, 15},
        {{"earlyoom", "-m5", "-s0"}, 5, 0},
        // Values earlyoom refuses, and arguments after "--", change nothing.
        {{"earlyoom", "-m", "150", "-s", "x"}, 10, 10},
        {{"earlyoom", "--", "-m", "3"}, 10, 10},
        {{"earlyoom", "-n", "--avoid", "(^|/)(init|X)$", "-m", "4"}, 4, 10},
    };
    for (const Row& row : rows) {
        KillerInventory inventory;
        applyEarlyoomArguments(row.arguments, inventory);
        EXPECT_EQ(inventory.earlyoomMemoryPercent, row.memory) << row.arguments.size();
        EXPECT_EQ(inventory.earlyoomSwapPercent, row.swap) << row.arguments.size();
    }

    KillerInventory inventory;
    applyEarlyoomDefaultsFile(
        "# Options to pass to earlyoom\nEARLYOOM_ARGS=\"-r 3600 -m 15 -s 5\"\n"
        "# EARLYOOM_ARGS=\"-m 5\"\n",
        inventory);
    EXPECT_EQ(inventory.earlyoomMemoryPercent, 15);
    EXPECT_EQ(inventory.earlyoomSwapPercent, 5);
}

TEST(KillerInventoryTest, TheLineOfTheKillerThatActsFirst) {
    KillerInventory earlyoom{.earlyoom = true};
    KillerInventory oomd{.systemdOomd = true};
    KillerInventory all{.earlyoom = true, .systemdOomd = true, .nohang = true};
    struct Row {
        KillerInventory inventory;
        double swapFree;
        Killer killer;
        double line;
    };
    const Row rows[] = {
        {{}, 0, Killer::kernel, kKernelLineFraction},
        {earlyoom, 0, Killer::earlyoom, 0.10},
        // earlyoom waits for swap too: with swap to spare its line is not
        // the one a fall of available memory meets.
        {earlyoom, 0.5, Killer::kernel, kKernelLineFraction},
        {oomd, 0, Killer::systemdOomd, kKernelLineFraction},
        {all, 0, Killer::earlyoom, 0.10},
        {all, 0.5, Killer::nohang, kNohangLineFraction},
    };
    for (const Row& row : rows) {
        const KillerLine line = activeKillerLine(row.inventory, row.swapFree);
        EXPECT_EQ(line.killer, row.killer) << describe(row.inventory) << " " << row.swapFree;
        EXPECT_DOUBLE_EQ(line.availableFraction, row.line) << describe(row.inventory);
    }
}

}  // namespace
}  // namespace tidemark
