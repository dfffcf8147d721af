#include "parser/input_decoding.hpp"

#include <gtest/gtest.h>

#include "statement_text.hpp"

namespace velmora {
namespace {

using testing::repeat;

struct BlankCase {
  std::string bytes;
  bool blank;
};

class BlankInput : public ::testing::TestWithParam<BlankCase> {};

TEST_P(BlankInput, OnlyFiveAsciiBlanksCount) {
  EXPECT_EQ(is_blank_input(GetParam().bytes), GetParam().blank);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlankInput,
    ::testing::Values(BlankCase{"", true}, BlankCase{" \t\r\n\f", true}, BlankCase{"\n\n\n", true},
                      BlankCase{"\x0B", false}, BlankCase{" \x0B ", false},
                      BlankCase{"\xEF\xBB\xBF", false}, BlankCase{"\xC2\xA0", false},
                      BlankCase{std::string(1, '\0'), false}, BlankCase{"  x  ", false}));

struct DecodeCase {
  const char *name;
  std::string bytes;
  std::optional<Encoding> encoding; // nothing: the input cannot be a statement
  std::string text;
};

class Decoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, PicksEncodingAndText) {
  const DecodeCase &c = GetParam();
  std::optional<DecodedText> decoded = decode_input(c.bytes);
  ASSERT_EQ(decoded.has_value(), c.encoding.has_value());
  if (!decoded) return;
  EXPECT_EQ(decoded->encoding(), *c.encoding);
  EXPECT_EQ(decoded->text(), c.text);
}

const std::string kCyrillic = "Сумма=1\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, Decoding,
    ::testing::Values(
        DecodeCase{"ascii", "abc\n", Encoding::Utf8, "abc\n"},
        DecodeCase{"utf8", kCyrillic, Encoding::Utf8, kCyrillic},
        DecodeCase{"utf8_bom_dropped", "\xEF\xBB\xBF" + kCyrillic, Encoding::Utf8, kCyrillic},
        DecodeCase{"bom_only", "\xEF\xBB\xBF", Encoding::Utf8, ""},
        DecodeCase{"utf8_path_skips_plausibility", "\x01\x02\x03", Encoding::Utf8, "\x01\x02\x03"},
        DecodeCase{"two_bom_bytes_are_not_a_mark", "\xEF\xBB" + testing::to_cp1251(repeat("Ж", 30)),
                   Encoding::Cp1251, "п»" + repeat("Ж", 30)},
        DecodeCase{"second_bom_kept_on_utf8_path", "\xEF\xBB\xBF\xEF\xBB\xBFx", Encoding::Utf8,
                   "\xEF\xBB\xBFx"},
        DecodeCase{"cp1251", testing::to_cp1251(kCyrillic), Encoding::Cp1251, kCyrillic},
        DecodeCase{"cp1251_after_utf8_bom", "\xEF\xBB\xBF" + testing::to_cp1251(kCyrillic),
                   Encoding::Cp1251, kCyrillic},
        // A candidate that starts with a second mark goes to the strict
        // UTF-8 decoder, which refuses what windows-1251 would have taken.
        DecodeCase{"second_bom_then_cp1251",
                   "\xEF\xBB\xBF\xEF\xBB\xBF" + testing::to_cp1251(kCyrillic), std::nullopt, ""},
        DecodeCase{"utf16le", "\xFF\xFE" + testing::to_utf16(kCyrillic, false), Encoding::Cp1251,
                   kCyrillic},
        DecodeCase{"utf16be", "\xFE\xFF" + testing::to_utf16(kCyrillic, true), Encoding::Cp1251,
                   kCyrillic},
        DecodeCase{"utf16le_after_utf8_bom",
                   "\xEF\xBB\xBF\xFF\xFE" + testing::to_utf16(kCyrillic, false), Encoding::Cp1251,
                   kCyrillic},
        DecodeCase{"utf16_surrogate_pair",
                   "\xFF\xFE" + testing::to_utf16("Ж\xF0\x9F\x98\x80Ж", false), Encoding::Cp1251,
                   "Ж\xF0\x9F\x98\x80Ж"},
        DecodeCase{"utf16_odd_length", "\xFF\xFE" + testing::to_utf16(kCyrillic, false) + "x",
                   std::nullopt, ""},
        DecodeCase{"utf16_lone_lead",
                   "\xFF\xFE" + testing::to_utf16("ЖЖ", false) + std::string("\x00\xD8", 2),
                   std::nullopt, ""},
        DecodeCase{"utf16_lone_trail",
                   std::string("\xFE\xFF\xDC\x00", 4) + testing::to_utf16("ЖЖ", true), std::nullopt,
                   ""},
        DecodeCase{"utf16_empty_after_mark", "\xFF\xFE", std::nullopt, ""},
        DecodeCase{"overlong_is_cp1251", "\xC0\xAF" + testing::to_cp1251(repeat("Ж", 60)),
                   Encoding::Cp1251, "АЇ" + repeat("Ж", 60)},
        DecodeCase{"surrogate_in_utf8_is_cp1251",
                   "\xED\xA0\x80" + testing::to_cp1251(repeat("Ж", 80)), Encoding::Cp1251,
                   "н\xC2\xA0Ђ" + repeat("Ж", 80)},
        DecodeCase{"implausible_cp1251", std::string("\x01\x02\x03\xC0", 4), std::nullopt, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DecodedText, SurvivesMovesAndCopies) {
  // A short fallback text lives inside the string object itself, so any
  // view taken before a move would point at the old object.
  std::optional<DecodedText> decoded = decode_input("\xC0\xC1");
  ASSERT_TRUE(decoded);
  DecodedText moved = std::move(*decoded);
  decoded.reset();
  EXPECT_EQ(moved.text(), "АБ");
  DecodedText copy = moved;
  EXPECT_EQ(copy.text(), "АБ");
  EXPECT_NE(copy.text().data(), moved.text().data());
}

TEST(DecodedText, Utf8InputIsNotCopied) {
  std::string input = "\xEF\xBB\xBF" + kCyrillic;
  std::optional<DecodedText> decoded = decode_input(input);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->text().data(), input.data() + 3);
}

struct CharCase {
  std::string ch;
  bool plausible;
};

class PlausibleCharacter : public ::testing::TestWithParam<CharCase> {};

// With 19 plausible characters around it, one character decides between
// 100 % and 95 %.
TEST_P(PlausibleCharacter, DecidesTheRatio) {
  std::string text = repeat("a", 19) + GetParam().ch;
  EXPECT_EQ(looks_like_text(text), GetParam().plausible);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlausibleCharacter,
    ::testing::Values(CharCase{"!", true}, CharCase{"~", true}, CharCase{" ", true},
                      CharCase{"\t", true}, CharCase{"\n", true}, CharCase{"\f", true},
                      CharCase{"\r", true}, CharCase{"\xD0\x80", true} /* U+0400 */,
                      CharCase{"\xEF\xBF\xBD", true} /* U+FFFD */,
                      CharCase{"\xF4\x8F\xBF\xBF", true} /* U+10FFFF */, CharCase{"\x0B", false},
                      CharCase{std::string(1, '\0'), false}, CharCase{"\x1F", false},
                      CharCase{"\x7F", false}, CharCase{"\xC2\x85", false} /* U+0085 */,
                      CharCase{"\xC2\xA0", false}, CharCase{"\xC3\xA9", false} /* U+00E9 */,
                      CharCase{"\xCF\xBF", false} /* U+03FF */));

struct RatioCase {
  const char *name;
  std::string text;
  bool plausible;
};

class PlausibilityRatio : public ::testing::TestWithParam<RatioCase> {};

TEST_P(PlausibilityRatio, TruncatedPercentAtLeast96) {
  EXPECT_EQ(looks_like_text(GetParam().text), GetParam().plausible);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlausibilityRatio,
    ::testing::Values(
        RatioCase{"empty", "", false},
        RatioCase{"exactly_96", repeat("a", 96) + repeat("\x01", 4), true},
        RatioCase{"exactly_95", repeat("a", 95) + repeat("\x01", 5), false},
        RatioCase{"just_below_96", repeat("Ж", 9599) + repeat("\x01", 401), false},
        RatioCase{"window_full_at_96", repeat("Ж", 19661) + repeat("\x01", 819), true},
        RatioCase{"window_full_below_96", repeat("Ж", 19660) + repeat("\x01", 820), false},
        // Characters past the 20480th are not looked at.
        RatioCase{"beyond_window_ignored", repeat("Ж", 19661) + repeat("\x01", 819 + 5000), true},
        // The window counts characters, not bytes: with two-byte letters a
        // byte window would stop at half the letters.
        RatioCase{"window_in_characters",
                  repeat("\x01", 819) + repeat("Ж", 19661) + repeat("\x01", 100), true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora
