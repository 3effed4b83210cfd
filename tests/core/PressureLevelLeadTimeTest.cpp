#include <gtest/gtest.h>

#include <vector>

#include "core/PressureLevel.h"

namespace tidemark {
namespace {

// Looks 2 s apart (the watch's pace while memory falls), as shares of RAM.
std::vector<MemoryLook> looks(double first, std::vector<double> available,
                              std::vector<double> anonymous, double step = 2) {
    std::vector<MemoryLook> out;
    for (size_t i = 0; i < available.size(); ++i) {
        out.push_back(
            {first + step * static_cast<double>(i), available[i] / 100, anonymous[i] / 100});
    }
    return out;
}

// Readings of this 24 GiB machine without swap (available % and anonymous %
// of RAM per look); the killers' lines are earlyoom's 10 % and the kernel's 3 %.
TEST(PressureLevelLeadTimeTest, FiresAheadOfTheLineOnlyForASteadyAnonymousFall) {
    struct Row {
        const char* what;
        std::vector<MemoryLook> looks;
        double line;
        bool heading;
    };
    // The lab's leak at "200 MB/s" against earlyoom, as the watch read it
    // (2 s apart): it fired at 18.55 %, 12 s before earlyoom's kill.
    const std::vector<double> leak200 = {30.23, 29.00, 27.41, 25.72, 24.37,
                                         22.71, 21.53, 20.40, 18.55};
    const std::vector<double> leak200Anon = {26.48, 27.79, 29.64, 30.65, 32.68,
                                             34.33, 34.89, 35.40, 38.53};
    const auto upTo = [](const std::vector<double>& v, size_t n) {
        return std::vector<double>(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
    };
    const Row rows[] = {
        {"leak 200 MB/s, earlyoom", looks(0, leak200, leak200Anon), 0.10, true},
        // One look earlier, 20.4 %: 15 s from the line, but above its headroom.
        {"leak 200 MB/s, one look earlier", looks(0, upTo(leak200, 8), upTo(leak200Anon, 8)), 0.10,
         false},
        // Over three looks anonymous memory may lag the fall (1.07 of 2.31
        // here); the whole run is what shows whose memory it is.
        {"leak 200 MB/s, three looks", looks(0, {22.71, 21.53, 20.40}, {34.33, 34.89, 35.40}), 0.10,
         false},
        // 100 MB/s is 0.41 % of this RAM a second: 10 s of it above the line.
        {"leak 100 MB/s, earlyoom", looks(0, {19.4, 18.6, 17.8}, {61.0, 61.8, 62.6}), 0.10, true},
        {"leak 100 MB/s, too far", looks(0, {21.0, 20.2, 19.4}, {59.4, 60.2, 61.0}), 0.10, false},
        // The kernel's line is low: a 100 MB/s leak comes within 20 s of it
        // under 10 %, where the available-memory rule stands as well.
        {"leak 100 MB/s, kernel", looks(0, {11.3, 10.5, 9.7}, {70.0, 70.8, 71.6}), 0.02, true},
        // A burst that faults 20 % of RAM in at ~300 MB/s from 33 % stops at
        // 13 %: above the kernel's headroom even as it falls.
        {"burst from 33 %", looks(0, {17.6, 15.1, 12.7}, {66.0, 68.5, 70.9}), 0.02, false},
        // Two looks are not yet a trend, nor three within a blink (the PSI
        // trigger can wake the watch twice in a row).
        {"two looks", looks(0, {17.8, 17.0}, {62.6, 63.4}), 0.10, false},
        {"three in a blink", looks(0, {17.82, 17.81, 17.80}, {62.6, 62.6, 62.61}, 0.2), 0.10,
         false},
        // A look that did not fall breaks the run.
        {"a pause", looks(0, {18.6, 18.6, 17.8}, {61.8, 61.8, 62.6}), 0.10, false},
        // Page cache dropped (a large copy): available falls, anon does not.
        {"page cache", looks(0, {17.8, 17.0, 16.2}, {40.0, 40.1, 40.1}), 0.10, false},
        // Already under the line: critical whatever the pace.
        {"under the line", looks(0, {10.4, 10.0, 9.6}, {70.0, 70.4, 70.8}), 0.10, true},
        // Looks older than the window no longer count towards the run.
        {"stale run", {{0, 0.186, 0.618}, {1, 0.182, 0.62}, {20, 0.178, 0.626}}, 0.10, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(headingForKillerLine(row.looks, row.line), row.heading) << row.what;
    }
}

}  // namespace
}  // namespace tidemark
