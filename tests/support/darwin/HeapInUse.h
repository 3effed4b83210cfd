#pragma once

#include <malloc/malloc.h>

#include <cstddef>

namespace tidemark::test {

// The zones' figures include their rounding, under the sanitizers too.
inline bool heapCountIsExact() {
    return false;
}

// The bytes handed out by the allocator and not yet taken back, over every
// malloc zone.
inline std::ptrdiff_t heapInUseBytes() {
    malloc_statistics_t stats{};
    malloc_zone_statistics(nullptr, &stats);
    return static_cast<std::ptrdiff_t>(stats.size_in_use);
}

}  // namespace tidemark::test
