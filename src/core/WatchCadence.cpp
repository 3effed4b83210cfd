#include "core/WatchCadence.h"

namespace tidemark {

double WatchCadence::noteLook(const LightweightSample& sample) {
    if (!sample.memoryUsedBytes || sample.physicalMemoryBytes == 0) {
        m_count = 0;
        m_falling = false;
        return kSteadySeconds;
    }
    const Timestamp now = sample.capturedAt;
    const std::uint64_t available =
        sample.physicalMemoryBytes - std::min(*sample.memoryUsedBytes, sample.physicalMemoryBytes);

    // Readings from the future (the clock was set back) or too old to count.
    while (m_count > 0) {
        const Reading& oldest = m_readings[m_first];
        const Reading& newest = m_readings[(m_first + m_count - 1) % kCapacity];
        if (newest.at > now) {
            m_count = 0;
        } else if (now - oldest.at > kFallWindowSeconds) {
            m_first = (m_first + 1) % kCapacity;
            --m_count;
        } else {
            break;
        }
    }

    m_falling = false;
    if (m_count > 0) {
        const Reading& oldest = m_readings[m_first];
        const double seconds = now - oldest.at;
        if (seconds > 0 && oldest.availableBytes > available) {
            const double fallPerTenSeconds =
                static_cast<double>(oldest.availableBytes - available) * 10.0 / seconds;
            m_falling = fallPerTenSeconds > kFallFractionPerTenSeconds *
                                                static_cast<double>(sample.physicalMemoryBytes);
        }
    }

    if (m_count == kCapacity) {
        m_first = (m_first + 1) % kCapacity;
        --m_count;
    }
    m_readings[(m_first + m_count) % kCapacity] = {now, available};
    ++m_count;
    return m_falling ? kFallingSeconds : kSteadySeconds;
}

}  // namespace tidemark
