// Desktop entry files are read from every data directory, the user's own
// included, and a process's control-group path names its sandbox: both are
// text other programs chose.

#include "FuzzTarget.h"
#include "core/Utf8.h"
#include "freedesktop/DesktopEntries.h"

TIDEMARK_FUZZ_TARGET(text) {
    const DesktopEntry entry = parseDesktopEntry(text);
    for (const auto* field : {&entry.name, &entry.program, &entry.tryExec}) {
        TIDEMARK_FUZZ_CHECK(!*field || !(*field)->empty());
    }
    TIDEMARK_FUZZ_CHECK(!entry.name || (isWellFormedUtf8(*entry.name) &&
                                        entry.name->find('\0') == std::string::npos));

    if (const std::optional<std::string> program = execProgram(text)) {
        TIDEMARK_FUZZ_CHECK(!program->empty() && program->size() <= text.size());
    }
    if (const std::optional<std::string> id = flatpakApplicationId(text)) {
        TIDEMARK_FUZZ_CHECK(!id->empty() && id->size() <= text.size());
        TIDEMARK_FUZZ_CHECK(id->find_first_of("/\n") == std::string::npos &&
                            id->find("..") == std::string::npos);
    }
}
