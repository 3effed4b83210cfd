#include "core/SystemProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "FakeProbePlatform.h"

namespace tidemark {
namespace {

class SystemProbeTest : public ::testing::Test {
protected:
    test::FakeProbePlatform platform;
    test::NoBundles bundles;
    SystemProbe probe{platform, bundles};
};

TEST_F(SystemProbeTest, LightweightSampleMapsCodesAndClampsUsedMemory) {
    const std::pair<std::optional<std::int32_t>, Pressure> codes[] = {
        {1, Pressure::normal},  {2, Pressure::warning},  {4, Pressure::critical},
        {3, Pressure::unknown}, {-1, Pressure::unknown}, {std::nullopt, Pressure::unknown},
    };
    for (const auto& [code, pressure] : codes) {
        platform.memory.pressureLevelCode = code;
        EXPECT_EQ(probe.lightweightSample().pressure, pressure) << code.value_or(-99);
    }
    platform.memory.swapUsedBytes = 0;
    platform.memory.physicalMemoryBytes = 16 * 4096;
    // Four 32-bit counts whose sum needs 64 bits, clamped to the installed memory.
    platform.memory.memoryUse =
        MemoryUseInputs{{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}, 0, 4096};
    const LightweightSample sample = probe.lightweightSample();
    EXPECT_EQ(sample.swapUsedBytes, 0u);  // present zero, not absent
    EXPECT_EQ(sample.memoryUsedBytes, 16u * 4096);
    platform.memory.memoryUse = MemoryUseInputs{{4, 3, 2, 1}, 3, 4096};
    EXPECT_EQ(probe.lightweightSample().memoryUsedBytes, 7u * 4096);
    platform.memory.memoryUse = MemoryUseInputs{{4, 3, 2, 1}, 11, 4096};
    EXPECT_EQ(probe.lightweightSample().memoryUsedBytes, 0u);
}

TEST_F(SystemProbeTest, ReadsProcessesWithFallbacksAndBoundedListing) {
    platform.addProcess(10, "bash", "/usr/bin/bash", 4096);
    platform.pids.push_back(0);  // skipped, not counted
    platform.addProcess(11, "gone", "/usr/bin/gone", 1);
    platform.processes[11].residentBytes.reset();
    platform.addProcess(42, "", "/opt/x", 8192);
    platform.processes[42].nameBytes.reset();
    platform.addProcess(43, std::string("ab\xff\0junk", 8), std::nullopt, 1);
    SystemProbe::ProcessList list = probe.readProcesses();
    const std::vector<ProcessSample> expected = {{10, "bash", "/usr/bin/bash", 4096},
                                                 {42, "pid 42", "/opt/x", 8192},
                                                 {43, "ab\xEF\xBF\xBD", std::nullopt, 1}};
    EXPECT_EQ(list.samples, expected);
    EXPECT_EQ(list.unreadableCount, 1);
    EXPECT_TRUE(list.available);
    EXPECT_EQ(platform.lastListingCapacity, 1024u);

    platform.countHint = 5000;
    probe.readProcesses();
    EXPECT_EQ(platform.lastListingCapacity, 5000u);
    // A listing that reports more than the buffer holds: only the buffer is examined.
    platform.countHint = 0;
    platform.pids.clear();
    for (std::int32_t pid = 100; pid < 1200; ++pid)
        platform.addProcess(pid, "p", std::nullopt, 1);
    platform.listingResult = 1100;
    platform.taskRecordReads.clear();
    probe.readProcesses();
    EXPECT_EQ(platform.taskRecordReads.size(), 1024u);
    for (int failed : {0, -1}) {
        platform.listingResult = failed;
        list = probe.readProcesses();
        EXPECT_TRUE(list.samples.empty());
        EXPECT_EQ(list.unreadableCount, 0);
        EXPECT_FALSE(list.available);
    }
}

TEST_F(SystemProbeTest, CaptureKeepsTheLargestAndCountsUnreadable) {
    platform.memory = MemoryReadings{2, 1024, 8ull << 30, std::nullopt};
    for (std::int32_t pid = 1; pid <= 7; ++pid)
        platform.addProcess(pid, "p" + std::to_string(pid), std::nullopt, pid * 1000u);
    platform.addProcess(8, "unreadable", std::nullopt, 0);
    platform.processes[8].residentBytes.reset();

    SystemSnapshot expected{platform.time, Pressure::warning, 1024, 8ull << 30, {}, 1, true};
    for (std::int32_t pid = 7; pid >= 3; --pid)
        expected.topApplications.push_back(
            {"p" + std::to_string(pid), std::nullopt, pid * 1000u, 1, pid * 1000u});
    EXPECT_EQ(probe.capture(5), expected);

    for (std::int32_t pid = 1; pid <= 7; ++pid)
        platform.processes[pid].residentBytes.reset();
    expected.topApplications.clear();
    expected.unreadableProcessCount = 8;
    expected.processListAvailable = false;
    EXPECT_EQ(probe.capture(5), expected);
}

// Applications of the browser kind: many processes whose resident sizes
// count shared pages again and again, so that the ranking by what closing
// them frees differs from the one by resident size.
TEST_F(SystemProbeTest, FootprintBoundGivesTheRankingOfAFullRead) {
    platform.memory = MemoryReadings{1, 0, 16ull << 30, std::nullopt};
    struct App {
        const char* path;
        int processes;
        std::uint64_t resident, footprint;  // per process, in units of 64 KiB
    };
    const App apps[] = {
        {"/usr/lib/chromium/chromium", 16, 170, 75},
        {"/usr/lib/firefox-esr/firefox-esr", 12, 190, 110},
        {"/usr/bin/python3", 1, 900, 890},
        {"/usr/share/code/code", 9, 120, 60},
        {"/usr/bin/gnome-shell", 1, 400, 350},
        {"/usr/bin/Xwayland", 1, 300, 40},
        {"/usr/libexec/tracker", 1, 200, 190},
        {"/usr/bin/small", 40, 1, 1},
    };
    std::int32_t pid = 100;
    std::map<std::string, std::uint64_t> freed;
    for (const App& app : apps) {
        for (int i = 0; i < app.processes; ++i, ++pid) {
            const std::string path = app.path;
            platform.addProcess(pid, path.substr(path.rfind('/') + 1), path, app.resident << 16);
            platform.footprints[pid] = app.footprint << 16;
        }
        freed[app.path] = app.processes * app.footprint << 16;
    }
    // Every process read, ranked by hand.
    std::vector<std::pair<std::uint64_t, std::string>> full;
    for (const auto& [path, bytes] : freed) {
        full.emplace_back(bytes, path.substr(path.rfind('/') + 1));
    }
    std::sort(full.rbegin(), full.rend());

    SystemProbe probe{platform, bundles, DesktopEntryLocations{}};
    const std::vector<AppMemory> top = probe.capture(5).topApplications;
    ASSERT_EQ(top.size(), 5u);
    for (std::size_t i = 0; i < top.size(); ++i) {
        EXPECT_EQ(top[i].name, full[i].second) << i;
        EXPECT_EQ(top[i].footprintBytes, full[i].first) << i;
    }
    // Xwayland, tracker and the 40 small ones could not rank: never read.
    EXPECT_EQ(platform.footprintReads.size(), 16u + 12 + 1 + 9 + 1);

    // Swap in use may belong to any application: the bound widens by it.
    platform.footprintReads.clear();
    platform.memory.swapUsedBytes = 1ull << 26;
    probe.capture(5);
    EXPECT_GT(platform.footprintReads.size(), 16u + 12 + 1 + 9 + 1);

    // Unreadable (another user's process): its resident size stands in.
    platform.footprints.clear();
    EXPECT_EQ(probe.capture(5).topApplications.front().footprintBytes, 16 * 170ull << 16);

    // A process too large to walk within the bound is not read either.
    platform.addProcess(9000, "huge", "/usr/bin/huge", SystemProbe::kMaximumFootprintWalkBytes + 1);
    platform.footprints[9000] = 1;
    platform.footprintReads.clear();
    EXPECT_EQ(probe.capture(5).topApplications.front().footprintBytes,
              SystemProbe::kMaximumFootprintWalkBytes + 1);
    EXPECT_EQ(std::ranges::count(platform.footprintReads, 9000), 0);
    // The platform's cheap estimate stands in when there is one.
    platform.estimates[9000] = 1ull << 30;
    EXPECT_EQ(probe.capture(5).topApplications.front().footprintBytes, 1ull << 30);
}

// A program that allocates 10 MB/s beside larger idle applications, with a
// tick each minute and the warning's capture 40 s after the last one.
TEST_F(SystemProbeTest, AGrowingApplicationIsListedWithItsGrowth) {
    platform.memory = MemoryReadings{1, 0, 16ull << 30, std::nullopt};
    SystemProbe probe{platform, bundles, DesktopEntryLocations{}};
    for (std::int32_t pid = 1; pid <= 6; ++pid) {
        platform.addProcess(pid, "app" + std::to_string(pid), "/usr/bin/app" + std::to_string(pid),
                            (3000ull - pid * 100) << 20);
    }
    platform.addProcess(50, "runaway", "/home/u/runaway", 0);
    const auto tickAt = [&](double seconds) {
        platform.time = 1'765'000'000.0 + seconds;
        platform.processes[50].residentBytes = static_cast<std::uint64_t>(seconds * 10) << 20;
        probe.recordGrowth(probe.lightweightSample());
    };
    for (double minute : {0.0, 60.0, 120.0}) {
        tickAt(minute);
    }
    tickAt(160);  // the early tick: too soon for a point of its own

    // 1.6 GB resident, smaller than all six others: not listed by size alone.
    const std::vector<AppMemory> top = probe.capture(5).topApplications;
    ASSERT_EQ(top.size(), 5u);
    const auto runaway = std::ranges::find(top, std::string("runaway"), &AppMemory::name);
    ASSERT_NE(runaway, top.end());
    EXPECT_EQ(runaway->growth, (MemoryGrowth{1600ull << 20, 160}));
    EXPECT_EQ(top.back().name, "runaway");  // still ranked by size
}

}  // namespace
}  // namespace tidemark
