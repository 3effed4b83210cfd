#include "core/Utf8.h"

namespace tidemark {

Utf8Sequence decodeUtf8Sequence(std::string_view bytes) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    std::size_t length = 0;
    char32_t codePoint = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        lo = lead == 0xE0 ? 0xA0 : 0x80;
        hi = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        lo = lead == 0xF0 ? 0x90 : 0x80;
        hi = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {0, 1, false};  // cannot start a sequence
    }
    // The second byte's narrower range is what rules out overlong forms,
    // surrogates and code points above U+10FFFF.
    std::size_t i = 1;
    while (i < length && i < bytes.size() && byte(i) >= (i == 1 ? lo : 0x80) &&
           byte(i) <= (i == 1 ? hi : 0xBF)) {
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
        ++i;
    }
    return i == length ? Utf8Sequence{codePoint, length, true} : Utf8Sequence{0, i, false};
}

bool isWellFormedUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const Utf8Sequence sequence = decodeUtf8Sequence(bytes);
        if (!sequence.wellFormed) {
            return false;
        }
        bytes.remove_prefix(sequence.size);
    }
    return true;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace tidemark
