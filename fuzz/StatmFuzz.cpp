// /proc/<pid>/statm, read for every process at each capture.

#include "FuzzTarget.h"
#include "core/ProcParsers.h"

TIDEMARK_FUZZ_TARGET(text) {
    const std::optional<std::uint64_t> pages = parseStatmResidentPages(text);
    // A resident figure can only come from a digit in the input.
    TIDEMARK_FUZZ_CHECK(!pages || text.find_first_of("0123456789") != std::string_view::npos);
}
