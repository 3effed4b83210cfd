#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/AppClassifier.h"
#include "core/GrowthHistory.h"
#include "core/ProbePlatform.h"
#include "core/SampleSource.h"
#include "freedesktop/DesktopEntries.h"
#include "platform/darwin/BundleInfo.h"

namespace tidemark {

// Reads the machine's memory state through a ProbePlatform. Keeps nothing
// between calls but the growth history and the desktop-entry index, and
// never reports an error: a failed read becomes its defined fallback (unknown
// pressure, absent swap or used memory, a counted unreadable process, a
// "pid N" name, the resident size for what closing an application frees).
class SystemProbe final : public SampleSource {
public:
    // Desktop entries are looked for where the environment says at each
    // capture, unless `desktopEntries` fixes the places. They are read again
    // only when the places or their directories changed: an alert's capture
    // comes when the page cache that held them is being evicted.
    explicit SystemProbe(ProbePlatform& platform,
                         const BundleReader& bundles = defaultBundleReader(),
                         std::optional<DesktopEntryLocations> desktopEntries = std::nullopt);

    LightweightSample lightweightSample() override;
    // The largest applications by what closing them frees, and any that
    // qualifies by growth (see GrowthHistory) even when it is smaller.
    SystemSnapshot capture(std::size_t limit) override;
    // Adds a point to the growth history when one is due: one pass over the
    // processes' resident sizes, without naming them.
    void recordGrowth(const LightweightSample& sample) override;

    // The finer per-process figure is read for the processes of the leading
    // applications only, largest first, at most this many per capture and
    // per application. Its cost grows with the pages the kernel walks (about
    // 10-20 ms per GiB resident), so at most kMaximumFootprintWalkBytes of
    // resident memory are read per capture. A process beyond these bounds
    // counts at the platform's cheap estimate (at most
    // kMaximumFootprintEstimates of them), else at the ratio its
    // application's other processes showed, or at its resident size.
    static constexpr std::size_t kMaximumFootprintReads = 128;
    static constexpr std::size_t kMaximumFootprintReadsPerApplication = 32;
    static constexpr std::size_t kMaximumFootprintEstimates = 64;
    static constexpr std::uint64_t kMaximumFootprintWalkBytes = 4ull << 30;

    // Sized so that every name and path the kernels report fits.
    static constexpr std::size_t kNameBufferBytes = 1024;
    static constexpr std::size_t kPathBufferBytes = 4096;
    // A sandboxed process's scope sits in the first lines; a longer file is
    // read only this far.
    static constexpr std::size_t kControlGroupBufferBytes = 4096;
    // The listing buffer never holds fewer identifiers than this, so that
    // processes started between counting and listing still fit.
    static constexpr std::size_t kMinimumListingCapacity = 1024;

    struct ProcessList {
        std::vector<ProcessSample> samples;
        std::int64_t unreadableCount = 0;
        bool available = false;
    };
    ProcessList readProcesses();

    const GrowthHistory& growthHistory() const { return m_growth; }

    // 1 normal, 2 warning, 4 critical; anything else, or no value, unknown.
    static Pressure pressureFromLevelCode(std::optional<std::int32_t> code);
    // Pages in use minus reclaimable pages (never below zero), in bytes, and
    // never more than the installed memory.
    static std::uint64_t usedMemoryBytes(const MemoryUseInputs& inputs,
                                         std::uint64_t physicalMemoryBytes);

private:
    // Names read only where a process has no path: all a growth point needs.
    ProcessList readProcesses(bool names);
    void recordGrowth(Timestamp at, const std::vector<ProcessSample>& samples);
    // Fills footprintBytes of the groups that can rank among the first
    // `limit` and of those that qualify by growth; the others keep their
    // resident size.
    void nameByUnit(AppClassifier::Group& group, const std::vector<ProcessSample>& samples,
                    const DesktopEntryIndex& desktopEntries, std::span<char> controlGroupText);
    const DesktopEntryIndex& desktopEntryIndex();
    void readFootprints(std::vector<AppClassifier::Group>& groups,
                        const std::vector<ProcessSample>& samples, std::size_t limit,
                        std::uint64_t swapUsedBytes);

    ProbePlatform& m_platform;
    GrowthHistory m_growth;
    const BundleReader& m_bundles;
    std::optional<DesktopEntryLocations> m_desktopEntries;
    std::optional<DesktopEntryIndex> m_desktopEntryIndex;
};

}  // namespace tidemark
