#include "core/GrowthHistory.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

constexpr std::uint64_t kMiB = 1ull << 20;
constexpr std::uint64_t kGiB = 1ull << 30;
constexpr std::uint64_t kPhysical = 16 * kGiB;  // 5 %: 819 MiB

const GrowthHistory::Key kApp = GrowthHistory::keyFor("process:/usr/bin/app");
const GrowthHistory::Key kHelper = GrowthHistory::keyFor("process:/usr/lib/app/helper");
const GrowthHistory::Key kOther = GrowthHistory::keyFor("process:/usr/bin/other");

TEST(GrowthHistoryTest, QualifyingGrowth) {
    EXPECT_EQ(GrowthHistory::qualifyingGrowthBytes(4 * kGiB), 512 * kMiB);
    EXPECT_EQ(GrowthHistory::qualifyingGrowthBytes(32 * kGiB), 32 * kGiB / 20);

    // Resident MiB of the application (two keys) at each minute, then now.
    const struct {
        const char* what;
        std::vector<std::uint64_t> minutes;
        std::uint64_t now;
        std::optional<std::uint64_t> grewMiB;
    } rows[] = {
        {"grew enough", {1000, 1200, 1400, 1600, 1800}, 1900, 900},
        {"grew too little", {1000, 1200, 1400, 1600, 1800}, 1800, std::nullopt},
        {"grew, now falling", {1000, 1500, 2000, 2500, 3000}, 2900, std::nullopt},
        {"started within the window", {0, 0, 0, 300}, 1500, 1500},
        // Only the last five minutes count: 7 points, the first two too old.
        {"old growth", {0, 1000, 2000, 2000, 2000, 2000, 2000}, 2100, std::nullopt},
        {"no earlier point", {}, 5000, std::nullopt},
    };
    for (const auto& row : rows) {
        GrowthHistory history;
        Timestamp at = 1000;
        for (std::uint64_t mib : row.minutes) {
            // The application in two groups; another one beside it, steady.
            history.record(at, {{kApp, mib * kMiB / 2},
                                {kHelper, mib * kMiB - mib * kMiB / 2},
                                {kOther, 3 * kGiB}});
            at += 60;
        }
        const GrowthHistory::Key keys[] = {kApp, kHelper};
        const Timestamp now = at - 20;  // an early tick between minutes
        const std::optional<MemoryGrowth> growth =
            history.growth(keys, row.now * kMiB, now, kPhysical);
        ASSERT_EQ(growth.has_value(), row.grewMiB.has_value()) << row.what;
        if (growth) {
            EXPECT_EQ(growth->bytes, *row.grewMiB * kMiB) << row.what;
            EXPECT_LE(growth->seconds, GrowthHistory::kWindowSeconds) << row.what;
        }
        const GrowthHistory::Key other[] = {kOther};
        EXPECT_FALSE(history.growth(other, 3 * kGiB, now, kPhysical)) << row.what;
    }
}

TEST(GrowthHistoryTest, OnePointAMinuteWithinItsBounds) {
    GrowthHistory history;
    history.record(100, {{kApp, kGiB}});
    history.record(130, {{kApp, 9 * kGiB}});  // too soon: not kept
    const GrowthHistory::Key keys[] = {kApp};
    EXPECT_EQ(history.pointCount(), 1u);
    EXPECT_EQ(history.growth(keys, 2 * kGiB, 150, kPhysical), (MemoryGrowth{kGiB, 50}));

    // Two hours of minutes keep the bound; so do a thousand groups.
    std::vector<GrowthHistory::Entry> many;
    for (std::uint64_t i = 0; i < 1000; ++i) {
        many.emplace_back(GrowthHistory::keyFor("process:" + std::to_string(i)), i * kMiB);
    }
    for (int minute = 1; minute < 120; ++minute) {
        history.record(100 + 60.0 * minute, many);
    }
    EXPECT_EQ(history.pointCount(), GrowthHistory::kMaximumPoints - 1);
    // The largest groups are kept; one below them counts as none.
    const GrowthHistory::Key largest[] = {GrowthHistory::keyFor("process:999")};
    const GrowthHistory::Key smallest[] = {GrowthHistory::keyFor("process:1")};
    const Timestamp now = 100 + 60.0 * 120;
    EXPECT_FALSE(history.growth(largest, 999 * kMiB, now, kPhysical));
    EXPECT_TRUE(history.growth(smallest, kGiB, now, kPhysical));

    // A clock set back starts afresh instead of measuring across the jump.
    history.record(50, {{kApp, kGiB}});
    EXPECT_EQ(history.pointCount(), 1u);
}

}  // namespace
}  // namespace tidemark
