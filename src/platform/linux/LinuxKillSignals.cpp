#include "platform/linux/LinuxKillSignals.h"

#include <dirent.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "core/ProcParsers.h"

namespace tidemark {

namespace {

// Small procfs, sysfs and /etc files only; a file that cannot be opened is
// absent, a longer one is cut at `limit`.
std::optional<std::string> readText(const std::string& path, std::size_t limit = 65536) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(limit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(limit));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// "0::/user.slice/user-1000.slice/user@1000.service/app.slice/x.scope" →
// "/user.slice/user-1000.slice/user@1000.service".
std::optional<std::string> userManagerGroup(std::string_view cgroupFile) {
    const size_t start = cgroupFile.find("0::");
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view path = cgroupFile.substr(start + 3);
    path = path.substr(0, path.find('\n'));
    const size_t manager = path.find("/user@");
    if (manager == std::string_view::npos) {
        return std::nullopt;
    }
    const size_t end = path.find('/', manager + 1);
    return std::string(path.substr(0, end));
}

}  // namespace

LinuxKillSignals::LinuxKillSignals(std::string procRoot, std::string cgroupRoot,
                                   std::string etcRoot)
    : m_procRoot(std::move(procRoot)),
      m_cgroupRoot(std::move(cgroupRoot)),
      m_etcRoot(std::move(etcRoot)) {}

KillerInventory LinuxKillSignals::readInventory() {
    KillerInventory inventory;
    DIR* dir = ::opendir(m_procRoot.c_str());
    if (dir == nullptr) {
        return inventory;
    }
    bool earlyoomArgumentsRead = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (!allDigits(entry->d_name)) {
            continue;
        }
        const std::string base = m_procRoot + "/" + entry->d_name;
        std::optional<std::string> comm = readText(base + "/comm", 64);
        if (!comm) {
            continue;
        }
        std::string_view name = *comm;
        name = name.substr(0, name.find('\n'));
        if (name == "systemd-oomd") {
            inventory.systemdOomd = true;
        } else if (name == "nohang") {
            inventory.nohang = true;
        } else if (name == "earlyoom") {
            inventory.earlyoom = true;
            if (std::optional<std::string> cmdline = readText(base + "/cmdline", 4096);
                cmdline && !cmdline->empty()) {
                std::vector<std::string> arguments;
                size_t from = 0;
                while (from < cmdline->size()) {
                    size_t end = cmdline->find('\0', from);
                    if (end == std::string::npos) {
                        end = cmdline->size();
                    }
                    arguments.emplace_back(cmdline->substr(from, end - from));
                    from = end + 1;
                }
                applyEarlyoomArguments(arguments, inventory);
                earlyoomArgumentsRead = true;
            }
        }
    }
    ::closedir(dir);
    // A process list mounted with hidepid hides other users' command lines;
    // the service's defaults file then says what it was started with.
    if (inventory.earlyoom && !earlyoomArgumentsRead) {
        if (std::optional<std::string> defaults = readText(m_etcRoot + "/default/earlyoom")) {
            applyEarlyoomDefaultsFile(*defaults, inventory);
        }
    }
    return inventory;
}

KillCounters LinuxKillSignals::readCounters() {
    KillCounters counters;
    if (std::optional<std::string> vmstat = readText(m_procRoot + "/vmstat")) {
        counters.kernelOomKills = parseVmstatOomKills(*vmstat);
    }
    if (std::optional<std::string> meminfo = readText(m_procRoot + "/meminfo")) {
        const MemInfo info = parseMeminfo(*meminfo);
        if (info.memAvailableKiB) {
            counters.availableBytes = *info.memAvailableKiB * 1024;
        }
        if (info.memTotalKiB) {
            counters.physicalMemoryBytes = *info.memTotalKiB * 1024;
        }
    }
    if (std::optional<std::string> own = readText(m_procRoot + "/self/cgroup", 4096)) {
        if (std::optional<std::string> group = userManagerGroup(*own)) {
            if (std::optional<std::string> events =
                    readText(m_cgroupRoot + *group + "/memory.events", 4096)) {
                counters.sessionOomKills = parseMemoryEventsOomKills(*events);
            }
        }
    }
    return counters;
}

KillSignals& defaultKillSignals() {
    static LinuxKillSignals instance;
    return instance;
}

}  // namespace tidemark
