#pragma once

#include <string>

#include "core/KillSignals.h"

namespace tidemark {

// The killers and their counters from procfs, the unified control-group
// hierarchy and /etc, all readable by an ordinary user. The roots are
// configurable so that tests can point them at fixture trees.
class LinuxKillSignals final : public KillSignals {
public:
    explicit LinuxKillSignals(std::string procRoot = "/proc",
                              std::string cgroupRoot = "/sys/fs/cgroup",
                              std::string etcRoot = "/etc");

    KillerInventory readInventory() override;
    KillCounters readCounters() override;

private:
    std::string m_procRoot;
    std::string m_cgroupRoot;
    std::string m_etcRoot;
};

}  // namespace tidemark
