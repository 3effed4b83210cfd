#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark {

// Seconds since the Unix epoch, wall clock.
using Timestamp = double;

// Kernel memory-pressure level. The order of the cases is relied upon: the
// advice follow-up compares normal < warning < critical, and unknown never
// takes part in an ordering comparison.
enum class Pressure { normal, warning, critical, unknown };

std::string_view toString(Pressure pressure);
// Rank in the order normal < warning < critical. Unknown ranks with normal,
// so that it never counts as a rise.
int pressureSeverity(Pressure pressure);
// Exact, case-sensitive match of the raw value; anything else is absent.
std::optional<Pressure> pressureFromString(std::string_view text);

// One application (or stand-alone process) with the memory of all of its
// processes summed.
// How much an application grew over the recent past, kept only when the
// growth is large enough to make it the likely cause of a shortage.
struct MemoryGrowth {
    std::uint64_t bytes = 0;
    // The span the growth was measured over (at most about five minutes).
    double seconds = 0;
    bool operator==(const MemoryGrowth&) const = default;
};

struct AppMemory {
    std::string name;
    std::optional<std::string> bundleIdentifier;
    // Resident memory summed over the processes; pages they share are
    // counted once per process.
    std::uint64_t residentBytes = 0;
    std::int64_t processCount = 0;
    // What closing the application would give back: on Linux the
    // proportional anonymous, shared-memory and swapped pages, on macOS the
    // footprint. Equals the resident figure for a process whose finer figure
    // cannot be read. Applications are ranked and shown by it.
    std::uint64_t footprintBytes = 0;
    std::optional<MemoryGrowth> growth = std::nullopt;

    // The bundle identifier when there is one, otherwise the name.
    const std::string& id() const { return bundleIdentifier ? *bundleIdentifier : name; }
    bool operator==(const AppMemory&) const = default;
};

// One readable process as the probe saw it. Never encoded.
struct ProcessSample {
    std::int32_t pid = 0;
    std::string name;
    std::optional<std::string> executablePath;
    std::uint64_t residentBytes = 0;
    bool operator==(const ProcessSample&) const = default;
};

// The cheap reading taken on every monitoring tick.
struct LightweightSample {
    Timestamp capturedAt = 0;
    Pressure pressure = Pressure::unknown;
    std::optional<std::uint64_t> swapUsedBytes;
    std::uint64_t physicalMemoryBytes = 0;
    std::optional<std::uint64_t> memoryUsedBytes;
    bool operator==(const LightweightSample&) const = default;
};

// One full reading of the machine, including the largest applications.
struct SystemSnapshot {
    Timestamp capturedAt = 0;
    Pressure pressure = Pressure::unknown;
    std::optional<std::uint64_t> swapUsedBytes;
    std::uint64_t physicalMemoryBytes = 0;
    std::vector<AppMemory> topApplications;
    std::int64_t unreadableProcessCount = 0;
    bool processListAvailable = false;

    bool swapAvailable() const { return swapUsedBytes.has_value(); }
    bool operator==(const SystemSnapshot&) const = default;
};

}  // namespace tidemark
