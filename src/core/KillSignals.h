#pragma once

#include <cstdint>
#include <optional>

#include "core/KillerInventory.h"

namespace tidemark {

// Counters that rise when a killer ends a process; absent where unreadable.
struct KillCounters {
    // The kernel's oom_kill in /proc/vmstat (Linux 4.13 and later).
    std::optional<std::uint64_t> kernelOomKills;
    // oom_kill of the memory.events of the user's own service manager's
    // control group: kills of the user's applications, by the kernel or a
    // memory limit.
    std::optional<std::uint64_t> sessionOomKills;
    std::optional<std::uint64_t> availableBytes;
    std::uint64_t physicalMemoryBytes = 0;
};

// What an ordinary user can learn about the killers on this machine.
// Implementations only read; they keep no state.
class KillSignals {
public:
    virtual ~KillSignals() = default;
    // Walks the process list: dearer than a look, so asked now and then.
    virtual KillerInventory readInventory() = 0;
    // A few small files: cheap enough for every second while a kill is near.
    virtual KillCounters readCounters() = 0;
};

KillSignals& defaultKillSignals();

}  // namespace tidemark
