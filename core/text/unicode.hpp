#pragma once

#include <cstdint>

namespace velmora::text {

// Character properties of Unicode 16.0, from generated tables.
bool is_white_space(char32_t cp);
bool is_grapheme_extend(char32_t cp);

// Whether quoted text writes the code point as \u{...}: Grapheme_Extend, or
// general category Cc, Cf, Cs, Co, Cn, Zl, Zp, or Zs other than U+0020.
bool needs_unicode_escape(char32_t cp);

} // namespace velmora::text
