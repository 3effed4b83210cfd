#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzSupport.h"

// The libFuzzer entry point over the input as text, written as
//     TIDEMARK_FUZZ_TARGET(text) { ...checks on text... }
// The body runs in namespace tidemark, so the parsers need no qualification.
#define TIDEMARK_FUZZ_TARGET(text)                                                      \
    namespace tidemark::fuzz {                                                          \
    static void checkInput(std::string_view text);                                      \
    }                                                                                   \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
        ::tidemark::fuzz::checkInput(::tidemark::fuzz::asText(data, size));             \
        return 0;                                                                       \
    }                                                                                   \
    void tidemark::fuzz::checkInput(std::string_view text)
