#include "core/SystemProbe.h"

#include <gtest/gtest.h>

#include "FakeProbePlatform.h"

namespace tidemark {
namespace {

using test::FakeProbePlatform;
using test::NoBundles;

class SystemProbeTest : public ::testing::Test {
protected:
    FakeProbePlatform platform;
    NoBundles bundles;
    SystemProbe probe{platform, bundles};
};

TEST_F(SystemProbeTest, PressureLevelCodes) {
    const std::pair<std::optional<std::int32_t>, Pressure> cases[] = {
        {1, Pressure::normal},   {2, Pressure::warning},
        {4, Pressure::critical}, {3, Pressure::unknown},
        {0, Pressure::unknown},  {5, Pressure::unknown},
        {-1, Pressure::unknown}, {std::nullopt, Pressure::unknown},
    };
    for (const auto& [code, pressure] : cases) {
        platform.memory.pressureLevelCode = code;
        EXPECT_EQ(probe.lightweightSample().pressure, pressure) << code.value_or(-99);
    }
}

TEST_F(SystemProbeTest, LightweightSampleCarriesReadingsAndClampsUsedMemory) {
    platform.time = 1'700'000'000.5;
    platform.memory.swapUsedBytes = 0;
    platform.memory.physicalMemoryBytes = 16 * 4096;
    // Four 32-bit counts whose sum needs 64 bits.
    platform.memory.memoryUse =
        MemoryUseInputs{{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}, 0, 4096};
    LightweightSample sample = probe.lightweightSample();
    EXPECT_EQ(sample.capturedAt, 1'700'000'000.5);
    EXPECT_EQ(sample.swapUsedBytes, 0u);  // present zero, not absent
    EXPECT_EQ(sample.physicalMemoryBytes, 16u * 4096);
    EXPECT_EQ(sample.memoryUsedBytes, 16u * 4096);

    platform.memory.memoryUse = MemoryUseInputs{{4, 3, 2, 1}, 3, 4096};
    EXPECT_EQ(probe.lightweightSample().memoryUsedBytes, 7u * 4096);
    platform.memory.memoryUse = MemoryUseInputs{{4, 3, 2, 1}, 11, 4096};
    EXPECT_EQ(probe.lightweightSample().memoryUsedBytes, 0u);

    platform.memory.memoryUse.reset();
    platform.memory.swapUsedBytes.reset();
    sample = probe.lightweightSample();
    EXPECT_EQ(sample.memoryUsedBytes, std::nullopt);
    EXPECT_EQ(sample.swapUsedBytes, std::nullopt);
}

TEST_F(SystemProbeTest, ReadsProcessesWithFallbacks) {
    platform.addProcess(10, "bash", "/usr/bin/bash", 4096);
    platform.pids.push_back(0);   // skipped, not counted
    platform.pids.push_back(-3);  // skipped, not counted
    platform.addProcess(11, "gone", "/usr/bin/gone", 1);
    platform.processes[11].residentBytes.reset();
    platform.addProcess(42, "", "/opt/x", 8192);
    platform.processes[42].nameBytes.reset();
    platform.addProcess(43, std::string("ab\xff\0junk", 8), std::nullopt, 1);

    const SystemProbe::ProcessList list = probe.readProcesses();
    ASSERT_EQ(list.samples.size(), 3u);
    EXPECT_EQ(list.samples[0], (ProcessSample{10, "bash", "/usr/bin/bash", 4096}));
    EXPECT_EQ(list.samples[1], (ProcessSample{42, "pid 42", "/opt/x", 8192}));
    EXPECT_EQ(list.samples[2], (ProcessSample{43, "ab\xEF\xBF\xBD", std::nullopt, 1}));
    EXPECT_EQ(list.unreadableCount, 1);
    EXPECT_TRUE(list.available);
    EXPECT_EQ(platform.taskRecordReads, (std::vector<std::int32_t>{10, 11, 42, 43}));
}

TEST_F(SystemProbeTest, ListingCapacity) {
    platform.countHint = 10;
    probe.readProcesses();
    EXPECT_EQ(platform.lastListingCapacity, 1024u);

    platform.countHint = 5000;
    probe.readProcesses();
    EXPECT_EQ(platform.lastListingCapacity, 5000u);

    // A listing that reports more than the buffer holds: only the buffer is
    // examined.
    platform.countHint = 0;
    for (std::int32_t pid = 1; pid <= 1100; ++pid) {
        platform.addProcess(pid, "p", std::nullopt, 1);
    }
    platform.listingResult = 1100;
    platform.taskRecordReads.clear();
    probe.readProcesses();
    EXPECT_EQ(platform.taskRecordReads.size(), 1024u);

    for (int failed : {0, -1}) {
        platform.listingResult = failed;
        const SystemProbe::ProcessList list = probe.readProcesses();
        EXPECT_TRUE(list.samples.empty());
        EXPECT_EQ(list.unreadableCount, 0);
        EXPECT_FALSE(list.available);
    }
}

TEST_F(SystemProbeTest, CaptureKeepsTheLargestAndCountsUnreadable) {
    platform.memory = MemoryReadings{2, 1024, 8u << 30, std::nullopt};
    for (std::int32_t pid = 1; pid <= 7; ++pid) {
        platform.addProcess(pid, "p" + std::to_string(pid), std::nullopt, pid * 1000u);
    }
    platform.addProcess(8, "unreadable", std::nullopt, 0);
    platform.processes[8].residentBytes.reset();

    SystemSnapshot snapshot = probe.capture(5);
    EXPECT_EQ(snapshot.capturedAt, platform.time);
    EXPECT_EQ(snapshot.pressure, Pressure::warning);
    EXPECT_EQ(snapshot.swapUsedBytes, 1024u);
    EXPECT_EQ(snapshot.physicalMemoryBytes, 8u << 30);
    ASSERT_EQ(snapshot.topApplications.size(), 5u);
    EXPECT_EQ(snapshot.topApplications.front(), (AppMemory{"p7", std::nullopt, 7000, 1}));
    EXPECT_EQ(snapshot.topApplications.back().name, "p3");
    EXPECT_EQ(snapshot.unreadableProcessCount, 1);
    EXPECT_TRUE(snapshot.processListAvailable);

    snapshot = probe.capture(0);
    EXPECT_TRUE(snapshot.topApplications.empty());
    EXPECT_EQ(snapshot.unreadableProcessCount, 1);

    // Every task record unreadable.
    for (std::int32_t pid = 1; pid <= 7; ++pid) {
        platform.processes[pid].residentBytes.reset();
    }
    snapshot = probe.capture(5);
    EXPECT_TRUE(snapshot.topApplications.empty());
    EXPECT_EQ(snapshot.unreadableProcessCount, 8);
    EXPECT_FALSE(snapshot.processListAvailable);
}

}  // namespace
}  // namespace tidemark
