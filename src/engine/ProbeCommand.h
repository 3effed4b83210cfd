#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tidemark {

class ProbePlatform;

// `tidemark --probe [--json]`: one snapshot, printed as text or as JSON.
// Always returns 0.
int runProbeCommand(bool json, std::ostream& out);
int runProbeCommand(bool json, ProbePlatform& platform, std::ostream& out);

}  // namespace tidemark
