#include "app/ReplayCommand.h"

#include <algorithm>

namespace tidemark {

bool isReplayInvocation(const std::vector<std::string>& args) {
    return std::find(args.begin(), args.end(), "--replay") != args.end();
}

int runReplayCommand(const std::vector<std::string>&, std::istream&, std::ostream&, std::ostream&) {
    return 0;
}

}  // namespace tidemark
