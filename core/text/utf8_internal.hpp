#pragma once

// Internal helpers of core/text; not part of the public interface.

#include <cstddef>

namespace velmora::text::detail {

// Decodes one scalar value from p[0..n) strictly (Unicode Table 3-7: no
// overlongs, no surrogates, nothing above U+10FFFF, no truncation). Returns
// the sequence length (1-4) and sets cp, or returns 0 when p does not start
// with a well-formed sequence (or n == 0). Never reads past p[n-1].
inline std::size_t decode_one(const unsigned char *p, std::size_t n, char32_t &cp) {
  if (n == 0) {
    return 0;
  }
  const unsigned char b0 = p[0];
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  if (b0 < 0xC2) {
    return 0; // continuation byte, or overlong lead C0/C1
  }
  if (b0 < 0xE0) {
    if (n < 2 || (p[1] & 0xC0) != 0x80) {
      return 0;
    }
    cp = (char32_t(b0 & 0x1F) << 6) | char32_t(p[1] & 0x3F);
    return 2;
  }
  if (b0 < 0xF0) {
    if (n < 3) {
      return 0;
    }
    const unsigned char b1 = p[1];
    const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;
    const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF;
    if (b1 < lo || b1 > hi || (p[2] & 0xC0) != 0x80) {
      return 0;
    }
    cp = (char32_t(b0 & 0x0F) << 12) | (char32_t(b1 & 0x3F) << 6) | char32_t(p[2] & 0x3F);
    return 3;
  }
  if (b0 < 0xF5) {
    if (n < 4) {
      return 0;
    }
    const unsigned char b1 = p[1];
    const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;
    if (b1 < lo || b1 > hi || (p[2] & 0xC0) != 0x80 || (p[3] & 0xC0) != 0x80) {
      return 0;
    }
    cp = (char32_t(b0 & 0x07) << 18) | (char32_t(b1 & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6) |
         char32_t(p[3] & 0x3F);
    return 4;
  }
  return 0; // F5..FF
}

} // namespace velmora::text::detail
