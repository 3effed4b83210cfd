#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace tidemark {

struct CommandLine;

// `tidemark --replay FILE [--incidents PATH]`: runs recorded samples through
// the monitoring tick; 0 on success, 2 on bad input (a message on `err`).
int runReplayCommand(const CommandLine& commandLine, std::istream& standardInput, std::ostream& out,
                     std::ostream& err);

}  // namespace tidemark
