#include <gtest/gtest.h>

#include <string>

#include "text/utf8.hpp"
#include "text_test_support.hpp"

namespace {

using namespace velmora_test;
using velmora::text::append_utf8;
using velmora::text::is_valid_utf8;
using velmora::text::next_code_point;

struct Case {
    const char *bytes;
    std::size_t len;
    bool valid;
};

#define C(s, v) Case{s, sizeof(s) - 1, v}

TEST(TextUtf8, ValidationTable) {
    const Case cases[] = {
        C("", true),
        C("abc", true),
        C("\x7F", true),
        C("\xC2\x80", true),            // U+0080
        C("\xDF\xBF", true),            // U+07FF
        C("\xE0\xA0\x80", true),        // U+0800
        C("\xED\x9F\xBF", true),        // U+D7FF
        C("\xEE\x80\x80", true),        // U+E000
        C("\xEF\xBF\xBF", true),        // U+FFFF
        C("\xF0\x90\x80\x80", true),    // U+10000
        C("\xF0\x9F\x98\x80", true),    // U+1F600
        C("\xF4\x8F\xBF\xBF", true),    // U+10FFFF
        C("\xD0\x9D\xD0\xBE\xD0\xBC", true),
        C("\x80", false),               // lone continuation
        C("\xBF", false),
        C("\xC0\x80", false),           // overlong NUL
        C("\xC1\xBF", false),           // overlong
        C("\xE0\x80\x80", false),       // overlong
        C("\xE0\x9F\xBF", false),       // overlong
        C("\xF0\x80\x80\x80", false),   // overlong
        C("\xF0\x8F\xBF\xBF", false),   // overlong
        C("\xED\xA0\x80", false),       // U+D800
        C("\xED\xBF\xBF", false),       // U+DFFF
        C("\xED\xA0\x80\xED\xB0\x80", false),  // CESU-8 pair
        C("\xF4\x90\x80\x80", false),   // U+110000
        C("\xF5\x80\x80\x80", false),
        C("\xF8\x88\x80\x80\x80", false),
        C("\xFE", false),
        C("\xFF", false),
        C("\xC2", false),               // truncated
        C("\xE0\xA0", false),
        C("\xE2\x82", false),
        C("\xF0\x9F\x98", false),
        C("\xF0\x9F", false),
        C("\xF0", false),
        C("\xC2\x41", false),           // bad continuation
        C("\xE2\x41\x80", false),
        C("\xE2\x82\x41", false),
        C("\xF0\x9F\x98\x41", false),
        C("\xC2\x80\x80", false),       // extra continuation
    };
    for (const Case &c : cases) {
        const std::string s(c.bytes, c.len);
        EXPECT_EQ(is_valid_utf8(s), c.valid) << testing::PrintToString(s);
        // Same result with ASCII padding that exercises the word path.
        const std::string pad(13, 'x');
        EXPECT_EQ(is_valid_utf8(pad + s), c.valid) << testing::PrintToString(s);
        EXPECT_EQ(is_valid_utf8(pad + s + pad), c.valid) << testing::PrintToString(s);
    }
}

TEST(TextUtf8, BadByteAtEveryOffsetOfLongAsciiRun) {
    for (std::size_t len = 1; len <= 40; ++len) {
        const std::string ascii(len, 'a');
        EXPECT_TRUE(is_valid_utf8(ascii));
        for (std::size_t pos = 0; pos < len; ++pos) {
            for (int bad : {0x80, 0xC0, 0xC2, 0xFF}) {
                std::string s = ascii;
                s[pos] = static_cast<char>(bad);
                EXPECT_FALSE(is_valid_utf8(s)) << len << " " << pos << " " << int(bad);
            }
            std::string good = ascii;
            good.replace(pos, 1, "\xD0\x96");
            EXPECT_TRUE(is_valid_utf8(good)) << len << " " << pos;
            // A string_view into a larger buffer must not look past its end.
            const std::string buf = ascii + "\xFF";
            EXPECT_TRUE(is_valid_utf8(std::string_view(buf).substr(0, len)));
        }
    }
}

TEST(TextUtf8, EveryScalarValueRoundTrips) {
    for (char32_t cp = 0; cp <= kMaxCodePoint; ++cp) {
        if (is_surrogate(cp)) {
            continue;
        }
        const std::string e = utf8(cp);
        std::string out;
        append_utf8(out, cp);
        ASSERT_EQ(out, e) << std::hex << std::uint32_t(cp);
        ASSERT_TRUE(is_valid_utf8(e)) << std::hex << std::uint32_t(cp);
        std::size_t i = 0;
        ASSERT_EQ(next_code_point(e, i), cp);
        ASSERT_EQ(i, e.size());
    }
}

TEST(TextUtf8, EveryEncodedSurrogateIsInvalid) {
    for (char32_t cp = 0xD800; cp <= 0xDFFF; ++cp) {
        ASSERT_FALSE(is_valid_utf8(utf8(cp))) << std::hex << std::uint32_t(cp);
    }
}

TEST(TextUtf8, AllTwoByteSequencesAgainstDefinition) {
    // Exhaustive over every 1- and 2-byte input.
    for (unsigned a = 0; a < 256; ++a) {
        const std::string one(1, static_cast<char>(a));
        EXPECT_EQ(is_valid_utf8(one), a < 0x80);
        for (unsigned b = 0; b < 256; ++b) {
            const std::string two{static_cast<char>(a), static_cast<char>(b)};
            const bool expect = (a < 0x80 && b < 0x80) ||
                                (a >= 0xC2 && a <= 0xDF && b >= 0x80 && b <= 0xBF);
            ASSERT_EQ(is_valid_utf8(two), expect) << a << " " << b;
        }
    }
}

TEST(TextUtf8, NextCodePointSequence) {
    const std::string s = "a\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80";
    std::size_t i = 0;
    EXPECT_EQ(next_code_point(s, i), U'a');
    EXPECT_EQ(next_code_point(s, i), U'Ж');
    EXPECT_EQ(next_code_point(s, i), U'€');
    EXPECT_EQ(next_code_point(s, i), U'\U0001F600');
    EXPECT_EQ(i, s.size());
}

TEST(TextUtf8, NextCodePointOnInvalidInputIsSafe) {
    const std::string s = "\xFF\xE2\x82";
    std::size_t i = 0;
    EXPECT_EQ(next_code_point(s, i), 0xFFFDu);
    EXPECT_EQ(i, 1u);
    EXPECT_EQ(next_code_point(s, i), 0xFFFDu);  // truncated sequence
    EXPECT_EQ(i, 2u);
    EXPECT_EQ(next_code_point(s, i), 0xFFFDu);
    EXPECT_EQ(i, 3u);
    EXPECT_EQ(next_code_point(s, i), 0xFFFDu);  // at end: i unchanged
    EXPECT_EQ(i, 3u);
}

TEST(TextUtf8, AppendNonScalarWritesReplacement) {
    std::string out;
    append_utf8(out, 0xD800);
    append_utf8(out, 0x110000);
    EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
