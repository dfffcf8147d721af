#include <gtest/gtest.h>

#include <cstdio>

#include "text/unicode.hpp"
#include "text_test_support.hpp"

namespace {

using namespace velmora_test;
using velmora::text::is_grapheme_extend;
using velmora::text::is_white_space;
using velmora::text::needs_unicode_escape;

TEST(TextUnicode, WhiteSpaceMatchesUcdForEveryCodePoint) {
  const auto &ws = white_space_set();
  int count = 0;
  for (char32_t cp = 0; cp <= kMaxCodePoint; ++cp) {
    ASSERT_EQ(is_white_space(cp), bool(ws[cp])) << std::hex << "U+" << std::uint32_t(cp);
    count += ws[cp] ? 1 : 0;
  }
  EXPECT_EQ(count, 25);
}

TEST(TextUnicode, GraphemeExtendMatchesUcdForEveryCodePoint) {
  const auto &ge = grapheme_extend_set();
  for (char32_t cp = 0; cp <= kMaxCodePoint; ++cp) {
    ASSERT_EQ(is_grapheme_extend(cp), bool(ge[cp])) << std::hex << "U+" << std::uint32_t(cp);
  }
  EXPECT_TRUE(is_grapheme_extend(0x0301)); // combining acute accent
  EXPECT_TRUE(is_grapheme_extend(0x200C)); // ZWNJ (Other_Grapheme_Extend)
  EXPECT_FALSE(is_grapheme_extend(U'а'));
}

TEST(TextUnicode, NeedsUnicodeEscapeMatchesUcdForEveryCodePoint) {
  for (char32_t cp = 0; cp <= kMaxCodePoint; ++cp) {
    ASSERT_EQ(needs_unicode_escape(cp), expected_escape(cp))
        << std::hex << "U+" << std::uint32_t(cp) << " gc=" << general_categories()[cp];
  }
}

TEST(TextUnicode, Examples) {
  EXPECT_FALSE(needs_unicode_escape(0x20));
  EXPECT_TRUE(needs_unicode_escape(0xA0));
  EXPECT_TRUE(needs_unicode_escape(0x3000));
  EXPECT_TRUE(needs_unicode_escape(0x2028));
  EXPECT_TRUE(needs_unicode_escape(0x2029));
  EXPECT_TRUE(needs_unicode_escape(0x7F));
  EXPECT_TRUE(needs_unicode_escape(0xAD));     // soft hyphen, Cf
  EXPECT_TRUE(needs_unicode_escape(0xFEFF));   // BOM, Cf
  EXPECT_TRUE(needs_unicode_escape(0xE000));   // private use, Co
  EXPECT_TRUE(needs_unicode_escape(0xD800));   // surrogate, Cs
  EXPECT_TRUE(needs_unicode_escape(0x0378));   // unassigned, Cn
  EXPECT_TRUE(needs_unicode_escape(0x10FFFF)); // noncharacter, Cn
  EXPECT_TRUE(needs_unicode_escape(0x0301));   // Mn, Grapheme_Extend
  EXPECT_FALSE(needs_unicode_escape(U'Ж'));
  EXPECT_FALSE(needs_unicode_escape(U'\''));
  EXPECT_FALSE(needs_unicode_escape(0x1F600));
  EXPECT_TRUE(is_white_space(0x85));
  EXPECT_TRUE(is_white_space(0x0B));
  EXPECT_FALSE(is_white_space(0x200B)); // zero width space is not White_Space
  EXPECT_FALSE(is_white_space(0x110000));
  EXPECT_FALSE(is_grapheme_extend(0x110000));
}

} // namespace
