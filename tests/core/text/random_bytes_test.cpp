#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "text/legacy_decode.hpp"
#include "text/quote.hpp"
#include "text/trim.hpp"
#include "text/utf8.hpp"

namespace {

// Slow reference: decode by bit patterns, then reject overlongs, surrogates
// and values above U+10FFFF.
bool reference_valid(const std::string &s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned b = static_cast<unsigned char>(s[i]);
    std::size_t len;
    std::uint32_t cp;
    if (b < 0x80) {
      len = 1;
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      len = 2;
      cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
      cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
      cp = b & 0x07;
    } else
      return false;
    if (i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const unsigned c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    const std::uint32_t min[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < min[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

TEST(TextRandomBytes, ValidationMatchesReferenceAndNothingCrashes) {
  std::mt19937 rng(12345);
  // Bytes biased towards the interesting ones.
  const unsigned char pool[] = {'a',  ' ',  '\t', 0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                0xBF, 0xC0, 0xC2, 0xD0, 0xDF, 0xE0, 0xE2, 0xE3, 0xED, 0xEF,
                                0xF0, 0xF4, 0xF5, 0xFE, 0xFF, 0xBB, 0x85, 0x82};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof pool - 1), len(0, 24);
  for (int iter = 0; iter < 200000; ++iter) {
    std::string s(len(rng), '\0');
    for (char &c : s) c = static_cast<char>(pool[pick(rng)]);
    ASSERT_EQ(velmora::text::is_valid_utf8(s), reference_valid(s)) << testing::PrintToString(s);
    const std::string_view t = velmora::text::trim(s);
    ASSERT_GE(t.data(), s.data());
    ASSERT_LE(t.data() + t.size(), s.data() + s.size());
    ASSERT_TRUE(velmora::text::is_valid_utf8(velmora::text::quote(s)));
    const auto d = velmora::text::decode_legacy(s);
    if (d) {
      ASSERT_TRUE(velmora::text::is_valid_utf8(*d));
    }
    std::size_t i = 0;
    while (i < s.size()) velmora::text::next_code_point(s, i);
    ASSERT_EQ(i, s.size());
  }
}

} // namespace
