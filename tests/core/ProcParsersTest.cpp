#include "core/ProcParsers.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace tidemark {
namespace {

TEST(ProcParsersTest, MeminfoPressureStallAndStatm) {
    const MemInfo info = parseMeminfo(
        "MemTotal:       24684268 kB\nMemFree:        24035264 kB\n"
        "MemAvailable:   24189000 kB\nSwapTotal:      2097148 kB\nSwapFree:       garbage kB");
    EXPECT_EQ(std::tie(info.memTotalKiB, info.memAvailableKiB, info.swapTotalKiB, info.swapFreeKiB),
              std::make_tuple(24684268u, 24189000u, 2097148u, std::nullopt));
    EXPECT_EQ(parseMeminfo("MemTotal: 99999999999999999999999 kB\n").memTotalKiB, std::nullopt);

    auto stall = parsePressureStall(
        "some avg10=1.50 avg60=12.25 avg300=0.10 total=123\n"
        "full avg10=0.25 avg60=3.00 avg300=0.00 total=45\n");
    ASSERT_TRUE(stall);
    EXPECT_DOUBLE_EQ(stall->someAvg60, 12.25);
    EXPECT_DOUBLE_EQ(stall->fullAvg60, 3.0);
    // Kernels without a "full" line for memory.
    stall = parsePressureStall("some avg10=5.00 avg60=1.00 avg300=0.00 total=9\n");
    ASSERT_TRUE(stall);
    EXPECT_DOUBLE_EQ(stall->fullAvg10, 0);
    // Only the kernel's plain decimals count, whatever the locale.
    for (const char* value : {"x", "-1.00", "1e2", "1.", ".5", "1,50", "inf", "1.0.0"}) {
        EXPECT_FALSE(parsePressureStall(std::string("some avg10=") + value + " avg60=1.00\n"))
            << value;
    }
    EXPECT_DOUBLE_EQ(parsePressureStall("some avg10=7 avg60=0.125\n")->someAvg60, 0.125);
    EXPECT_FALSE(parsePressureStall("full avg10=1.00 avg60=1.00\n"));

    EXPECT_EQ(parseStatmResidentPages("5834 1721 1233 11 0 389 0\n"), 1721u);
    EXPECT_EQ(parseStatmResidentPages("5834\n"), std::nullopt);
    EXPECT_EQ(parseStatmResidentPages("5834 -3"), std::nullopt);
}

TEST(ProcParsersTest, SmapsRollupFootprint) {
    const std::string_view current =
        "55d0c0a00000-7ffd5b9fe000 ---p 00000000 00:00 0    [rollup]\n"
        "Rss:              613600 kB\nPss:              401234 kB\nPss_Dirty:        300000 kB\n"
        "Pss_Anon:         295000 kB\nPss_File:         100234 kB\nPss_Shmem:          6000 kB\n"
        "Shared_Clean:     200000 kB\nSwap:              80000 kB\nSwapPss:           40000 kB\n"
        "Locked:                0 kB\n";
    const struct {
        std::string_view text;
        std::optional<std::uint64_t> kib;
    } rows[] = {
        {current, 295000u + 6000 + 40000},
        // Only the first of a repeated key counts.
        {"Pss_Anon: 10 kB\nPss_Shmem: 2 kB\nPss_Anon: 900 kB\n", 12u},
        // No SwapPss: nothing swapped is known.
        {"Pss_Anon: 10 kB\nPss_Shmem: 0 kB", 10u},
        // A kernel that does not split the proportional size.
        {"Rss: 100 kB\nPss: 80 kB\nSwapPss: 0 kB\n", std::nullopt},
        {"Pss_Anon: x kB\nPss_Shmem: 0 kB\n", std::nullopt},
        {"Pss_Anon: 18446744073709551615 kB\nPss_Shmem: 1 kB\n", UINT64_MAX},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(parseSmapsRollupFootprintKiB(row.text), row.kib) << row.text;
    }
}

TEST(ProcParsersTest, StatusFreeable) {
    EXPECT_EQ(
        parseStatusFreeableKiB("Name:\tx\nVmRSS:\t 900 kB\nRssAnon:\t 300 kB\nRssFile:\t 580 kB\n"
                               "RssShmem:\t 20 kB\nVmSwap:\t 7 kB\n"),
        327u);
    EXPECT_EQ(parseStatusFreeableKiB("RssAnon: 3 kB\nRssShmem: 1 kB\n"), 4u);
    EXPECT_EQ(parseStatusFreeableKiB("VmRSS: 900 kB\nVmSwap: 0 kB\n"), std::nullopt);
}

}  // namespace
}  // namespace tidemark
