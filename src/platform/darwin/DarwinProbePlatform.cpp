#ifdef __APPLE__

#include <libproc.h>
#include <mach/mach.h>
#include <sys/proc_info.h>
#include <sys/sysctl.h>

#include "core/Clock.h"
#include "core/ProbePlatform.h"

namespace tidemark {

namespace {

static_assert(sizeof(xsw_usage) == 32, "vm.swapusage record");
static_assert(sizeof(proc_taskinfo) == 96, "PROC_PIDTASKINFO record");

class DarwinProbePlatform final : public ProbePlatform {
public:
    Timestamp now() override { return SystemClock().now(); }

    MemoryReadings readMemory() override {
        MemoryReadings readings;

        std::int32_t level = 0;
        size_t size = sizeof level;
        if (::sysctlbyname("kern.memorystatus_vm_pressure_level", &level, &size, nullptr, 0) == 0) {
            readings.pressureLevelCode = level;
        }

        xsw_usage swap{};
        size = sizeof swap;
        if (::sysctlbyname("vm.swapusage", &swap, &size, nullptr, 0) == 0) {
            readings.swapUsedBytes = swap.xsu_used;
        }

        // What ProcessInfo.physicalMemory reports.
        std::uint64_t physical = 0;
        size = sizeof physical;
        if (::sysctlbyname("hw.memsize", &physical, &size, nullptr, 0) == 0) {
            readings.physicalMemoryBytes = physical;
        }

        vm_statistics64_data_t stats{};
        // The SDK's own count, so the kernel never writes past the record.
        mach_msg_type_number_t count = HOST_VM_INFO64_COUNT;
        vm_size_t pageSize = 0;
        if (::host_statistics64(::mach_host_self(), HOST_VM_INFO64,
                                reinterpret_cast<host_info64_t>(&stats), &count) == KERN_SUCCESS &&
            ::host_page_size(::mach_host_self(), &pageSize) == KERN_SUCCESS) {
            MemoryUseInputs use;
            use.inUsePages = {stats.active_count, stats.inactive_count, stats.wire_count,
                              stats.compressor_page_count};
            use.reclaimablePages = stats.purgeable_count;
            use.pageSizeBytes = pageSize;
            readings.memoryUse = use;
        }
        return readings;
    }

    int processCountHint() override { return ::proc_listallpids(nullptr, 0); }

    int listProcessIds(std::span<std::int32_t> pids) override {
        return ::proc_listallpids(pids.data(), static_cast<int>(pids.size_bytes()));
    }

    std::optional<std::uint64_t> residentBytes(std::int32_t pid) override {
        proc_taskinfo info{};
        if (::proc_pidinfo(pid, PROC_PIDTASKINFO, 0, &info, sizeof info) != sizeof info) {
            return std::nullopt;
        }
        return info.pti_resident_size;
    }

    int processName(std::int32_t pid, std::span<char> buffer) override {
        return ::proc_name(pid, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    }

    int executablePath(std::int32_t pid, std::span<char> buffer) override {
        return ::proc_pidpath(pid, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    }
};

}  // namespace

ProbePlatform& defaultProbePlatform() {
    static DarwinProbePlatform platform;
    return platform;
}

}  // namespace tidemark

#endif  // __APPLE__
