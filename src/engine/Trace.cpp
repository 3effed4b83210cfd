#include "engine/Trace.h"

#include <cstdio>
#include <cstdlib>

namespace tidemark {

bool traceEnabled() {
    return std::getenv("TIDEMARK_TRACE") != nullptr;
}

void trace(const char* message) {
    if (traceEnabled()) {
        std::fprintf(stderr, "tidemark: %s\n", message);
        std::fflush(stderr);
    }
}

}  // namespace tidemark
