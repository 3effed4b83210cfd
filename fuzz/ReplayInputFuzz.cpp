// `tidemark --replay -` reads recorded samples, one JSON object a line, from
// standard input: the whole input is the fuzzer's bytes.

#include <sstream>
#include <streambuf>

#include "FuzzSupport.h"
#include "engine/ReplayCommand.h"

using namespace tidemark;

namespace {

class NullBuffer final : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream input{std::string(fuzz::asText(data, size))};
    NullBuffer discard;
    std::ostream out(&discard);
    std::ostream err(&discard);
    const int status = runReplayCommand({"tidemark", "--replay", "-"}, input, out, err);
    TIDEMARK_FUZZ_CHECK(status == 0 || status == 2);
    return 0;
}
