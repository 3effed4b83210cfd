#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tidemark {

// One UTF-8 sequence at the start of some bytes. A well-formed one follows
// the grammar in full (no overlong forms, no surrogates, nothing above
// U+10FFFF); otherwise its bytes are one maximal invalid subpart, the unit
// that one U+FFFD replaces.
struct Utf8Sequence {
    char32_t codePoint = 0;  // when well-formed
    std::size_t size = 1;    // bytes taken, at least one
    bool wellFormed = false;
};

// `bytes` must not be empty.
Utf8Sequence decodeUtf8Sequence(std::string_view bytes);

bool isWellFormedUtf8(std::string_view bytes);

// `codePoint` must be a Unicode scalar value.
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace tidemark
