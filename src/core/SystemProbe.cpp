#include "core/SystemProbe.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/AppClassifier.h"
#include "core/Formatting.h"

namespace tidemark {

namespace {

// The listing's byte size is a signed 32-bit value on macOS; a count whose
// buffer would not fit is treated like a failed listing.
constexpr int kMaximumListingCount = 536'870'911;

template <std::size_t N>
std::string decode(const std::array<char, N>& buffer) {
    return decodeUtf8Lossy(std::string_view(buffer.data(), buffer.size()));
}

}  // namespace

SystemProbe::SystemProbe(ProbePlatform& platform, const BundleReader& bundles,
                         std::optional<DesktopEntryLocations> desktopEntries)
    : m_platform(platform), m_bundles(bundles), m_desktopEntries(std::move(desktopEntries)) {}

Pressure SystemProbe::pressureFromLevelCode(std::optional<std::int32_t> code) {
    if (!code) {
        return Pressure::unknown;
    }
    switch (*code) {
        case 1:
            return Pressure::normal;
        case 2:
            return Pressure::warning;
        case 4:
            return Pressure::critical;
        default:
            return Pressure::unknown;
    }
}

std::uint64_t SystemProbe::usedMemoryBytes(const MemoryUseInputs& inputs,
                                           std::uint64_t physicalMemoryBytes) {
    std::uint64_t pages = 0;
    for (std::uint64_t count : inputs.inUsePages) {
        if (__builtin_add_overflow(pages, count, &pages)) {
            pages = UINT64_MAX;
        }
    }
    pages -= std::min(pages, inputs.reclaimablePages);
    std::uint64_t used = 0;
    if (__builtin_mul_overflow(pages, inputs.pageSizeBytes, &used)) {
        used = UINT64_MAX;
    }
    return std::min(used, physicalMemoryBytes);
}

LightweightSample SystemProbe::lightweightSample() {
    LightweightSample sample;
    sample.capturedAt = m_platform.now();
    const MemoryReadings readings = m_platform.readMemory();
    sample.pressure = pressureFromLevelCode(readings.pressureLevelCode);
    sample.swapUsedBytes = readings.swapUsedBytes;
    sample.physicalMemoryBytes = readings.physicalMemoryBytes;
    if (readings.memoryUse) {
        sample.memoryUsedBytes = usedMemoryBytes(*readings.memoryUse, readings.physicalMemoryBytes);
    }
    return sample;
}

SystemProbe::ProcessList SystemProbe::readProcesses() {
    ProcessList result;
    const int hint = m_platform.processCountHint();
    if (hint > kMaximumListingCount) {
        return result;
    }
    const std::size_t capacity = std::max<std::size_t>(
        hint > 0 ? static_cast<std::size_t>(hint) : 0, kMinimumListingCapacity);
    std::vector<std::int32_t> pids(capacity, 0);
    const int count = m_platform.listProcessIds(pids);
    if (count < 1) {
        return result;
    }
    const std::size_t examined = std::min(capacity, static_cast<std::size_t>(count));
    result.samples.reserve(examined);

    std::array<char, kNameBufferBytes> name;
    std::array<char, kPathBufferBytes> path;
    for (std::size_t i = 0; i < examined; ++i) {
        const std::int32_t pid = pids[i];
        if (pid < 1) {
            continue;
        }
        const std::optional<std::uint64_t> resident = m_platform.residentBytes(pid);
        if (!resident) {
            ++result.unreadableCount;
            continue;
        }
        ProcessSample sample;
        sample.pid = pid;
        sample.residentBytes = *resident;
        name.fill(0);
        if (m_platform.processName(pid, name) < 1) {
            sample.name = "pid " + std::to_string(pid);
        } else {
            sample.name = decode(name);
        }
        path.fill(0);
        if (m_platform.executablePath(pid, path) >= 1) {
            sample.executablePath = decode(path);
        }
        result.samples.push_back(std::move(sample));
    }
    result.available = !result.samples.empty();
    return result;
}

SystemSnapshot SystemProbe::capture(std::size_t limit) {
    const LightweightSample sample = lightweightSample();
    ProcessList processes = readProcesses();

    // Read once per capture, and only as far as the processes ask.
    const DesktopEntryIndex desktopEntries(
        m_desktopEntries ? *m_desktopEntries : DesktopEntryLocations::fromEnvironment());
    AppClassifier::IdentitySources sources{m_bundles, &desktopEntries, {}};
    std::array<char, kControlGroupBufferBytes> groups;
    // Without a Flatpak installation no process can be in a sandbox, and the
    // extra read per process is saved.
    if (desktopEntries.hasFlatpakApplications()) {
        sources.sandboxApplication = [this, &groups](std::int32_t pid) {
            const int length = m_platform.controlGroups(pid, groups);
            return length < 1 ? std::nullopt
                              : flatpakApplicationId(std::string_view(
                                    groups.data(), std::min<std::size_t>(length, groups.size())));
        };
    }
    std::vector<AppMemory> applications = AppClassifier::aggregate(processes.samples, sources);
    if (applications.size() > limit) {
        applications.resize(limit);
    }

    SystemSnapshot snapshot;
    snapshot.capturedAt = sample.capturedAt;
    snapshot.pressure = sample.pressure;
    snapshot.swapUsedBytes = sample.swapUsedBytes;
    snapshot.physicalMemoryBytes = sample.physicalMemoryBytes;
    snapshot.topApplications = std::move(applications);
    snapshot.unreadableProcessCount = processes.unreadableCount;
    snapshot.processListAvailable = processes.available;
    return snapshot;
}

}  // namespace tidemark
