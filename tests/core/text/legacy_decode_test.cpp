#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "text/legacy_decode.hpp"
#include "text/windows1251_internal.hpp"
#include "text_test_support.hpp"

namespace velmora::text::detail {
// Test names and failure messages show the implementation by its name.
void PrintTo(const Windows1251Implementation &impl, std::ostream *os) { *os << impl.name; }
} // namespace velmora::text::detail

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
  EXPECT_EQ(decode_legacy(bytes({0xFF, 0x41})), "\xD1\x8F"
                                                "A");
  EXPECT_EQ(decode_legacy(bytes({0xFE, 0x41})), "\xD1\x8E"
                                                "A");
  EXPECT_EQ(decode_legacy(bytes({0xEF, 0xBB, 0x41})), "\xD0\xBF\xC2\xBB"
                                                      "A");
}

TEST(TextLegacyDecode, Utf16LittleEndian) {
  EXPECT_EQ(decode_legacy(kLE), "");
  EXPECT_EQ(decode_legacy(kLE + utf16(u"1CClientBankExchange\r\n", false)),
            "1CClientBankExchange\r\n");
  EXPECT_EQ(decode_legacy(kLE + utf16(u"Номер", false)),
            "\xD0\x9D\xD0\xBE\xD0\xBC\xD0\xB5\xD1\x80");
  EXPECT_EQ(decode_legacy(kLE + utf16(u"a\U0001F600b", false)), "a\xF0\x9F\x98\x80"
                                                                "b");
  EXPECT_EQ(decode_legacy(kLE + utf16(u"\U00010000\U0010FFFF", false)),
            "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
  EXPECT_EQ(decode_legacy(kLE + utf16(std::u16string(u"\0\uFFFF\uFEFF", 3), false)),
            std::string("\0\xEF\xBF\xBF\xEF\xBB\xBF", 7)); // U+0000 etc. are fine
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
    const std::string &bom = be ? kBE : kLE;
    SCOPED_TRACE(be ? "BE" : "LE");
    const std::u16string lead(1, u'\xD83D'), trail(1, u'\xDE00');
    EXPECT_FALSE(decode_legacy(bom + utf16(lead, be)));                // lead at end
    EXPECT_FALSE(decode_legacy(bom + utf16(lead + u"a", be)));         // lead + non-trail
    EXPECT_FALSE(decode_legacy(bom + utf16(lead + lead + trail, be))); // lead + lead
    EXPECT_FALSE(decode_legacy(bom + utf16(trail, be)));               // lone trail
    EXPECT_FALSE(decode_legacy(bom + utf16(u"a" + trail + u"b", be)));
    EXPECT_FALSE(decode_legacy(bom + utf16(trail + lead, be))); // reversed pair
    EXPECT_TRUE(decode_legacy(bom + utf16(lead + trail, be)));
    EXPECT_FALSE(decode_legacy(bom + "a")); // odd length
    EXPECT_FALSE(decode_legacy(bom + utf16(u"abc", be) + "x"));
    EXPECT_FALSE(decode_legacy(bom + utf16(lead + trail, be) + "x"));
    EXPECT_FALSE(decode_legacy(bom + utf16(lead, be) + "x"));
  }
}

TEST(TextLegacyDecode, SecondUtf8ByteOrderMark) {
  EXPECT_EQ(decode_legacy(kUtf8Bom), "");
  EXPECT_EQ(decode_legacy(kUtf8Bom + "abc"), "abc");
  EXPECT_EQ(decode_legacy(kUtf8Bom + "\xD0\x9D\xD0\xBE"), "\xD0\x9D\xD0\xBE");
  EXPECT_EQ(decode_legacy(kUtf8Bom + kUtf8Bom), kUtf8Bom); // only one mark removed
  EXPECT_FALSE(decode_legacy(kUtf8Bom + "\xCD\xEE"));      // windows-1251 after the mark
  EXPECT_FALSE(decode_legacy(kUtf8Bom + "a\xFF"));
  EXPECT_FALSE(decode_legacy(kUtf8Bom + "\xC0\x80"));
  EXPECT_FALSE(decode_legacy(kUtf8Bom + "\xED\xA0\x80"));
  EXPECT_FALSE(decode_legacy(kUtf8Bom + "\xF4\x90\x80\x80"));
  EXPECT_FALSE(decode_legacy(kUtf8Bom + "\xE2\x82"));
}

// Every windows-1251 decoder this processor runs, held to the table path,
// and the table path to an encoder of its own over the WHATWG index.

using velmora::text::detail::windows1251_implementations;
using velmora::text::detail::Windows1251Implementation;

const Windows1251Implementation &table_path() { return windows1251_implementations().front(); }

std::string reference_decode(std::string_view in) {
  static const std::array<std::string, 256> forms = [] {
    const auto index = windows1251_index();
    std::array<std::string, 256> f;
    for (unsigned b = 0; b < 256; ++b) f[b] = utf8(b < 0x80 ? b : index[b - 0x80]);
    return f;
  }();
  std::string out;
  for (char c : in) out += forms[static_cast<unsigned char>(c)];
  return out;
}

std::size_t three_byte_candidates(std::string_view in) {
  std::size_t count = 0;
  for (char c : in)
    count += static_cast<unsigned char>(c) >= 0x80 && static_cast<unsigned char>(c) < 0xC0;
  return count;
}

// Decodes into the room asked for, followed by FF bytes, which UTF-8 never
// holds: a store past the room shows as a changed guard. The buffer has
// three bytes per input byte at least, all any decoding needs, so that a
// count too low fails the test without corrupting the heap.
std::string decode_guarded(const Windows1251Implementation &impl, std::string_view in) {
  constexpr std::size_t kGuard = 64;
  const std::size_t room = impl.capacity(in);
  EXPECT_EQ(room, table_path().capacity(in)) << impl.name << " sizes the output differently";
  std::string buffer(std::max(room, 3 * in.size()) + kGuard, '\xFF');
  const std::size_t written =
      static_cast<std::size_t>(impl.decode(in, buffer.data()) - buffer.data());
  EXPECT_LE(written, room);
  EXPECT_EQ(buffer.find_first_not_of('\xFF', room), std::string::npos)
      << impl.name << " wrote past its room";
  // The room is tight: only bytes 80..BF may have taken less than they were given.
  EXPECT_LE(room - std::min(room, written), three_byte_candidates(in));
  return buffer.substr(0, std::min(written, room));
}

// Every implementation built in, those this processor cannot run reported
// as skipped rather than left out unseen.
class Windows1251Decoders : public testing::TestWithParam<Windows1251Implementation> {
protected:
  void SetUp() override {
    if (!velmora::text::simd::runs_here(GetParam().isa)) {
      GTEST_SKIP() << GetParam().name << " needs instructions this processor lacks";
    }
  }

  // The table path's output, itself checked against the index.
  void expect_like_table(std::string_view in) {
    const std::string table = decode_guarded(table_path(), in);
    ASSERT_EQ(table, reference_decode(in)) << testing::PrintToString(std::string(in));
    ASSERT_EQ(decode_guarded(GetParam(), in), table) << testing::PrintToString(std::string(in));
  }
};

// Bytes of each kind the vector paths tell apart, cycled through.
struct ByteClass {
  const char *name;
  std::string bytes;
};

std::string byte_range(unsigned first, unsigned last) {
  std::string s;
  for (unsigned b = first; b <= last; ++b) s.push_back(static_cast<char>(b));
  return s;
}

const std::vector<ByteClass> &byte_classes() {
  static const std::vector<ByteClass> classes = {
      {"ascii", " 0123456789.,=;-abzAZ\r\n\t\x7F"},
      {"cyrillic-d0", byte_range(0xC0, 0xEF)}, // U+0410..U+043F: lead D0
      {"cyrillic-d1", byte_range(0xF0, 0xFF)}, // U+0440..U+044F: lead D1
      {"other-high", byte_range(0x80, 0xBF)},  // two- and three-byte forms, and 98 -> U+0098
  };
  return classes;
}

std::string cycled(const std::string &from, std::size_t n, std::size_t phase = 0) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = from[(i + phase) % from.size()];
  return s;
}

// Statement-like text: Cyrillic words between blanks, numbers and
// punctuation, with now and then №, «», ё or another byte of 80..BF.
std::string statement_like(std::mt19937 &rng, std::size_t n) {
  static const std::string blanks = " \r\n=.,;:-/()\"";
  static const std::string rare = "\xB9\xAB\xBB\xB8\xA8\x96\x97\x85\xA0\x98";
  std::uniform_int_distribution<int> kind(0, 99), word(1, 12), letter(0xC0, 0xFF), digit('0', '9');
  std::uniform_int_distribution<std::size_t> blank(0, blanks.size() - 1),
      special(0, rare.size() - 1);
  std::string s;
  while (s.size() < n) {
    const int k = kind(rng);
    if (k < 55) {
      for (int i = word(rng); i > 0; --i) s.push_back(static_cast<char>(letter(rng)));
    } else if (k < 75) {
      for (int i = word(rng); i > 0; --i) s.push_back(static_cast<char>(digit(rng)));
    } else if (k < 96) {
      s.push_back(blanks[blank(rng)]);
    } else {
      s.push_back(rare[special(rng)]);
    }
  }
  s.resize(n);
  return s;
}

// Inputs of 72 bytes put the byte in every lane of two 32-byte blocks (and
// four of 16) and then in the short tail.
TEST_P(Windows1251Decoders, EveryByteAloneAndAtEveryPosition) {
  constexpr std::size_t kLength = 72;
  std::mt19937 rng(7);
  const std::string text = statement_like(rng, kLength);
  const std::vector<std::string> fillers = {
      cycled(byte_classes()[0].bytes, kLength),
      cycled(byte_classes()[1].bytes + byte_classes()[2].bytes, kLength), text};
  for (unsigned b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    expect_like_table(std::string(1, static_cast<char>(b)));
    for (const std::string &filler : fillers) {
      for (std::size_t pos = 0; pos < kLength; ++pos) {
        std::string in = filler;
        in[pos] = static_cast<char>(b);
        expect_like_table(in);
      }
    }
  }
}

// A run of one kind followed by a run of another, the change at every
// position of the blocks and of the tail.
TEST_P(Windows1251Decoders, EveryChangeOfKindAtEveryPosition) {
  constexpr std::size_t kLength = 100;
  for (const ByteClass &first : byte_classes()) {
    for (const ByteClass &second : byte_classes()) {
      if (&first == &second) continue;
      SCOPED_TRACE(std::string(first.name) + " then " + second.name);
      for (std::size_t change = 0; change <= kLength; ++change) {
        expect_like_table(cycled(first.bytes, change) +
                          cycled(second.bytes, kLength - change, change));
      }
    }
  }
}

// Every length from empty to past three blocks, for texts that fill the room
// exactly (Cyrillic), leave it slack (80..BF) or take one byte per byte.
TEST_P(Windows1251Decoders, EveryLengthUpTo100) {
  std::mt19937 rng(11);
  std::vector<std::pair<std::string, std::string>> texts = {
      {"statement", statement_like(rng, 100)},
      {"all bytes", cycled(byte_range(0x00, 0xFF), 100, 0x80)},
  };
  for (const ByteClass &c : byte_classes()) texts.emplace_back(c.name, cycled(c.bytes, 100));
  for (const auto &[name, text] : texts) {
    SCOPED_TRACE(name);
    for (std::size_t n = 0; n <= text.size(); ++n)
      expect_like_table(std::string_view(text).substr(0, n));
  }
}

TEST_P(Windows1251Decoders, LargeRandomBuffers) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    expect_like_table(statement_like(rng, 200000 + seed));
    std::uniform_int_distribution<int> any(0, 255);
    std::string uniform(50000 + seed, '\0');
    for (char &c : uniform) c = static_cast<char>(any(rng));
    expect_like_table(uniform);
  }
  // Each byte takes the most extra room: counts that overflow show here.
  expect_like_table(cycled(byte_classes()[3].bytes, 20000));
}

INSTANTIATE_TEST_SUITE_P(All, Windows1251Decoders, testing::ValuesIn(windows1251_implementations()),
                         [](const testing::TestParamInfo<Windows1251Implementation> &info) {
                           return std::string(info.param.name);
                         });

// Large enough for the output buffer to take huge pages; no BOM in front.
TEST(TextLegacyDecode, LargeWindows1251InputDecodesLikeTable) {
  std::mt19937 rng(5);
  std::string in = statement_like(rng, 6 << 20);
  in[0] = 'A';
  EXPECT_EQ(decode_legacy(in), reference_decode(in));
}

} // namespace
