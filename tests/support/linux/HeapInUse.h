#pragma once

#include <malloc.h>

#include <cstddef>

// From the sanitizer runtime when the program runs under it; GCC installs no
// header for it.
extern "C" [[gnu::weak]] std::size_t __sanitizer_get_current_allocated_bytes();

namespace tidemark::test {

// Under the sanitizers their own count is exact; glibc's includes its
// rounding.
inline bool heapCountIsExact() {
    return &__sanitizer_get_current_allocated_bytes != nullptr;
}

// The bytes handed out by the allocator and not yet taken back.
inline std::ptrdiff_t heapInUseBytes() {
    return heapCountIsExact()
               ? static_cast<std::ptrdiff_t>(__sanitizer_get_current_allocated_bytes())
               : static_cast<std::ptrdiff_t>(mallinfo2().uordblks);
}

}  // namespace tidemark::test
