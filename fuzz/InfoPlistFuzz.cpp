// Info.plist files are read from any directory a running executable sits in,
// so their content is whatever the owner of that directory wrote.

#include "FuzzSupport.h"
#include "core/BundleInfo.h"

using namespace tidemark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const BundleInfo info = parseInfoPlist(text);
    // Every value is a piece of the input with entities resolved, so none
    // can grow beyond a few bytes per input byte.
    for (const auto* field : {&info.identifier, &info.displayName, &info.name}) {
        TIDEMARK_FUZZ_CHECK(!*field || (*field)->size() <= 4 * text.size());
    }
    TIDEMARK_FUZZ_CHECK(parseInfoPlist(text) == info);
    return 0;
}
