// The incident file is read at every start and may have been edited, cut
// short or replaced by anything.

#include "FuzzTarget.h"
#include "core/JsonForms.h"
#include "history/IncidentRecord.h"

TIDEMARK_FUZZ_TARGET(text) {
    std::vector<IncidentRecord> records;
    try {
        records = decodeIncidentFile(text);
    } catch (const JsonFormError&) {
        // Refused as a whole; any other exception escapes and is a finding.
        return;
    }
    // Whatever was accepted is written back on the next change and must read
    // again at the next start, or the history would be lost then.
    const std::string written = encodeIncidentFile(records);
    std::vector<IncidentRecord> reread;
    try {
        reread = decodeIncidentFile(written);
    } catch (const JsonFormError&) {
        TIDEMARK_FUZZ_CHECK(!"a file written from accepted records reads back");
    }
    TIDEMARK_FUZZ_CHECK(reread.size() == records.size());
    TIDEMARK_FUZZ_CHECK(encodeIncidentFile(reread) == written);
}
