#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark {

// The programs that end processes when memory runs out. The kernel's own
// killer is always there; the others are daemons a distribution may run.
enum class Killer { kernel, earlyoom, systemdOomd, nohang };

std::string_view toString(Killer killer);
std::optional<Killer> killerFromString(std::string_view text);

// Which killers run and where their lines are, as an ordinary user can read
// them (process list, command lines, configuration files).
struct KillerInventory {
    bool earlyoom = false;
    // earlyoom acts once available memory AND free swap are both at or under
    // these shares (its -m and -s, 10 and 10 unless told otherwise).
    double earlyoomMemoryPercent = 10;
    double earlyoomSwapPercent = 10;
    bool systemdOomd = false;
    bool nohang = false;

    bool operator==(const KillerInventory&) const = default;
};

// earlyoom's -m/-s (also "-m 5,2", "--", unknown switches) from its argument
// list, program name first; values it would refuse keep the defaults.
void applyEarlyoomArguments(const std::vector<std::string>& arguments, KillerInventory& inventory);
// The same from the EARLYOOM_ARGS line of Debian's /etc/default/earlyoom.
void applyEarlyoomDefaultsFile(std::string_view text, KillerInventory& inventory);

// The line of available memory (share of RAM) at which the first killer to
// act on this machine ends something, given the share of swap still free (0
// without swap).
struct KillerLine {
    Killer killer = Killer::kernel;
    double availableFraction = 0;
};
// Without swap the kernel has nothing left to reclaim once the page cache is
// down to what is in use, and its killer follows within seconds.
inline constexpr double kKernelLineFraction = 0.02;
// nohang's default soft line.
inline constexpr double kNohangLineFraction = 0.05;
KillerLine activeKillerLine(const KillerInventory& inventory, double swapFreeFraction);

// One line for the trace: "kernel earlyoom(m=10,s=10) systemd-oomd".
std::string describe(const KillerInventory& inventory);

}  // namespace tidemark
