#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/KillerInventory.h"
#include "core/PressureLevel.h"
#include "core/ProbePlatform.h"
#include "platform/linux/LinuxKillSignals.h"

namespace tidemark {

// The probe's reads from procfs, with plain POSIX calls into fixed buffers.
// The procfs root is configurable so that tests can point it at a fixture
// tree.
class LinuxProbePlatform final : public ProbePlatform {
public:
    explicit LinuxProbePlatform(std::string procRoot = "/proc");

    Timestamp now() override;
    // Pressure from /proc/pressure/memory and /proc/meminfo (see
    // memoryPressureLevel), raised to critical while the recent reads show a
    // runaway heading for the line of the killer that runs here
    // (headingForKillerLine); swap in use is SwapTotal - SwapFree; physical
    // memory is MemTotal; used memory is MemTotal - MemAvailable.
    MemoryReadings readMemory() override;
    int processCountHint() override;
    int listProcessIds(std::span<std::int32_t> pids) override;
    std::optional<std::uint64_t> residentBytes(std::int32_t pid) override;
    // From /proc/<pid>/smaps_rollup (see parseSmapsRollupFootprintKiB).
    std::optional<std::uint64_t> footprintBytes(std::int32_t pid) override;
    // From /proc/<pid>/status (see parseStatusFreeableKiB).
    std::optional<std::uint64_t> footprintEstimateBytes(std::int32_t pid) override;
    int processName(std::int32_t pid, std::span<char> buffer) override;
    int executablePath(std::int32_t pid, std::span<char> buffer) override;
    int controlGroups(std::int32_t pid, std::span<char> buffer) override;

private:
    // "<root>/<pid>/<file>" into `path`; false when it does not fit.
    bool pidPath(std::int32_t pid, const char* file, std::span<char> path) const;

    std::string m_root;
    std::string m_meminfoPath;
    std::string m_pressurePath;
    std::string m_loadavgPath;
    std::uint64_t m_pageSizeBytes;

    // The one piece of state: the last reads of available and anonymous
    // memory, and which killers run (looked up again every minute).
    bool headingForKiller(const MemInfo& info, double swapFreeFraction);
    LinuxKillSignals m_killSignals;
    std::optional<double> m_inventoryReadAt;  // monotonic seconds
    KillerInventory m_inventory;
    static constexpr std::size_t kLookCapacity = 8;
    std::array<MemoryLook, kLookCapacity> m_looks{};
    std::size_t m_lookCount = 0;  // the newest is m_looks[m_lookCount - 1]
};

}  // namespace tidemark
