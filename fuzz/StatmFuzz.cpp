// /proc/<pid>/statm, read for every process at each capture.

#include "FuzzSupport.h"
#include "core/ProcParsers.h"

using namespace tidemark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const std::optional<std::uint64_t> pages = parseStatmResidentPages(text);
    // A resident figure can only come from a digit in the input.
    TIDEMARK_FUZZ_CHECK(!pages || text.find_first_of("0123456789") != std::string_view::npos);
    return 0;
}
