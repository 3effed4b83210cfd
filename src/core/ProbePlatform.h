#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "core/Models.h"

namespace tidemark {

// The figures the used-memory formula works on, in pages of pageSizeBytes.
// macOS fills inUsePages with the active, inactive, wired and compressor
// counts and reclaimablePages with the purgeable count. Linux reports KiB:
// MemTotal is the in-use figure and MemAvailable the reclaimable one, so the
// same formula gives MemTotal - MemAvailable.
struct MemoryUseInputs {
    std::array<std::uint64_t, 4> inUsePages{};
    std::uint64_t reclaimablePages = 0;
    std::uint64_t pageSizeBytes = 0;
};

// The system-wide figures of one sample, read together so that a platform
// whose figures share one kernel report (Linux /proc/meminfo) reads it once.
// An absent value is a failed read.
struct MemoryReadings {
    // Kernel level code: 1 normal, 2 warning, 4 critical; anything else is
    // passed through and mapped to unknown by the probe.
    std::optional<std::int32_t> pressureLevelCode;
    std::optional<std::uint64_t> swapUsedBytes;
    // Never fails; 0 at worst.
    std::uint64_t physicalMemoryBytes = 0;
    std::optional<MemoryUseInputs> memoryUse;
};

// The raw reads SystemProbe needs from the operating system. Implementations
// only read; every rule about what a value means, buffer sizes, fallbacks and
// clamping lives in SystemProbe, so that it can be exercised with a fake.
// Implementations keep no state between calls.
class ProbePlatform {
public:
    virtual ~ProbePlatform() = default;

    // Wall clock, seconds since the epoch.
    virtual Timestamp now() = 0;

    virtual MemoryReadings readMemory() = 0;

    // The current number of processes, used to size the listing buffer; a
    // value above the real number is fine. 0 or negative when unknown.
    virtual int processCountHint() = 0;
    // Writes process identifiers into `pids` and returns how many the system
    // reported; 0 or negative when the listing failed.
    virtual int listProcessIds(std::span<std::int32_t> pids) = 0;

    // The resident size from the process's task record; absent when the
    // record cannot be read (the process exited, or access is denied).
    virtual std::optional<std::uint64_t> residentBytes(std::int32_t pid) = 0;
    // What the process would give back if it ended: on Linux the
    // proportional anonymous, shared-memory and swapped pages
    // (/proc/<pid>/smaps_rollup), on macOS the physical footprint. Absent
    // when it cannot be read; the resident size then stands in. Far dearer
    // than residentBytes on Linux (the kernel walks the page tables), so the
    // probe asks only for the processes of the leading applications.
    virtual std::optional<std::uint64_t> footprintBytes(std::int32_t /*pid*/) {
        return std::nullopt;
    }
    // A cheap figure no smaller than footprintBytes, for processes beyond
    // what the probe reads exactly (Linux: /proc/<pid>/status, whose
    // counters count shared pages whole). Absent where there is none.
    virtual std::optional<std::uint64_t> footprintEstimateBytes(std::int32_t /*pid*/) {
        return std::nullopt;
    }
    // Write NUL-terminated bytes into the zero-filled buffer and return their
    // length; below 1 when nothing could be read.
    virtual int processName(std::int32_t pid, std::span<char> buffer) = 0;
    virtual int executablePath(std::int32_t pid, std::span<char> buffer) = 0;

    // The process's control-group membership (Linux: /proc/<pid>/cgroup),
    // which names the sandbox it runs in. Writes at most buffer.size() bytes
    // and returns their length; below 1 when nothing could be read. A system
    // without control groups keeps this default.
    virtual int controlGroups(std::int32_t /*pid*/, std::span<char> /*buffer*/) { return -1; }
};

// The running system's implementation (procfs on Linux, the kernel and
// libproc calls on macOS). Stateless, shared by the whole program.
ProbePlatform& defaultProbePlatform();

}  // namespace tidemark
