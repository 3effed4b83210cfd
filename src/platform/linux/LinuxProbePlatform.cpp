#include "platform/linux/LinuxProbePlatform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <span>
#include <string_view>

#include "core/Clock.h"
#include "core/ProcParsers.h"

namespace tidemark {

namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::string_view kDeletedSuffix = " (deleted)";

// Reads up to buffer.size() bytes. Single-record procfs files (statm, comm)
// arrive in one read, so `untilEof` false saves the extra read that would
// only report the end. Returns the length, or -1 when the file cannot be read.
ssize_t readFile(const char* path, std::span<char> buffer, bool untilEof) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    size_t length = 0;
    while (length < buffer.size()) {
        ssize_t n = ::read(fd, buffer.data() + length, buffer.size() - length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return -1;
        }
        length += static_cast<size_t>(n);
        if (n == 0 || !untilEof) {
            break;
        }
    }
    ::close(fd);
    return static_cast<ssize_t>(length);
}

std::uint64_t saturatingKiB(std::uint64_t kib) {
    std::uint64_t bytes = 0;
    return __builtin_mul_overflow(kib, kKiB, &bytes) ? UINT64_MAX : bytes;
}

std::uint64_t physicalMemoryFromSysinfo() {
    struct sysinfo info {};
    if (::sysinfo(&info) != 0) {
        return 0;
    }
    std::uint64_t bytes = 0;
    return __builtin_mul_overflow(static_cast<std::uint64_t>(info.totalram),
                                  static_cast<std::uint64_t>(info.mem_unit), &bytes)
               ? UINT64_MAX
               : bytes;
}

}  // namespace

LinuxProbePlatform::LinuxProbePlatform(std::string procRoot)
    : m_root(std::move(procRoot)),
      m_meminfoPath(m_root + "/meminfo"),
      m_pressurePath(m_root + "/pressure/memory"),
      m_loadavgPath(m_root + "/loadavg"),
      m_killSignals(m_root) {
    long pageSize = ::sysconf(_SC_PAGESIZE);
    m_pageSizeBytes = pageSize > 0 ? static_cast<std::uint64_t>(pageSize) : 4096;
}

Timestamp LinuxProbePlatform::now() {
    return SystemClock().now();
}

MemoryReadings LinuxProbePlatform::readMemory() {
    MemoryReadings readings;
    std::array<char, 8192> meminfoText;
    ssize_t meminfoLength = readFile(m_meminfoPath.c_str(), meminfoText, true);
    if (meminfoLength < 0) {
        readings.physicalMemoryBytes = physicalMemoryFromSysinfo();
        return readings;
    }
    const MemInfo info =
        parseMeminfo(std::string_view(meminfoText.data(), static_cast<size_t>(meminfoLength)));

    std::array<char, 512> pressureText;
    ssize_t pressureLength = readFile(m_pressurePath.c_str(), pressureText, true);
    std::optional<PressureStall> stall;
    if (pressureLength >= 0) {
        stall = parsePressureStall(
            std::string_view(pressureText.data(), static_cast<size_t>(pressureLength)));
    }

    readings.pressureLevelCode = memoryPressureLevel(info, stall);
    double swapFree = 0;
    if (info.swapTotalKiB && *info.swapTotalKiB > 0 && info.swapFreeKiB) {
        swapFree = static_cast<double>(*info.swapFreeKiB) / static_cast<double>(*info.swapTotalKiB);
    }
    if (headingForKiller(info, swapFree) && readings.pressureLevelCode) {
        readings.pressureLevelCode = kPressureLevelCritical;
    }
    if (info.swapTotalKiB && info.swapFreeKiB) {
        readings.swapUsedBytes =
            saturatingKiB(*info.swapTotalKiB - std::min(*info.swapTotalKiB, *info.swapFreeKiB));
    }
    readings.physicalMemoryBytes =
        info.memTotalKiB ? saturatingKiB(*info.memTotalKiB) : physicalMemoryFromSysinfo();
    if (info.memTotalKiB && info.memAvailableKiB) {
        MemoryUseInputs use;
        use.inUsePages[0] = *info.memTotalKiB;
        use.reclaimablePages = *info.memAvailableKiB;
        use.pageSizeBytes = kKiB;
        readings.memoryUse = use;
    }
    return readings;
}

namespace {

double monotonicSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

bool tracing() {
    return std::getenv("TIDEMARK_TRACE") != nullptr;
}

}  // namespace

bool LinuxProbePlatform::headingForKiller(const MemInfo& info, double swapFreeFraction) {
    if (!info.memTotalKiB || *info.memTotalKiB == 0 || !info.memAvailableKiB) {
        return false;
    }
    const double now = monotonicSeconds();
    constexpr double kInventorySeconds = 60;
    if (!m_inventoryReadAt || now - *m_inventoryReadAt >= kInventorySeconds) {
        const KillerInventory inventory = m_killSignals.readInventory();
        if (tracing() && (!m_inventoryReadAt || inventory != m_inventory)) {
            std::fprintf(stderr, "tidemark: killers: %s\n", describe(inventory).c_str());
        }
        m_inventory = inventory;
        m_inventoryReadAt = now;
    }
    const double total = static_cast<double>(*info.memTotalKiB);
    const MemoryLook look{
        now, static_cast<double>(*info.memAvailableKiB) / total,
        static_cast<double>(info.anonPagesKiB.value_or(0) + info.shmemKiB.value_or(0)) / total};
    if (m_lookCount == kLookCapacity) {
        std::move(m_looks.begin() + 1, m_looks.end(), m_looks.begin());
        --m_lookCount;
    }
    m_looks[m_lookCount++] = look;
    const KillerLine line = activeKillerLine(m_inventory, swapFreeFraction);
    const bool heading =
        headingForKillerLine(std::span(m_looks.data(), m_lookCount), line.availableFraction);
    if (tracing()) {
        std::fprintf(stderr, "tidemark: look: t=%.1f available=%.2f%% anon=%.2f%%%s\n", now,
                     look.availableFraction * 100, look.anonymousFraction * 100,
                     heading ? " heading" : "");
    }
    if (heading && tracing()) {
        std::fprintf(stderr,
                     "tidemark: lead: available %.1f %% anon %.1f %%, heading for %s's line at "
                     "%.1f %%\n",
                     look.availableFraction * 100, look.anonymousFraction * 100,
                     std::string(toString(line.killer)).c_str(), line.availableFraction * 100);
    }
    return heading;
}

// The fourth field of /proc/loadavg, "running/total", counts every thread,
// so it is never below the number of processes.
int LinuxProbePlatform::processCountHint() {
    std::array<char, 256> text;
    ssize_t length = readFile(m_loadavgPath.c_str(), text, false);
    if (length <= 0) {
        return 0;
    }
    std::string_view line(text.data(), static_cast<size_t>(length));
    size_t slash = line.find('/');
    if (slash == std::string_view::npos) {
        return 0;
    }
    int total = 0;
    auto [end, ec] = std::from_chars(line.data() + slash + 1, line.data() + line.size(), total);
    return ec == std::errc() ? total : 0;
}

int LinuxProbePlatform::listProcessIds(std::span<std::int32_t> pids) {
    DIR* dir = ::opendir(m_root.c_str());
    if (dir == nullptr) {
        return -1;
    }
    size_t count = 0;
    while (count < pids.size()) {
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            break;
        }
        std::string_view name(entry->d_name);
        std::int32_t pid = 0;
        auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (ec == std::errc() && end == name.data() + name.size() && pid > 0) {
            pids[count++] = pid;
        }
    }
    ::closedir(dir);
    return static_cast<int>(count);
}

bool LinuxProbePlatform::pidPath(std::int32_t pid, const char* file, std::span<char> path) const {
    int n = std::snprintf(path.data(), path.size(), "%s/%d/%s", m_root.c_str(), pid, file);
    return n > 0 && static_cast<size_t>(n) < path.size();
}

std::optional<std::uint64_t> LinuxProbePlatform::residentBytes(std::int32_t pid) {
    std::array<char, 4096> path;
    std::array<char, 256> text;
    if (!pidPath(pid, "statm", path)) {
        return std::nullopt;
    }
    ssize_t length = readFile(path.data(), text, false);
    if (length <= 0) {
        return std::nullopt;
    }
    std::optional<std::uint64_t> pages =
        parseStatmResidentPages(std::string_view(text.data(), static_cast<size_t>(length)));
    if (!pages) {
        return std::nullopt;
    }
    std::uint64_t bytes = 0;
    return __builtin_mul_overflow(*pages, m_pageSizeBytes, &bytes) ? UINT64_MAX : bytes;
}

namespace {

// A per-process figure in KiB from one of the process's /proc reports. About
// 1-2 KiB on current kernels; a file cut short still holds the fields, which
// come early.
template <typename Parser>
std::optional<std::uint64_t> readKiBFigure(const char* path, Parser parse) {
    std::array<char, 4096> text;
    const ssize_t length = readFile(path, text, true);
    if (length <= 0) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> kib =
        parse(std::string_view(text.data(), static_cast<size_t>(length)));
    return kib ? std::optional<std::uint64_t>(saturatingKiB(*kib)) : std::nullopt;
}

}  // namespace

std::optional<std::uint64_t> LinuxProbePlatform::footprintBytes(std::int32_t pid) {
    std::array<char, 4096> path;
    return pidPath(pid, "smaps_rollup", path)
               ? readKiBFigure(path.data(), parseSmapsRollupFootprintKiB)
               : std::nullopt;
}

std::optional<std::uint64_t> LinuxProbePlatform::footprintEstimateBytes(std::int32_t pid) {
    std::array<char, 4096> path;
    return pidPath(pid, "status", path) ? readKiBFigure(path.data(), parseStatusFreeableKiB)
                                        : std::nullopt;
}

int LinuxProbePlatform::processName(std::int32_t pid, std::span<char> buffer) {
    std::array<char, 4096> path;
    if (buffer.empty() || !pidPath(pid, "comm", path)) {
        return -1;
    }
    ssize_t length = readFile(path.data(), buffer.first(buffer.size() - 1), false);
    if (length < 0) {
        return -1;
    }
    // The kernel ends the name with a line feed that is not part of it.
    if (length > 0 && buffer[static_cast<size_t>(length) - 1] == '\n') {
        --length;
    }
    buffer[static_cast<size_t>(length)] = '\0';
    return static_cast<int>(length);
}

int LinuxProbePlatform::executablePath(std::int32_t pid, std::span<char> buffer) {
    std::array<char, 4096> path;
    if (buffer.size() < 2 || !pidPath(pid, "exe", path)) {
        return -1;
    }
    ssize_t length = ::readlink(path.data(), buffer.data(), buffer.size() - 1);
    // A link that fills the buffer may have been cut short.
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size() - 1) {
        return -1;
    }
    std::string_view target(buffer.data(), static_cast<size_t>(length));
    // The kernel marks an executable replaced or removed since the start
    // (after an upgrade, typically); the path it ran from is the part before.
    if (target.size() > kDeletedSuffix.size() && target.ends_with(kDeletedSuffix)) {
        length -= static_cast<ssize_t>(kDeletedSuffix.size());
    }
    buffer[static_cast<size_t>(length)] = '\0';
    return static_cast<int>(length);
}

int LinuxProbePlatform::controlGroups(std::int32_t pid, std::span<char> buffer) {
    std::array<char, 4096> path;
    if (buffer.empty() || !pidPath(pid, "cgroup", path)) {
        return -1;
    }
    // One read: procfs hands over the whole file when it fits, and a sandbox
    // scope is named on the first lines when it does not.
    ssize_t length = readFile(path.data(), buffer, false);
    return length < 1 ? -1 : static_cast<int>(length);
}

ProbePlatform& defaultProbePlatform() {
    static LinuxProbePlatform platform;
    return platform;
}

}  // namespace tidemark
