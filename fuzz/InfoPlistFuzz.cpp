// Info.plist files are read from any directory a running executable sits in,
// so their content is whatever the owner of that directory wrote.

#include "FuzzTarget.h"
#include "platform/darwin/BundleInfo.h"

TIDEMARK_FUZZ_TARGET(text) {
    const BundleInfo info = parseInfoPlist(text);
    // Every value is a piece of the input with entities resolved, so none
    // can grow beyond a few bytes per input byte.
    for (const auto* field : {&info.identifier, &info.displayName, &info.name}) {
        TIDEMARK_FUZZ_CHECK(!*field || (*field)->size() <= 4 * text.size());
    }
    TIDEMARK_FUZZ_CHECK(parseInfoPlist(text) == info);
}
