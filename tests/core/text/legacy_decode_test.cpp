#include <gtest/gtest.h>

#include <string>

#include "text/legacy_decode.hpp"
#include "text_test_support.hpp"

namespace {

using namespace velmora_test;
using velmora::text::decode_legacy;
using velmora::text::windows1251_to_code_point;

std::string bytes(std::initializer_list<unsigned> v) {
    std::string s;
    for (unsigned b : v) {
        s.push_back(static_cast<char>(b));
    }
    return s;
}

std::string utf16(const std::u16string &units, bool big_endian) {
    std::string s;
    for (char16_t u : units) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        if (big_endian) {
            s += hi;
            s += lo;
        } else {
            s += lo;
            s += hi;
        }
    }
    return s;
}

const std::string kLE = bytes({0xFF, 0xFE});
const std::string kBE = bytes({0xFE, 0xFF});
const std::string kUtf8Bom = bytes({0xEF, 0xBB, 0xBF});

TEST(TextLegacyDecode, Windows1251EveryByteMatchesIndex) {
    const auto index = windows1251_index();
    std::string all;
    std::string expected;
    for (unsigned b = 0; b < 256; ++b) {
        const char32_t cp = b < 0x80 ? b : index[b - 0x80];
        ASSERT_NE(cp, 0xFFFFFFFFu) << "index misses byte " << b;
        EXPECT_EQ(windows1251_to_code_point(static_cast<unsigned char>(b)), cp) << b;
        const std::string one(1, static_cast<char>(b));
        // A lone 0xFF/0xFE/0xEF is no byte order mark; it decodes as windows-1251.
        EXPECT_EQ(decode_legacy(one), utf8(cp)) << b;
        all += one;
        expected += utf8(cp);
    }
    EXPECT_EQ(windows1251_to_code_point(0x98), 0x98u);
    EXPECT_EQ(windows1251_to_code_point(0xC0), U'А');
    EXPECT_EQ(windows1251_to_code_point(0xFF), U'я');
    EXPECT_EQ(windows1251_to_code_point(0xB9), U'№');
    EXPECT_EQ(decode_legacy(all), expected);
    // Rotated to start with the high half: the run of all high bytes in a row.
    const std::string rotated = all.substr(128) + all.substr(0, 128);
    std::string rotated_expected;
    for (unsigned k = 0; k < 256; ++k) {
        const unsigned b = (k + 128) % 256;
        rotated_expected += utf8(b < 0x80 ? b : index[b - 0x80]);
    }
    EXPECT_EQ(decode_legacy(rotated), rotated_expected);
    // In descending order the bytes start with FF FE, so they are UTF-16LE
    // (the mark wins over windows-1251), and the unit DC DD (bytes DD DC) is a
    // lone trail surrogate: malformed.
    const std::string rev(all.rbegin(), all.rend());
    EXPECT_FALSE(decode_legacy(rev));
}

TEST(TextLegacyDecode, Windows1251Text) {
    // "Номер=1\r\n" in windows-1251.
    EXPECT_EQ(decode_legacy(bytes({0xCD, 0xEE, 0xEC, 0xE5, 0xF0, '=', '1', '\r', '\n'})),
              "\xD0\x9D\xD0\xBE\xD0\xBC\xD0\xB5\xD1\x80=1\r\n");
    EXPECT_EQ(decode_legacy(""), "");
    EXPECT_EQ(decode_legacy(std::string("\0a", 2)), std::string("\0a", 2));
    // FF without FE, FE without FF, EF BB without BF: windows-1251.
    EXPECT_EQ(decode_legacy(bytes({0xFF, 0x41})), "\xD1\x8F" "A");
    EXPECT_EQ(decode_legacy(bytes({0xFE, 0x41})), "\xD1\x8E" "A");
    EXPECT_EQ(decode_legacy(bytes({0xEF, 0xBB, 0x41})), "\xD0\xBF\xC2\xBB" "A");
}

TEST(TextLegacyDecode, Utf16LittleEndian) {
    EXPECT_EQ(decode_legacy(kLE), "");
    EXPECT_EQ(decode_legacy(kLE + utf16(u"1CClientBankExchange\r\n", false)),
              "1CClientBankExchange\r\n");
    EXPECT_EQ(decode_legacy(kLE + utf16(u"Номер", false)), "\xD0\x9D\xD0\xBE\xD0\xBC\xD0\xB5\xD1\x80");
    EXPECT_EQ(decode_legacy(kLE + utf16(u"a\U0001F600b", false)), "a\xF0\x9F\x98\x80" "b");
    EXPECT_EQ(decode_legacy(kLE + utf16(u"\U00010000\U0010FFFF", false)),
              "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
    EXPECT_EQ(decode_legacy(kLE + utf16(std::u16string(u"\0\uFFFF\uFEFF", 3), false)),
              std::string("\0\xEF\xBF\xBF\xEF\xBB\xBF", 7));  // U+0000 etc. are fine
    // The mark is only removed once.
    EXPECT_EQ(decode_legacy(kLE + kLE), "\xEF\xBB\xBF");
}

TEST(TextLegacyDecode, Utf16BigEndian) {
    EXPECT_EQ(decode_legacy(kBE), "");
    EXPECT_EQ(decode_legacy(kBE + utf16(u"abc", true)), "abc");
    EXPECT_EQ(decode_legacy(kBE + utf16(u"Ж\U0001F600", true)), "\xD0\x96\xF0\x9F\x98\x80");
    EXPECT_EQ(decode_legacy(kBE + utf16(u"\uD7FF\uE000", true)), "\xED\x9F\xBF\xEE\x80\x80");
}

TEST(TextLegacyDecode, Utf16MalformedIsNullopt) {
    for (bool be : {false, true}) {
        const std::string& bom = be ? kBE : kLE;
        SCOPED_TRACE(be ? "BE" : "LE");
        const std::u16string lead(1, u'\xD83D'), trail(1, u'\xDE00');
        EXPECT_FALSE(decode_legacy(bom + utf16(lead, be)));                    // lead at end
        EXPECT_FALSE(decode_legacy(bom + utf16(lead + u"a", be)));             // lead + non-trail
        EXPECT_FALSE(decode_legacy(bom + utf16(lead + lead + trail, be)));     // lead + lead
        EXPECT_FALSE(decode_legacy(bom + utf16(trail, be)));                   // lone trail
        EXPECT_FALSE(decode_legacy(bom + utf16(u"a" + trail + u"b", be)));
        EXPECT_FALSE(decode_legacy(bom + utf16(trail + lead, be)));            // reversed pair
        EXPECT_TRUE(decode_legacy(bom + utf16(lead + trail, be)));
        EXPECT_FALSE(decode_legacy(bom + "a"));                                // odd length
        EXPECT_FALSE(decode_legacy(bom + utf16(u"abc", be) + "x"));
        EXPECT_FALSE(decode_legacy(bom + utf16(lead + trail, be) + "x"));
        EXPECT_FALSE(decode_legacy(bom + utf16(lead, be) + "x"));
    }
}

TEST(TextLegacyDecode, SecondUtf8ByteOrderMark) {
    EXPECT_EQ(decode_legacy(kUtf8Bom), "");
    EXPECT_EQ(decode_legacy(kUtf8Bom + "abc"), "abc");
    EXPECT_EQ(decode_legacy(kUtf8Bom + "\xD0\x9D\xD0\xBE"), "\xD0\x9D\xD0\xBE");
    EXPECT_EQ(decode_legacy(kUtf8Bom + kUtf8Bom), kUtf8Bom);  // only one mark removed
    EXPECT_FALSE(decode_legacy(kUtf8Bom + "\xCD\xEE"));      // windows-1251 after the mark
    EXPECT_FALSE(decode_legacy(kUtf8Bom + "a\xFF"));
    EXPECT_FALSE(decode_legacy(kUtf8Bom + "\xC0\x80"));
    EXPECT_FALSE(decode_legacy(kUtf8Bom + "\xED\xA0\x80"));
    EXPECT_FALSE(decode_legacy(kUtf8Bom + "\xF4\x90\x80\x80"));
    EXPECT_FALSE(decode_legacy(kUtf8Bom + "\xE2\x82"));
}

} // namespace
