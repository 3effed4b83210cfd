#include "platform/linux/LinuxProbePlatform.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "FakeProbePlatform.h"
#include "TempDir.h"
#include "core/SystemProbe.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const std::uint64_t kPage = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));

class LinuxProbePlatformTest : public ::testing::Test {
protected:
    LinuxProbePlatformTest() {
        TempDir::writeFile(root / "meminfo",
                           "MemTotal: 1000000 kB\nMemFree: 10 kB\nMemAvailable: 150000 kB\n"
                           "SwapTotal: 400000 kB\nSwapFree: 100000 kB\n");
        TempDir::writeFile(root / "pressure/memory",
                           "some avg10=45.00 avg60=3.00 avg300=0.00 total=1\n");
        TempDir::writeFile(root / "loadavg", "0.10 0.20 0.30 2/1345 999\n");
        TempDir::writeFile(root / "1/statm", "100 25 0 0 0 0 0\n");
        TempDir::writeFile(root / "1/comm", "systemd\n");
        fs::create_symlink("/usr/lib/systemd/systemd", root / "1/exe");
        TempDir::writeFile(root / "42/statm", "7 3 0 0 0 0 0\n");
        TempDir::writeFile(root / "42/comm", "a\tb\n");
        fs::create_symlink("/usr/bin/old (deleted)", root / "42/exe");
        TempDir::writeFile(root / "300/comm", "gone\n");  // no statm: unreadable
        TempDir::writeFile(root / "7/statm", "9 1 0 0 0 0 0\n");
        TempDir::writeFile(root / "1/smaps_rollup",
                           "00400000-7fff0000 ---p 00000000 00:00 0  [rollup]\nRss: 900 kB\n"
                           "Pss_Anon: 300 kB\nPss_File: 500 kB\nPss_Shmem: 20 kB\nSwapPss: 4 kB\n");
        TempDir::writeFile(root / "42/smaps_rollup", "Rss: 12 kB\nPss: 12 kB\n");
        TempDir::writeFile(root / "1/status",
                           "Name:\tsystemd\nRssAnon:\t 310 kB\nRssFile:\t 580 kB\n"
                           "RssShmem:\t 30 kB\nVmSwap:\t 8 kB\n");
        fs::create_directory_symlink("42", root / "self");
    }

    TempDir root;
    LinuxProbePlatform platform{root.path().string()};
    test::NoBundles bundles;
    SystemProbe probe{platform, bundles};
};

TEST_F(LinuxProbePlatformTest, MemoryFiguresAndTheirFallbacks) {
    // Critical: some >= 40 with 15 % available.
    LightweightSample sample = probe.lightweightSample();
    EXPECT_EQ(sample, (LightweightSample{sample.capturedAt, Pressure::critical, 300000u * 1024,
                                         1000000u * 1024, 850000u * 1024}));
    fs::remove(root / "pressure/memory");
    EXPECT_EQ(probe.lightweightSample().pressure, Pressure::warning);
    // Without meminfo nothing but the installed memory can be told.
    fs::remove(root / "meminfo");
    sample = probe.lightweightSample();
    EXPECT_EQ(sample, (LightweightSample{sample.capturedAt, Pressure::unknown, std::nullopt,
                                         sample.physicalMemoryBytes, std::nullopt}));
    EXPECT_GT(sample.physicalMemoryBytes, 0u);
}

TEST_F(LinuxProbePlatformTest, Processes) {
    EXPECT_EQ(platform.processCountHint(), 1345);
    SystemProbe::ProcessList list = probe.readProcesses();
    std::sort(list.samples.begin(), list.samples.end(),
              [](const auto& a, const auto& b) { return a.pid < b.pid; });
    // The kernel's line feed goes; a tab stays for the printer; "(deleted)" is no part of the path.
    const std::vector<ProcessSample> expected = {
        {1, "systemd", "/usr/lib/systemd/systemd", 25 * kPage},
        {7, "pid 7", std::nullopt, kPage},
        {42, "a\tb", "/usr/bin/old", 3 * kPage},
    };
    EXPECT_EQ(list.samples, expected);
    EXPECT_EQ(list.unreadableCount, 1);
}

TEST_F(LinuxProbePlatformTest, FootprintFromSmapsRollup) {
    EXPECT_EQ(platform.footprintBytes(1), 324u * 1024);
    // An old kernel's file, and one that cannot be read (no such file here,
    // another user's process on a real system): the resident size stands in.
    EXPECT_EQ(platform.footprintBytes(42), std::nullopt);
    EXPECT_EQ(platform.footprintBytes(7), std::nullopt);
    // The cheap bound counts shared pages whole.
    EXPECT_EQ(platform.footprintEstimateBytes(1), 348u * 1024);
    EXPECT_EQ(platform.footprintEstimateBytes(7), std::nullopt);
}

TEST(LinuxProbePlatformRealProcTest, ReadsThisMachine) {
    LinuxProbePlatform platform;
    SystemProbe probe(platform);
    const LightweightSample sample = probe.lightweightSample();
    EXPECT_EQ(sample.physicalMemoryBytes, std::uint64_t(::sysconf(_SC_PHYS_PAGES)) * kPage);
    EXPECT_NE(sample.pressure, Pressure::unknown);
    ASSERT_TRUE(sample.memoryUsedBytes.has_value());
    EXPECT_LE(*sample.memoryUsedBytes, sample.physicalMemoryBytes);

    // This test's own process, as the kernel names it, with its own path.
    std::string comm;
    std::getline(std::ifstream("/proc/self/comm"), comm);
    const auto list = probe.readProcesses().samples;
    const auto self = std::ranges::find(list, ::getpid(), &ProcessSample::pid);
    ASSERT_NE(self, list.end());
    EXPECT_EQ(self->name, comm);
    EXPECT_EQ(self->executablePath, fs::read_symlink("/proc/self/exe").string());
    EXPECT_GT(self->residentBytes, 0u);
    // Heap pages of its own, far fewer than all resident pages.
    const std::optional<std::uint64_t> footprint = platform.footprintBytes(::getpid());
    ASSERT_TRUE(footprint.has_value());
    EXPECT_GT(*footprint, 0u);
    EXPECT_LE(*footprint, self->residentBytes * 2);
}

}  // namespace
}  // namespace tidemark
