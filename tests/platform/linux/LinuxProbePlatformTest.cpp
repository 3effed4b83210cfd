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
using test::NoBundles;
using test::TempDir;

// A procfs fixture tree.
class LinuxProbePlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        TempDir::writeFile(root / "meminfo",
                           "MemTotal:        1000000 kB\nMemFree:  10 kB\n"
                           "MemAvailable:     150000 kB\nSwapTotal:       400000 kB\n"
                           "SwapFree:         100000 kB\n");
        TempDir::writeFile(root / "pressure/memory",
                           "some avg10=45.00 avg60=3.00 avg300=0.00 total=1\n"
                           "full avg10=0.00 avg60=0.00 avg300=0.00 total=0\n");
        TempDir::writeFile(root / "loadavg", "0.10 0.20 0.30 2/1345 999\n");
        writeProcess(1, "100 25 0 0 0 0 0\n", "systemd\n", "/usr/lib/systemd/systemd");
        writeProcess(42, "7 3 0 0 0 0 0\n", "a\tb\n", "/usr/bin/old (deleted)");
        writeProcess(300, std::nullopt, "gone\n", std::nullopt);
        writeProcess(7, "9 1 0 0 0 0 0\n", std::nullopt, std::nullopt);
        fs::create_directories(root.path() / "sys");
        fs::create_directory_symlink("42", root.path() / "self");
    }

    void writeProcess(int pid, std::optional<std::string> statm, std::optional<std::string> comm,
                      std::optional<std::string> exe) {
        const fs::path dir = root.path() / std::to_string(pid);
        fs::create_directories(dir);
        if (statm)
            TempDir::writeFile(dir / "statm", *statm);
        if (comm)
            TempDir::writeFile(dir / "comm", *comm);
        if (exe)
            fs::create_symlink(*exe, dir / "exe");
    }

    TempDir root;
    LinuxProbePlatform platform{root.path().string()};
    NoBundles bundles;
    SystemProbe probe{platform, bundles};
};

TEST_F(LinuxProbePlatformTest, MemoryFigures) {
    LightweightSample sample = probe.lightweightSample();
    EXPECT_EQ(sample.pressure, Pressure::critical);  // some >= 40 with 15 % available
    EXPECT_EQ(sample.swapUsedBytes, 300000u * 1024);
    EXPECT_EQ(sample.physicalMemoryBytes, 1000000u * 1024);
    EXPECT_EQ(sample.memoryUsedBytes, 850000u * 1024);

    // Without PSI the available-memory rules alone decide.
    fs::remove(root / "pressure/memory");
    EXPECT_EQ(probe.lightweightSample().pressure, Pressure::warning);

    // Without meminfo nothing but the installed memory can be told.
    fs::remove(root / "meminfo");
    sample = probe.lightweightSample();
    EXPECT_EQ(sample.pressure, Pressure::unknown);
    EXPECT_EQ(sample.swapUsedBytes, std::nullopt);
    EXPECT_EQ(sample.memoryUsedBytes, std::nullopt);
    EXPECT_GT(sample.physicalMemoryBytes, 0u);
}

TEST_F(LinuxProbePlatformTest, Processes) {
    EXPECT_EQ(platform.processCountHint(), 1345);
    SystemProbe::ProcessList list = probe.readProcesses();
    std::sort(list.samples.begin(), list.samples.end(),
              [](const auto& a, const auto& b) { return a.pid < b.pid; });
    const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    ASSERT_EQ(list.samples.size(), 3u);
    EXPECT_EQ(list.samples[0],
              (ProcessSample{1, "systemd", "/usr/lib/systemd/systemd", 25 * page}));
    EXPECT_EQ(list.samples[1], (ProcessSample{7, "pid 7", std::nullopt, 1 * page}));
    // The line feed the kernel appends goes; a tab in the name stays for the
    // printer to deal with; the "(deleted)" mark is not part of the path.
    EXPECT_EQ(list.samples[2], (ProcessSample{42, "a\tb", "/usr/bin/old", 3 * page}));
    EXPECT_EQ(list.unreadableCount, 1);
}

std::uint64_t memTotalBytes() {
    std::ifstream in("/proc/meminfo");
    std::string key, unit;
    std::uint64_t value = 0;
    while (in >> key >> value >> unit) {
        if (key == "MemTotal:")
            return value * 1024;
    }
    return 0;
}

TEST(LinuxProbePlatformRealProcTest, ReadsThisMachine) {
    LinuxProbePlatform platform;
    SystemProbe probe(platform);
    const LightweightSample sample = probe.lightweightSample();
    EXPECT_EQ(sample.physicalMemoryBytes, memTotalBytes());
    EXPECT_NE(sample.pressure, Pressure::unknown);
    EXPECT_TRUE(sample.swapUsedBytes.has_value());
    ASSERT_TRUE(sample.memoryUsedBytes.has_value());
    EXPECT_LE(*sample.memoryUsedBytes, sample.physicalMemoryBytes);

    std::int64_t listed = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        listed += std::all_of(name.begin(), name.end(), ::isdigit) ? 1 : 0;
    }
    const SystemSnapshot snapshot = probe.capture(SIZE_MAX);
    std::int64_t seen = snapshot.unreadableProcessCount;
    for (const AppMemory& app : snapshot.topApplications)
        seen += app.processCount;
    EXPECT_NEAR(static_cast<double>(seen), static_cast<double>(listed), listed / 4.0 + 10);
    EXPECT_TRUE(snapshot.processListAvailable);

    // This test's own process, as the kernel names it, with its own path.
    std::string comm;
    std::getline(std::ifstream("/proc/self/comm"), comm);
    const SystemProbe::ProcessList list = probe.readProcesses();
    auto self = std::find_if(list.samples.begin(), list.samples.end(),
                             [](const ProcessSample& s) { return s.pid == ::getpid(); });
    ASSERT_NE(self, list.samples.end());
    EXPECT_EQ(self->name, comm);
    EXPECT_EQ(self->executablePath, fs::read_symlink("/proc/self/exe").string());
    EXPECT_GT(self->residentBytes, 0u);
    EXPECT_TRUE(std::any_of(snapshot.topApplications.begin(), snapshot.topApplications.end(),
                            [&](const AppMemory& app) { return app.name == comm; }));
}

}  // namespace
}  // namespace tidemark
