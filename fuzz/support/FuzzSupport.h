#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tidemark::fuzz {

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return size == 0 ? std::string_view()
                     : std::string_view(reinterpret_cast<const char*>(data), size);
}

// A broken invariant is a finding like a crash: abort so that libFuzzer keeps
// the input and the corpus replay fails.
[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

}  // namespace tidemark::fuzz

#define TIDEMARK_FUZZ_CHECK(condition)                              \
    do {                                                            \
        if (!(condition)) {                                         \
            ::tidemark::fuzz::fail(#condition, __FILE__, __LINE__); \
        }                                                           \
    } while (false)
