#include "core/KillSignals.h"

namespace tidemark {

namespace {

// The macOS kernel ends processes itself (jetsam) and tells nobody but the
// system log; there is no daemon to find and no counter to read.
class DarwinKillSignals final : public KillSignals {
public:
    KillerInventory readInventory() override { return {}; }
    KillCounters readCounters() override { return {}; }
};

}  // namespace

KillSignals& defaultKillSignals() {
    static DarwinKillSignals instance;
    return instance;
}

}  // namespace tidemark
