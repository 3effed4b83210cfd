#include <libproc.h>
#include <mach/mach.h>
#include <sys/proc_info.h>
#include <sys/resource.h>
#include <sys/sysctl.h>

#include <array>
#include <cstddef>
#include <cstring>

#include "core/Clock.h"
#include "core/ProbePlatform.h"

namespace tidemark {

namespace {

// The kernel fills these records by size and flavor number, so the layout
// this program was written against is checked against the SDK it builds
// with: a record that grew or moved would be read wrongly, not refused.
static_assert(sizeof(xsw_usage) == 32, "vm.swapusage record");
static_assert(offsetof(xsw_usage, xsu_used) == 16, "vm.swapusage used field");
static_assert(sizeof(proc_taskinfo) == 96, "PROC_PIDTASKINFO record");
static_assert(offsetof(proc_taskinfo, pti_resident_size) == 8,
              "the resident size is the task record's second field");
static_assert(PROC_PIDTASKINFO == 4, "task record flavor");
static_assert(HOST_VM_INFO64 == 4, "page statistics flavor");

// The page statistics are asked for with room for 40 words, the revision that
// ends with swapped_count; older SDKs (the macOS 11-13 headers among them)
// know only 38 words, and the kernel fills no more than the revision it has. Every field read here
// sits where the 38-word revision already put it.
constexpr mach_msg_type_number_t kPageStatisticsWords = 40;
static_assert(HOST_VM_INFO64_COUNT <= kPageStatisticsWords);
static_assert(sizeof(vm_statistics64_data_t) <= kPageStatisticsWords * sizeof(integer_t));
static_assert(offsetof(vm_statistics64, active_count) == 4 &&
                  offsetof(vm_statistics64, inactive_count) == 8 &&
                  offsetof(vm_statistics64, wire_count) == 12 &&
                  offsetof(vm_statistics64, purgeable_count) == 88 &&
                  offsetof(vm_statistics64, compressor_page_count) == 128,
              "page statistics fields");
static_assert(offsetof(rusage_info_current, ri_phys_footprint) ==
                  offsetof(rusage_info_v0, ri_phys_footprint),
              "the footprint sits where the first revision put it");

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

        std::array<integer_t, kPageStatisticsWords> words{};
        mach_msg_type_number_t count = kPageStatisticsWords;
        vm_size_t pageSize = 0;
        if (::host_statistics64(::mach_host_self(), HOST_VM_INFO64, words.data(), &count) ==
                KERN_SUCCESS &&
            ::host_page_size(::mach_host_self(), &pageSize) == KERN_SUCCESS) {
            vm_statistics64_data_t stats;
            std::memcpy(&stats, words.data(), sizeof stats);
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

    // What Activity Monitor calls Memory: the pages ending the process would
    // free, compressed and swapped ones included, shared ones not.
    std::optional<std::uint64_t> footprintBytes(std::int32_t pid) override {
        rusage_info_current info{};
        if (::proc_pid_rusage(pid, RUSAGE_INFO_CURRENT, reinterpret_cast<rusage_info_t*>(&info)) !=
            0) {
            return std::nullopt;
        }
        return info.ri_phys_footprint;
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
