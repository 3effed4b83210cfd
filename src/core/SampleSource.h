#pragma once

#include <cstddef>

#include "core/Models.h"

namespace tidemark {

// Where the monitoring tick gets its readings: the system probe in the
// application, recorded samples in a replay, a fake in tests.
class SampleSource {
public:
    virtual ~SampleSource() = default;
    virtual LightweightSample lightweightSample() = 0;
    virtual SystemSnapshot capture(std::size_t limit) = 0;
    // Called on every tick, after any capture: a source that keeps a history
    // of the applications' sizes takes its point here.
    virtual void recordGrowth(const LightweightSample& /*sample*/) {}
};

}  // namespace tidemark
