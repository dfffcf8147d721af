#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "convert/text_shape.hpp"
#include "convert/ucs2_decode.hpp"

namespace velmora_py {
namespace {

void append_utf8(std::string &out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string utf8(const std::u32string &text) {
  std::string out;
  for (char32_t c : text) append_utf8(out, c);
  return out;
}

TextKind expected_kind(const std::u32string &text) {
  char32_t top = 0;
  for (char32_t c : text) top = std::max(top, c);
  return top < 0x80      ? TextKind::Ascii
         : top < 0x100   ? TextKind::Latin1
         : top < 0x10000 ? TextKind::Bmp
                         : TextKind::Astral;
}

// Mostly Cyrillic and ASCII, with the other lengths of sequence mixed in.
char32_t random_char(std::mt19937 &rng, bool bmp_only) {
  switch (rng() % (bmp_only ? 9 : 10)) {
  case 0:
  case 1:
  case 2: return rng() % 0x80;
  case 3:
  case 4:
  case 5: return 0x410 + rng() % 0x40;
  case 6: return 0x80 + rng() % 0x780;
  case 7: return 0x2116; // №
  case 8: {
    char32_t c;
    do c = 0x800 + rng() % 0xF800;
    while (c >= 0xD800 && c < 0xE000);
    return c;
  }
  default: return 0x10000 + rng() % 0x100000;
  }
}

std::u32string random_text(std::mt19937 &rng, std::size_t n, bool bmp_only) {
  std::u32string text;
  for (std::size_t i = 0; i < n; ++i) text += random_char(rng, bmp_only);
  return text;
}

TEST(TextShape, CountsCodePointsAndFindsTheKind) {
  std::mt19937 rng(7);
  const std::u32string fixed[] = {U"",        U"a",      U"\u00ab\u00bb", U"\u00ff",   U"\u0100",
                                  U"\u0098x", U"\uffff", U"\U0001F600",   U"\u2116 12"};
  for (const std::u32string &text : fixed) {
    const std::string bytes = utf8(text);
    const TextShape shape = measure_utf8(bytes.data(), bytes.size(), 0);
    EXPECT_EQ(shape.length, text.size());
    EXPECT_EQ(shape.kind, expected_kind(text));
  }
  for (int i = 0; i < 3000; ++i) {
    const std::u32string text = random_text(rng, rng() % (i % 100 == 0 ? 5000 : 90), false);
    const std::string bytes = utf8(text);
    // Read in place with the padding after it, and as the last text.
    const std::string padded = bytes + std::string(kShapePadding, '\xF4');
    for (const TextShape shape : {measure_utf8(padded.data(), bytes.size(), kShapePadding),
                                  measure_utf8(bytes.data(), bytes.size(), 0)}) {
      ASSERT_EQ(shape.length, text.size());
      ASSERT_EQ(shape.kind, expected_kind(text));
    }
  }
}

// Every kernel writes exactly the units of the text, and nothing after them.
TEST(Ucs2Decode, EveryKernelDecodesExactly) {
  std::mt19937 rng(11);
  std::vector<std::u32string> texts;
  for (std::size_t n = 0; n < 80; ++n) { // every length around the steps' edges
    texts.push_back(std::u32string(n, U'\u044e') + U"x");
    texts.push_back(U"ab" + std::u32string(n, U'\u2116'));
    texts.push_back(std::u32string(n, U'a') + U"\u0436");
  }
  for (int i = 0; i < 3000; ++i) texts.push_back(random_text(rng, rng() % 300, true));
  int ran = 0;
  for (const ucs2::Kernel &kernel : ucs2::kernels()) {
    if (!kernel.runs_here()) continue;
    ++ran;
    for (const std::u32string &text : texts) {
      const std::string bytes = utf8(text);
      std::vector<std::uint16_t> out(text.size() + 40, 0xABCD);
      kernel.decode(bytes, out.data(), text.size());
      for (std::size_t i = 0; i < text.size(); ++i)
        ASSERT_EQ(out[i], text[i]) << kernel.name << " at " << i << " of " << text.size();
      for (std::size_t i = text.size(); i < out.size(); ++i)
        ASSERT_EQ(out[i], 0xABCD) << kernel.name << " wrote past the text";
    }
  }
  EXPECT_GE(ran, 1);
}

} // namespace
} // namespace velmora_py
