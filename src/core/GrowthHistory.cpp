#include "core/GrowthHistory.h"

#include <algorithm>

namespace tidemark {

GrowthHistory::Key GrowthHistory::keyFor(std::string_view groupingKey) {
    // FNV-1a: stable across runs and cheap; two groups sharing a hash among a
    // few hundred would need luck far beyond 64 bits.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : groupingKey) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}

std::uint64_t GrowthHistory::qualifyingGrowthBytes(std::uint64_t physicalMemoryBytes) {
    return std::max<std::uint64_t>(512ull << 20, physicalMemoryBytes / 20);
}

bool GrowthHistory::wantsPoint(Timestamp at) const {
    // A sample taken a moment before the latest point (a tick's look before
    // its capture) is no clock change.
    return m_points.empty() || clockWentBack(at) || at - m_points.back().at >= kPointSpacingSeconds;
}

bool GrowthHistory::clockWentBack(Timestamp at) const {
    return !m_points.empty() && at < m_points.back().at - kPointSpacingSeconds;
}

void GrowthHistory::record(Timestamp at, std::vector<Entry> residentByKey) {
    if (!wantsPoint(at)) {
        return;
    }
    if (clockWentBack(at)) {
        m_points.clear();
    }
    std::sort(residentByKey.begin(), residentByKey.end());
    std::vector<Entry> merged;
    for (const Entry& entry : residentByKey) {
        if (!merged.empty() && merged.back().first == entry.first) {
            merged.back().second += entry.second;
        } else {
            merged.push_back(entry);
        }
    }
    if (merged.size() > kMaximumEntries) {
        std::nth_element(merged.begin(), merged.begin() + kMaximumEntries, merged.end(),
                         [](const Entry& a, const Entry& b) { return a.second > b.second; });
        merged.resize(kMaximumEntries);
        std::sort(merged.begin(), merged.end());
    }
    merged.shrink_to_fit();
    // Points that left the window, and the oldest beyond the bound.
    const auto stale = std::find_if(m_points.begin(), m_points.end(), [at](const Point& point) {
        return at - point.at <= kWindowSeconds;
    });
    m_points.erase(m_points.begin(), stale);
    if (m_points.size() >= kMaximumPoints) {
        m_points.erase(m_points.begin());
    }
    m_points.push_back(Point{at, std::move(merged)});
}

std::uint64_t GrowthHistory::sum(const Point& point, std::span<const Key> keys) {
    std::uint64_t total = 0;
    for (Key key : keys) {
        const auto it = std::lower_bound(point.entries.begin(), point.entries.end(), Entry{key, 0});
        if (it != point.entries.end() && it->first == key) {
            total += it->second;
        }
    }
    return total;
}

std::optional<MemoryGrowth> GrowthHistory::growth(std::span<const Key> keys,
                                                  std::uint64_t currentBytes, Timestamp now,
                                                  std::uint64_t physicalMemoryBytes) const {
    const Point* oldest = nullptr;
    const Point* latest = nullptr;
    for (const Point& point : m_points) {
        if (point.at < now && now - point.at <= kWindowSeconds) {
            oldest = oldest != nullptr ? oldest : &point;
            latest = &point;
        }
    }
    if (oldest == nullptr || currentBytes < sum(*latest, keys)) {
        return std::nullopt;
    }
    const std::uint64_t before = sum(*oldest, keys);
    if (currentBytes < before ||
        currentBytes - before < qualifyingGrowthBytes(physicalMemoryBytes)) {
        return std::nullopt;
    }
    return MemoryGrowth{currentBytes - before, now - oldest->at};
}

}  // namespace tidemark
