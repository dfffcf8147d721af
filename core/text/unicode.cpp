#include "text/unicode.hpp"

#include <algorithm>
#include <iterator>

namespace velmora::text {
namespace {

struct CodePointRange {
  char32_t first;
  char32_t last; // inclusive
};

#include "text/unicode_tables.inc"

template <std::size_t N> bool in_table(const CodePointRange (&table)[N], char32_t cp) {
  // First range whose last >= cp; cp is in the table if that range starts
  // at or before cp.
  const CodePointRange *it =
      std::lower_bound(std::begin(table), std::end(table), cp,
                       [](const CodePointRange &r, char32_t v) { return r.last < v; });
  return it != std::end(table) && it->first <= cp;
}

} // namespace

bool is_white_space(char32_t cp) {
  if (cp < 0x80) {
    return cp == 0x20 || (cp >= 0x09 && cp <= 0x0D);
  }
  // Below U+1680 only these two are white space; Cyrillic text, which
  // trimming meets at the ends of most values, never reaches the table.
  if (cp < 0x1680) {
    return cp == 0x85 || cp == 0xA0;
  }
  return in_table(kWhiteSpace, cp);
}

bool is_grapheme_extend(char32_t cp) {
  if (cp < 0x80) {
    return false;
  }
  return in_table(kGraphemeExtend, cp);
}

bool needs_unicode_escape(char32_t cp) {
  if (cp < 0x80) {
    return cp < 0x20 || cp == 0x7F;
  }
  if (cp > 0x10FFFF) {
    return true; // not a code point at all; never reached with valid UTF-8
  }
  return in_table(kEscape, cp);
}

} // namespace velmora::text
