#pragma once

#include <string>
#include <string_view>

namespace tidemark {

// Unicode lower-case mapping of UTF-8 text (Unicode 14 data): every cased
// script, U+0130 to "i" + U+0307, the KELVIN SIGN to "k". Context-dependent
// rules (final sigma, locale tailorings) are not applied. Bytes that do not
// form well-formed UTF-8 are copied unchanged.
std::string lowercased(std::string_view text);

}  // namespace tidemark
