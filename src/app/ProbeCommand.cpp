#include "app/ProbeCommand.h"

#include <algorithm>

namespace tidemark {

bool isProbeInvocation(const std::vector<std::string>& args) {
    return std::find(args.begin(), args.end(), "--probe") != args.end();
}

int runProbeCommand(const std::vector<std::string>&, std::ostream&) { return 0; }

}  // namespace tidemark
