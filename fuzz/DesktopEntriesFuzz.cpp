// Desktop entry files are read from every data directory, the user's own
// included, and a process's control-group path names its sandbox: both are
// text other programs chose.

#include "FuzzSupport.h"
#include "core/DesktopEntries.h"
#include "core/Formatting.h"

using namespace tidemark;

namespace {

bool isValidUtf8(const std::string& text) {
    return decodeUtf8Lossy(text) == text && text.find('\0') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);

    const DesktopEntry entry = parseDesktopEntry(text);
    for (const auto* field : {&entry.name, &entry.program, &entry.tryExec}) {
        TIDEMARK_FUZZ_CHECK(!*field || !(*field)->empty());
    }
    TIDEMARK_FUZZ_CHECK(!entry.name || isValidUtf8(*entry.name));

    if (const std::optional<std::string> program = execProgram(text)) {
        TIDEMARK_FUZZ_CHECK(!program->empty() && program->size() <= text.size());
    }
    if (const std::optional<std::string> id = flatpakApplicationId(text)) {
        TIDEMARK_FUZZ_CHECK(!id->empty() && id->size() <= text.size());
        TIDEMARK_FUZZ_CHECK(id->find_first_of("/\n") == std::string::npos &&
                            id->find("..") == std::string::npos);
    }
    return 0;
}
