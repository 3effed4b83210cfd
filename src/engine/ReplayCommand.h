#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace tidemark {

// True when the arguments ask for `--replay FILE`.
bool isReplayInvocation(const std::vector<std::string>& args);

// Runs recorded samples through the monitoring tick; 0 on success, 2 on bad
// input (a message on `err`).
int runReplayCommand(const std::vector<std::string>& args, std::istream& standardInput,
                     std::ostream& out, std::ostream& err);

}  // namespace tidemark
