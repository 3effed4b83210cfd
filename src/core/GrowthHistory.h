#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Models.h"

namespace tidemark {

// The resident memory of each group of processes over the last few minutes,
// at most one point a minute, so that a capture can tell which application
// keeps growing. Groups are known by a hash of the key that groups processes
// cheaply (their program's path, or their name when the path is unknown), so
// that recording a point needs no naming work. Times are the samples' own:
// the caller's clock.
class GrowthHistory {
public:
    using Key = std::uint64_t;
    using Entry = std::pair<Key, std::uint64_t>;  // key, resident bytes

    // Points closer than this are not kept: a timer that fires a little early
    // still records each minute.
    static constexpr double kPointSpacingSeconds = 50;
    // Growth is measured from the oldest point no older than this.
    static constexpr double kWindowSeconds = 330;
    // One point a minute over the window, and the one that is about to leave it.
    static constexpr std::size_t kMaximumPoints = 7;
    // The largest groups of each point; a group below them counts as none,
    // which overstates its growth by at most that small size.
    static constexpr std::size_t kMaximumEntries = 512;

    static Key keyFor(std::string_view groupingKey);
    // max(512 MiB, 5 % of physical memory).
    static std::uint64_t qualifyingGrowthBytes(std::uint64_t physicalMemoryBytes);

    // Whether a point taken at `at` would be kept.
    bool wantsPoint(Timestamp at) const;
    // Keeps the point when it is wanted. Entries may repeat a key; they are
    // summed. A clock set back by more than the spacing starts the history
    // afresh.
    void record(Timestamp at, std::vector<Entry> residentByKey);

    // The growth of the group made of `keys`, resident `currentBytes` at
    // `now`, when it qualifies: it grew by at least qualifyingGrowthBytes
    // since the oldest point in the window and has not fallen since the
    // latest.
    std::optional<MemoryGrowth> growth(std::span<const Key> keys, std::uint64_t currentBytes,
                                       Timestamp now, std::uint64_t physicalMemoryBytes) const;

    std::size_t pointCount() const { return m_points.size(); }

private:
    struct Point {
        Timestamp at = 0;
        std::vector<Entry> entries;  // sorted by key
    };
    static std::uint64_t sum(const Point& point, std::span<const Key> keys);
    bool clockWentBack(Timestamp at) const;

    std::vector<Point> m_points;  // oldest first
};

}  // namespace tidemark
