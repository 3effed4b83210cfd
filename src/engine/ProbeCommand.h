#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tidemark {

class ProbePlatform;

// True when the arguments ask for the headless probe.
bool isProbeInvocation(const std::vector<std::string>& args);

// `tidemark --probe [--json]`: one snapshot, printed. Always returns 0.
int runProbeCommand(const std::vector<std::string>& args, std::ostream& out);
int runProbeCommand(const std::vector<std::string>& args, ProbePlatform& platform,
                    std::ostream& out);

}  // namespace tidemark
