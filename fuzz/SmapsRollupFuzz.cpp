// /proc/<pid>/smaps_rollup, read for the processes of the leading
// applications at each capture.

#include "FuzzTarget.h"
#include "core/ProcParsers.h"

TIDEMARK_FUZZ_TARGET(text) {
    const std::optional<std::uint64_t> kib = parseSmapsRollupFootprintKiB(text);
    // A figure needs both proportional fields by name.
    TIDEMARK_FUZZ_CHECK(!kib || (text.find("Pss_Anon:") != std::string_view::npos &&
                                 text.find("Pss_Shmem:") != std::string_view::npos));
}
