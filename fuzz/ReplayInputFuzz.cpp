// `tidemark --replay -` reads recorded samples, one JSON object a line, from
// standard input: the whole input is the fuzzer's bytes.

#include <sstream>

#include "FuzzTarget.h"
#include "engine/CommandLine.h"
#include "engine/ReplayCommand.h"

TIDEMARK_FUZZ_TARGET(text) {
    std::istringstream input{std::string(text)};
    // Without a buffer the streams drop what the command prints.
    std::ostream discard(nullptr);
    const int status =
        runReplayCommand(parseCommandLine({"tidemark", "--replay", "-"}), input, discard, discard);
    TIDEMARK_FUZZ_CHECK(status == 0 || status == 2);
}
