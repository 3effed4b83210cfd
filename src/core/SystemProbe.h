#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/BundleInfo.h"
#include "core/DesktopEntries.h"
#include "core/ProbePlatform.h"
#include "core/SampleSource.h"

namespace tidemark {

// Reads the machine's memory state through a ProbePlatform. Keeps no state
// between calls and never reports an error: a failed read becomes its
// defined fallback (unknown pressure, absent swap or used memory, a counted
// unreadable process, a "pid N" name).
class SystemProbe final : public SampleSource {
public:
    // Desktop entries are looked for where the environment says at each
    // capture, unless `desktopEntries` fixes the places.
    explicit SystemProbe(ProbePlatform& platform,
                         const BundleReader& bundles = defaultBundleReader(),
                         std::optional<DesktopEntryLocations> desktopEntries = std::nullopt);

    LightweightSample lightweightSample() override;
    SystemSnapshot capture(std::size_t limit) override;

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

    // 1 normal, 2 warning, 4 critical; anything else, or no value, unknown.
    static Pressure pressureFromLevelCode(std::optional<std::int32_t> code);
    // Pages in use minus reclaimable pages (never below zero), in bytes, and
    // never more than the installed memory.
    static std::uint64_t usedMemoryBytes(const MemoryUseInputs& inputs,
                                         std::uint64_t physicalMemoryBytes);

private:
    ProbePlatform& m_platform;
    const BundleReader& m_bundles;
    std::optional<DesktopEntryLocations> m_desktopEntries;
};

}  // namespace tidemark
