#include "core/SystemProbe.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>
#include <utility>

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

void sortByFootprint(std::vector<AppClassifier::Group>& groups) {
    std::stable_sort(groups.begin(), groups.end(),
                     [](const AppClassifier::Group& a, const AppClassifier::Group& b) {
                         return a.app.footprintBytes > b.app.footprintBytes;
                     });
}

// Those that qualify by growth, then the largest, ranked by what closing them
// frees.
template <typename Chosen>
std::vector<AppMemory> leading(std::vector<AppClassifier::Group> groups, std::size_t limit,
                               Chosen&& chosenGroup) {
    std::vector<bool> chosen(groups.size(), false);
    std::size_t count = 0;
    for (std::size_t i = 0; i < groups.size() && count < limit; ++i) {
        if (groups[i].app.growth) {
            chosen[i] = true;
            ++count;
        }
    }
    for (std::size_t i = 0; i < groups.size() && count < limit; ++i) {
        if (!chosen[i]) {
            chosen[i] = true;
            ++count;
        }
    }
    std::vector<AppMemory> out;
    out.reserve(count);
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (chosen[i]) {
            chosenGroup(groups[i]);
            out.push_back(std::move(groups[i].app));
        }
    }
    return out;
}

}  // namespace

void SystemProbe::readFootprints(std::vector<AppClassifier::Group>& groups,
                                 const std::vector<ProcessSample>& samples, std::size_t limit,
                                 std::uint64_t swapUsedBytes) {
    // An application frees at most its resident pages plus what it has in
    // swap, and all of them together no more swap than is in use. Groups come
    // largest resident first, so once `limit` applications were read and the
    // next one's bound is below the smallest of their figures, no later one
    // can enter: the result is the ranking reading every process would give.
    std::uint64_t unaccountedSwap = swapUsedBytes;
    std::size_t budget = kMaximumFootprintReads;
    std::uint64_t walkBudget = kMaximumFootprintWalkBytes;
    std::size_t estimates = 0;
    std::vector<std::uint64_t> best;  // the read figures, largest first, at most `limit`
    std::vector<std::size_t> order;
    const auto read = [&](AppClassifier::Group& group) {
        order = group.members;
        std::stable_sort(order.begin(), order.end(), [&samples](std::size_t a, std::size_t b) {
            return samples[a].residentBytes > samples[b].residentBytes;
        });
        std::uint64_t residentRead = 0, footprintRead = 0, residentLeft = 0;
        std::size_t reads = 0;
        for (std::size_t member : order) {
            const ProcessSample& process = samples[member];
            if (reads == kMaximumFootprintReadsPerApplication || budget == 0 ||
                process.residentBytes > walkBudget) {
                std::optional<std::uint64_t> estimate;
                if (estimates < kMaximumFootprintEstimates) {
                    ++estimates;
                    estimate = m_platform.footprintEstimateBytes(process.pid);
                }
                if (estimate) {
                    residentRead += process.residentBytes;
                    footprintRead += *estimate;
                } else {
                    residentLeft += process.residentBytes;
                }
                continue;
            }
            ++reads;
            --budget;
            walkBudget -= process.residentBytes;
            const std::uint64_t footprint =
                m_platform.footprintBytes(process.pid).value_or(process.residentBytes);
            if (footprint > process.residentBytes) {
                unaccountedSwap -= std::min(unaccountedSwap, footprint - process.residentBytes);
            }
            residentRead += process.residentBytes;
            footprintRead += footprint;
        }
        std::uint64_t scaledLeft = residentLeft;
        if (residentLeft > 0 && residentRead > 0) {
            scaledLeft = static_cast<std::uint64_t>(
                static_cast<double>(residentLeft) *
                (static_cast<double>(footprintRead) / static_cast<double>(residentRead)));
        }
        group.app.footprintBytes = footprintRead + scaledLeft;
        best.insert(
            std::upper_bound(best.begin(), best.end(), group.app.footprintBytes, std::greater<>()),
            group.app.footprintBytes);
        if (best.size() > limit) {
            best.pop_back();
        }
    };
    for (AppClassifier::Group& group : groups) {
        if (group.app.growth && budget > 0) {
            read(group);
        }
    }
    for (AppClassifier::Group& group : groups) {
        if (budget == 0 || limit == 0) {
            break;
        }
        if (group.app.growth) {
            continue;
        }
        if (best.size() == limit && group.app.residentBytes + unaccountedSwap <= best.back()) {
            break;
        }
        read(group);
    }
}

void SystemProbe::nameByUnit(AppClassifier::Group& group, const std::vector<ProcessSample>& samples,
                             const DesktopEntryIndex& desktopEntries,
                             std::span<char> controlGroupText) {
    // Read for the few applications shown, never for every process.
    if (!group.ownName || group.members.empty()) {
        return;
    }
    const ProcessSample& first = samples[group.members.front()];
    std::fill(controlGroupText.begin(), controlGroupText.end(), 0);
    const int length = m_platform.controlGroups(first.pid, controlGroupText);
    if (length < 1) {
        return;
    }
    if (std::optional<std::string> name = desktopEntries.nameForUnit(
            std::string_view(controlGroupText.data(),
                             std::min<std::size_t>(length, controlGroupText.size())),
            first.executablePath.value_or(first.name))) {
        group.app.name = std::move(*name);
    }
}

void SystemProbe::recordGrowth(const LightweightSample& sample) {
    if (m_growth.wantsPoint(sample.capturedAt)) {
        recordGrowth(sample.capturedAt, readProcesses(false).samples);
    }
}

void SystemProbe::recordGrowth(Timestamp at, const std::vector<ProcessSample>& samples) {
    if (!m_growth.wantsPoint(at)) {
        return;
    }
    std::vector<GrowthHistory::Entry> entries;
    entries.reserve(samples.size());
    for (const ProcessSample& process : samples) {
        entries.emplace_back(GrowthHistory::keyFor(AppClassifier::processKey(process)),
                             process.residentBytes);
    }
    m_growth.record(at, std::move(entries));
}

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
    return readProcesses(true);
}

SystemProbe::ProcessList SystemProbe::readProcesses(bool names) {
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
        path.fill(0);
        if (m_platform.executablePath(pid, path) >= 1) {
            sample.executablePath = decode(path);
        }
        if (names || !sample.executablePath) {
            name.fill(0);
            if (m_platform.processName(pid, name) < 1) {
                sample.name = "pid " + std::to_string(pid);
            } else {
                sample.name = decode(name);
            }
        }
        result.samples.push_back(std::move(sample));
    }
    result.available = !result.samples.empty();
    return result;
}

const DesktopEntryIndex& SystemProbe::desktopEntryIndex() {
    DesktopEntryLocations locations =
        m_desktopEntries ? *m_desktopEntries : DesktopEntryLocations::fromEnvironment();
    if (!m_desktopEntryIndex || m_desktopEntryIndex->locations() != locations ||
        !m_desktopEntryIndex->isCurrent()) {
        m_desktopEntryIndex.emplace(std::move(locations));
    }
    return *m_desktopEntryIndex;
}

SystemSnapshot SystemProbe::capture(std::size_t limit) {
    const LightweightSample sample = lightweightSample();
    ProcessList processes = readProcesses();

    const DesktopEntryIndex& desktopEntries = desktopEntryIndex();
    AppClassifier::IdentitySources sources{m_bundles, &desktopEntries, {}};
    std::array<char, kControlGroupBufferBytes> controlGroupText;
    // Without a Flatpak installation no process can be in a sandbox, and the
    // extra read per process is saved.
    if (desktopEntries.hasFlatpakApplications()) {
        sources.sandboxApplication = [this, &controlGroupText](std::int32_t pid) {
            const int length = m_platform.controlGroups(pid, controlGroupText);
            return length < 1 ? std::nullopt
                              : flatpakApplicationId(std::string_view(
                                    controlGroupText.data(),
                                    std::min<std::size_t>(length, controlGroupText.size())));
        };
    }
    std::vector<AppClassifier::Group> groups = AppClassifier::group(processes.samples, sources);

    // Growth first: an application that qualifies by it is read and listed
    // whatever its size.
    std::vector<GrowthHistory::Key> keys;
    for (AppClassifier::Group& group : groups) {
        keys.clear();
        for (std::size_t member : group.members) {
            keys.push_back(
                GrowthHistory::keyFor(AppClassifier::processKey(processes.samples[member])));
        }
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        group.app.growth = m_growth.growth(keys, group.app.residentBytes, sample.capturedAt,
                                           sample.physicalMemoryBytes);
    }
    readFootprints(groups, processes.samples, limit, sample.swapUsedBytes.value_or(0));
    sortByFootprint(groups);
    std::vector<AppMemory> applications =
        leading(std::move(groups), limit, [&](AppClassifier::Group& group) {
            nameByUnit(group, processes.samples, desktopEntries, controlGroupText);
        });
    recordGrowth(sample.capturedAt, processes.samples);

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
