#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/ProbePlatform.h"
#include "platform/darwin/BundleInfo.h"

namespace tidemark::test {

// A scriptable ProbePlatform: set the fields, then run the probe.
class FakeProbePlatform final : public ProbePlatform {
public:
    struct Process {
        std::optional<std::uint64_t> residentBytes;  // absent: task record unreadable
        std::optional<std::string> nameBytes;        // absent: name unreadable
        std::optional<std::string> pathBytes;        // absent: path unreadable
    };

    Timestamp time = 1'765'000'000.0;
    MemoryReadings memory;
    // The listing: hint first, then the identifiers in listing order. A set
    // listingResult overrides the count the listing reports.
    int countHint = 0;
    std::vector<std::int32_t> pids;
    std::optional<int> listingResult;
    std::map<std::int32_t, Process> processes;

    // Control-group file contents by pid; a pid not listed has none.
    std::map<std::int32_t, std::string> controlGroupBytes;

    // What ending each process frees; a pid not listed cannot be read.
    std::map<std::int32_t, std::uint64_t> footprints;
    std::vector<std::int32_t> footprintReads;
    // The cheap estimate by pid; none when not listed.
    std::map<std::int32_t, std::uint64_t> estimates;

    std::size_t lastListingCapacity = 0;
    std::vector<std::int32_t> taskRecordReads;
    std::vector<std::int32_t> controlGroupReads;

    // A readable process listed in pid order.
    void addProcess(std::int32_t pid, std::string name, std::optional<std::string> path,
                    std::uint64_t residentBytes) {
        pids.push_back(pid);
        processes[pid] = Process{residentBytes, std::move(name), std::move(path)};
    }

    Timestamp now() override { return time; }
    MemoryReadings readMemory() override { return memory; }
    int processCountHint() override { return countHint; }

    int listProcessIds(std::span<std::int32_t> buffer) override {
        lastListingCapacity = buffer.size();
        std::size_t n = std::min(buffer.size(), pids.size());
        std::copy_n(pids.begin(), n, buffer.begin());
        return listingResult.value_or(static_cast<int>(n));
    }

    std::optional<std::uint64_t> residentBytes(std::int32_t pid) override {
        taskRecordReads.push_back(pid);
        auto it = processes.find(pid);
        return it == processes.end() ? std::nullopt : it->second.residentBytes;
    }

    std::optional<std::uint64_t> footprintBytes(std::int32_t pid) override {
        footprintReads.push_back(pid);
        auto it = footprints.find(pid);
        return it == footprints.end() ? std::nullopt : std::optional(it->second);
    }

    std::optional<std::uint64_t> footprintEstimateBytes(std::int32_t pid) override {
        auto it = estimates.find(pid);
        return it == estimates.end() ? std::nullopt : std::optional(it->second);
    }

    int processName(std::int32_t pid, std::span<char> buffer) override {
        auto it = processes.find(pid);
        return it == processes.end() ? -1 : copy(it->second.nameBytes, buffer);
    }

    int executablePath(std::int32_t pid, std::span<char> buffer) override {
        auto it = processes.find(pid);
        return it == processes.end() ? -1 : copy(it->second.pathBytes, buffer);
    }

    int controlGroups(std::int32_t pid, std::span<char> buffer) override {
        controlGroupReads.push_back(pid);
        auto it = controlGroupBytes.find(pid);
        return it == controlGroupBytes.end() ? -1 : copy(it->second, buffer);
    }

private:
    static int copy(const std::optional<std::string>& bytes, std::span<char> buffer) {
        if (!bytes) {
            return -1;
        }
        std::size_t n = std::min(bytes->size(), buffer.size());
        std::memcpy(buffer.data(), bytes->data(), n);
        return static_cast<int>(n);
    }
};

// Every process outside a bundle; no file is looked at.
class NoBundles final : public BundleReader {
public:
    std::optional<BundleInfo> open(const std::string&) const override { return std::nullopt; }
};

}  // namespace tidemark::test
