#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "text/utf8.hpp"
#include "text/utf8_validators.hpp"
#include "text_test_support.hpp"

namespace velmora::text::detail {
void PrintTo(const Utf8Validator &v, std::ostream *os) { *os << v.name; }
} // namespace velmora::text::detail

namespace {

using namespace velmora_test;
using velmora::text::append_utf8;
using velmora::text::is_valid_utf8;
using velmora::text::next_code_point;
using velmora::text::detail::utf8_validators;
using velmora::text::detail::Utf8Validator;
using velmora::text::detail::valid_utf8_scalar;

struct Case {
  const char *bytes;
  std::size_t len;
  bool valid;
};

#define C(s, v)                                                                                    \
  Case { s, sizeof(s) - 1, v }

const Case kCases[] = {
    C("", true),
    C("abc", true),
    C("\x7F", true),
    C("\xC2\x80", true),         // U+0080
    C("\xDF\xBF", true),         // U+07FF
    C("\xE0\xA0\x80", true),     // U+0800
    C("\xED\x9F\xBF", true),     // U+D7FF
    C("\xEE\x80\x80", true),     // U+E000
    C("\xEF\xBF\xBF", true),     // U+FFFF
    C("\xF0\x90\x80\x80", true), // U+10000
    C("\xF0\x9F\x98\x80", true), // U+1F600
    C("\xF4\x8F\xBF\xBF", true), // U+10FFFF
    C("\xD0\x9D\xD0\xBE\xD0\xBC", true),
    C("\x80", false), // lone continuation
    C("\xBF", false),
    C("\xC0\x80", false),                 // overlong NUL
    C("\xC1\xBF", false),                 // overlong
    C("\xE0\x80\x80", false),             // overlong
    C("\xE0\x9F\xBF", false),             // overlong
    C("\xF0\x80\x80\x80", false),         // overlong
    C("\xF0\x8F\xBF\xBF", false),         // overlong
    C("\xED\xA0\x80", false),             // U+D800
    C("\xED\xBF\xBF", false),             // U+DFFF
    C("\xED\xA0\x80\xED\xB0\x80", false), // CESU-8 pair
    C("\xF4\x90\x80\x80", false),         // U+110000
    C("\xF5\x80\x80\x80", false),
    C("\xF8\x88\x80\x80\x80", false),
    C("\xFE", false),
    C("\xFF", false),
    C("\xC2", false), // truncated
    C("\xE0\xA0", false),
    C("\xE2\x82", false),
    C("\xF0\x9F\x98", false),
    C("\xF0\x9F", false),
    C("\xF0", false),
    C("\xC2\x41", false), // bad continuation
    C("\xE2\x41\x80", false),
    C("\xE2\x82\x41", false),
    C("\xF0\x9F\x98\x41", false),
    C("\xC2\x80\x80", false),         // extra continuation
    C("\xE2\x82\xAC\x80", false),     // continuation after a complete 3-byte
    C("\xF0\x9F\x98\x80\x80", false), // and after a complete 4-byte
};

// Text of exactly n bytes: Cyrillic pairs (an ASCII byte when n is odd), or
// ASCII alone, so that whole blocks of it take the ASCII skip.
std::string filler(std::size_t n, bool cyrillic) {
  std::string s;
  if (cyrillic) {
    for (; s.size() + 2 <= n; s += "\xD0\x96") {}
  }
  s.resize(n, 'a');
  return s;
}

// Text put after a case: long enough that whole 64-byte spans of it follow
// a case that ends near a block edge, so that the ASCII skip meets it.
constexpr std::size_t kAfter = 80;

// Every implementation built in, those this CPU cannot run reported as
// skipped rather than left out unseen.
class TextUtf8Validator : public testing::TestWithParam<Utf8Validator> {
protected:
  void SetUp() override {
    if (!velmora::text::simd::runs_here(GetParam().isa)) {
      GTEST_SKIP() << GetParam().name << " needs instructions this CPU lacks";
    }
  }

  // On an exact-size heap copy, so that reading past the end trips the
  // sanitizers (a std::string has spare capacity behind its bytes).
  bool valid(std::string_view s) const {
    const std::vector<char> exact(s.begin(), s.end());
    return GetParam().check(std::string_view(exact.data(), exact.size()));
  }
};

std::string validator_name(const testing::TestParamInfo<Utf8Validator> &info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(All, TextUtf8Validator,
                         testing::ValuesIn(utf8_validators().begin(), utf8_validators().end()),
                         validator_name);

TEST_P(TextUtf8Validator, ValidationTableInEveryContext) {
  // Placed so that the sequence starts at, straddles and ends on 16- and
  // 32-byte block edges, after ASCII and after Cyrillic.
  for (const Case &c : kCases) {
    const std::string s(c.bytes, c.len);
    for (std::size_t before : {0, 1, 13, 15, 16, 29, 30, 31, 32, 62}) {
      for (bool cyrillic : {false, true}) {
        const std::string pre = filler(before, cyrillic);
        EXPECT_EQ(valid(pre + s), c.valid) << testing::PrintToString(s) << " " << before;
        EXPECT_EQ(valid(pre + s + filler(kAfter, cyrillic)), c.valid)
            << testing::PrintToString(s) << " " << before;
      }
    }
  }
}

// Well-formed characters of every length, at their range edges and the
// ones statements carry.
const char *const kChars[] = {
    "\xC2\x80",         "\xDF\xBF",     "\xD0\x96",         "\xD1\x8F",     // U+0080 U+07FF Ж я
    "\xE0\xA0\x80",     "\xE2\x84\x96", "\xC2\xAB",         "\xED\x9F\xBF", // U+0800 № « U+D7FF
    "\xEE\x80\x80",     "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF0\x9F\x98\x80",
    "\xF4\x8F\xBF\xBF", // U+10FFFF
};

TEST_P(TextUtf8Validator, TruncatedSequenceAtEveryPositionNearBlockEdges) {
  for (const std::string c : kChars) {
    for (std::size_t pos = 0; pos <= 70; ++pos) {
      for (bool cyrillic : {false, true}) {
        const std::string pre = filler(pos, cyrillic);
        const std::string post = filler(kAfter, cyrillic);
        EXPECT_TRUE(valid(pre + c)) << testing::PrintToString(c) << " " << pos;
        EXPECT_TRUE(valid(pre + c + post)) << testing::PrintToString(c) << " " << pos;
        for (std::size_t cut = 1; cut < c.size(); ++cut) {
          const std::string part = c.substr(0, cut);
          EXPECT_FALSE(valid(pre + part)) << testing::PrintToString(part) << " " << pos;
          EXPECT_FALSE(valid(pre + part + post)) << testing::PrintToString(part) << " " << pos;
          EXPECT_FALSE(valid(pre + part + c)) << testing::PrintToString(part) << " " << pos;
        }
      }
    }
  }
}

// The vector implementations, held against the strict scalar check.
std::vector<Utf8Validator> vector_validators() {
  std::vector<Utf8Validator> v;
  for (const Utf8Validator &u : utf8_validators()) {
    if (u.check != valid_utf8_scalar) {
      v.push_back(u);
    }
  }
  return v;
}

class TextUtf8VectorValidator : public TextUtf8Validator {};

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TextUtf8VectorValidator);
INSTANTIATE_TEST_SUITE_P(Vector, TextUtf8VectorValidator, testing::ValuesIn(vector_validators()),
                         validator_name);

// Every lead byte with each edge value of the bytes after it, whole and cut
// short, at block edges after ASCII and after Cyrillic, followed by more text
// or by the end of the input.
TEST_P(TextUtf8VectorValidator, SequenceEdgesMatchScalar) {
  const unsigned char second[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
  const unsigned char later[] = {0x7F, 0x80, 0xBF, 0xC0};
  std::set<std::string> seqs;
  for (unsigned lead = 0; lead < 256; ++lead) {
    for (unsigned char b1 : second) {
      for (unsigned char b2 : later) {
        for (unsigned char b3 : later) {
          const std::string s{char(lead), char(b1), char(b2), char(b3)};
          for (std::size_t len = 1; len <= 4; ++len) {
            seqs.insert(s.substr(0, len));
          }
        }
      }
    }
  }
  for (const std::string &s : seqs) {
    for (std::size_t before : {0, 13, 14, 15, 29, 30, 31, 32, 63}) {
      for (bool cyrillic : {false, true}) {
        const std::string pre = filler(before, cyrillic);
        const std::string ended = pre + s;
        ASSERT_EQ(valid(ended), valid_utf8_scalar(ended)) << testing::PrintToString(ended);
        const std::string more = ended + filler(kAfter, cyrillic);
        ASSERT_EQ(valid(more), valid_utf8_scalar(more)) << testing::PrintToString(more);
      }
    }
  }
}

// Statement-like text: runs of ASCII, Cyrillic, three- and four-byte
// characters, then a few bytes overwritten at random.
std::string random_text(std::mt19937 &rng, std::size_t n) {
  static const char *const ascii[] = {"a", "Z", "0", " ", "\r\n", "=", "."};
  static const char *const cyrillic[] = {"\xD0\x90", "\xD0\xBE", "\xD1\x8F", "\xD0\x81",
                                         "\xD1\x91"};
  static const char *const three[] = {"\xE2\x84\x96", "\xC2\xAB",     "\xC2\xBB",
                                      "\xE2\x80\x94", "\xE0\xA0\x80", "\xED\x9F\xBF",
                                      "\xEE\x80\x80", "\xEF\xBF\xBD"};
  static const char *const four[] = {"\xF0\x90\x80\x80", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"};
  std::discrete_distribution<int> kind({30, 55, 10, 5});
  std::uniform_int_distribution<int> run(1, 40);
  std::string s;
  while (s.size() < n) {
    const int k = kind(rng);
    for (int r = run(rng); r > 0; --r) {
      std::string c;
      switch (k) {
      case 0: c = ascii[rng() % std::size(ascii)]; break;
      case 1: c = cyrillic[rng() % std::size(cyrillic)]; break;
      case 2: c = three[rng() % std::size(three)]; break;
      default: c = four[rng() % std::size(four)]; break;
      }
      if (s.size() + c.size() > n) {
        break;
      }
      s += c;
    }
    if (s.size() + 4 > n) {
      s.resize(n, 'a');
    }
  }
  const unsigned char edges[] = {0x00, 0x7F, 0x80, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  for (int bad = static_cast<int>(rng() % 4); bad > 0 && n > 0; --bad) {
    const unsigned char b = rng() % 2 ? edges[rng() % std::size(edges)] : rng() & 0xFF;
    s[rng() % n] = static_cast<char>(b);
  }
  return s;
}

TEST_P(TextUtf8VectorValidator, RandomTextMatchesScalar) {
  std::mt19937 rng(20240611);
  std::size_t valid_seen = 0, invalid_seen = 0;
  auto check = [&](std::size_t n) {
    const std::string s = random_text(rng, n);
    const bool expect = valid_utf8_scalar(s);
    ++(expect ? valid_seen : invalid_seen);
    ASSERT_EQ(valid(s), expect) << testing::PrintToString(s);
  };
  for (std::size_t n = 0; n <= 200; ++n) {
    for (int rep = 0; rep < 40; ++rep) {
      check(n);
    }
  }
  for (std::size_t n : {4096, 65536 + 7, 1 << 20}) {
    for (int rep = 0; rep < 4; ++rep) {
      check(n);
    }
  }
  // Both answers must be common, or the comparison proves little.
  EXPECT_GT(valid_seen, 1000u);
  EXPECT_GT(invalid_seen, 1000u);
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
      const bool expect =
          (a < 0x80 && b < 0x80) || (a >= 0xC2 && a <= 0xDF && b >= 0x80 && b <= 0xBF);
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
  EXPECT_EQ(next_code_point(s, i), 0xFFFDu); // truncated sequence
  EXPECT_EQ(i, 2u);
  EXPECT_EQ(next_code_point(s, i), 0xFFFDu);
  EXPECT_EQ(i, 3u);
  EXPECT_EQ(next_code_point(s, i), 0xFFFDu); // at end: i unchanged
  EXPECT_EQ(i, 3u);
}

TEST(TextUtf8, AppendNonScalarWritesReplacement) {
  std::string out;
  append_utf8(out, 0xD800);
  append_utf8(out, 0x110000);
  EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
