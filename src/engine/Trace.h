#pragma once

namespace tidemark {

// Writes a line on standard error when TIDEMARK_TRACE is set, so that tests
// of the real program can follow it; silent otherwise.
void trace(const char* message);
bool traceEnabled();

}  // namespace tidemark
