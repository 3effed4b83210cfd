#include "core/SystemProbe.h"

#include <gtest/gtest.h>

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
            {"p" + std::to_string(pid), std::nullopt, pid * 1000u, 1});
    EXPECT_EQ(probe.capture(5), expected);

    for (std::int32_t pid = 1; pid <= 7; ++pid)
        platform.processes[pid].residentBytes.reset();
    expected.topApplications.clear();
    expected.unreadableProcessCount = 8;
    expected.processListAvailable = false;
    EXPECT_EQ(probe.capture(5), expected);
}

}  // namespace
}  // namespace tidemark
