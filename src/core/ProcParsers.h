#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Parsers for the Linux procfs files the probe reads. They take the file's
// text and never fail: a missing or malformed field is simply absent.

namespace tidemark {

// The /proc/meminfo fields the probe uses, in KiB as the kernel writes them.
struct MemInfo {
    std::optional<std::uint64_t> memTotalKiB;
    std::optional<std::uint64_t> memAvailableKiB;
    std::optional<std::uint64_t> swapTotalKiB;
    std::optional<std::uint64_t> swapFreeKiB;
    // Memory no reclaim can give back without swap: anonymous pages and
    // shared memory (tmpfs, shared mappings).
    std::optional<std::uint64_t> anonPagesKiB = std::nullopt;
    std::optional<std::uint64_t> shmemKiB = std::nullopt;
};

MemInfo parseMeminfo(std::string_view text);

// A plain decimal ("10", "0.25"), the form the kernel prints its averages in
// and other programs take percentages in; nothing else is accepted. Used
// instead of std::from_chars for double, which the C++ library macOS builds
// with lacks, and of strtod, which follows the user's locale.
std::optional<double> plainDecimal(std::string_view s);

// Percentages of time stalled on memory, from /proc/pressure/memory.
struct PressureStall {
    double someAvg10 = 0;
    double someAvg60 = 0;
    double fullAvg10 = 0;
    double fullAvg60 = 0;
};

// Absent when the "some" line is missing or malformed (no PSI). A missing
// "full" line reads as no full stall.
std::optional<PressureStall> parsePressureStall(std::string_view text);

// Resident pages: the second field of /proc/<pid>/statm.
std::optional<std::uint64_t> parseStatmResidentPages(std::string_view text);

// What ending the process would give back, in KiB, from
// /proc/<pid>/smaps_rollup: its proportional share of anonymous and
// shared-memory pages (Pss_Anon + Pss_Shmem) and of its swapped pages
// (SwapPss). File pages stay in the page cache when the process ends and are
// left out. Absent when Pss_Anon or Pss_Shmem is missing (kernels before 5.7
// do not split the proportional size); a missing SwapPss counts as none.
std::optional<std::uint64_t> parseSmapsRollupFootprintKiB(std::string_view text);

// A cheap bound of the same from /proc/<pid>/status, in KiB: the process's
// anonymous and shared-memory pages and its swap (RssAnon + RssShmem +
// VmSwap), each counted whole even where other processes share it. Absent
// when RssAnon or RssShmem is missing (kernels before 4.5).
std::optional<std::uint64_t> parseStatusFreeableKiB(std::string_view text);

// The oom_kill counter of /proc/vmstat; absent before Linux 4.13.
std::optional<std::uint64_t> parseVmstatOomKills(std::string_view text);
// The oom_kill line of a control group's memory.events.
std::optional<std::uint64_t> parseMemoryEventsOomKills(std::string_view text);

}  // namespace tidemark
