#include <gtest/gtest.h>

#include <string>

#include "text/trim.hpp"
#include "text_test_support.hpp"

namespace {

using namespace velmora_test;
using velmora::text::trim;
using velmora::text::trim_end;
using velmora::text::trim_start;

std::vector<char32_t> white_space_code_points() {
  std::vector<char32_t> v;
  const auto &ws = white_space_set();
  for (char32_t cp = 0; cp <= kMaxCodePoint; ++cp) {
    if (ws[cp]) {
      v.push_back(cp);
    }
  }
  return v;
}

TEST(TextTrim, EveryWhiteSpaceAtEitherEnd) {
  const auto all = white_space_code_points();
  ASSERT_EQ(all.size(), 25u);
  const std::string core = "a\xC2\xA0"
                           "б c"; // inner NBSP and space are kept
  for (char32_t cp : all) {
    const std::string w = utf8(cp);
    SCOPED_TRACE(testing::Message() << std::hex << "U+" << std::uint32_t(cp));
    EXPECT_EQ(trim(w + core), core);
    EXPECT_EQ(trim(core + w), core);
    EXPECT_EQ(trim(w + core + w), core);
    EXPECT_EQ(trim(w + w + core + w + w), core);
    EXPECT_EQ(trim_start(w + core + w), core + w);
    EXPECT_EQ(trim_end(w + core + w), w + core);
    EXPECT_EQ(trim(w), "");
    EXPECT_EQ(trim(w + w + w), "");
  }
}

TEST(TextTrim, AllWhiteSpaceMixedBecomesEmpty) {
  std::string s;
  for (char32_t cp : white_space_code_points()) {
    s += utf8(cp);
  }
  EXPECT_EQ(trim(s), "");
  EXPECT_EQ(trim_start(s), "");
  EXPECT_EQ(trim_end(s), "");
  EXPECT_EQ(trim(s + "x" + s), "x");
}

TEST(TextTrim, NonWhiteSpaceKept) {
  EXPECT_EQ(trim(""), "");
  EXPECT_EQ(trim("abc"), "abc");
  EXPECT_EQ(trim("  a b  "), "a b");
  EXPECT_EQ(trim("\xE2\x80\x8B"
                 "a"
                 "\xE2\x80\x8B"),
            "\xE2\x80\x8B"
            "a"
            "\xE2\x80\x8B"); // ZWSP
  EXPECT_EQ(trim("\xEF\xBB\xBF"
                 "a"),
            "\xEF\xBB\xBF"
            "a"); // BOM is not White_Space
  EXPECT_EQ(trim(" \xD0\x96 "), "\xD0\x96");
  EXPECT_EQ(trim("\r\n1CClientBankExchange \r"), "1CClientBankExchange");
  // Characters whose encodings end in bytes that also end a whitespace
  // encoding must stay: U+0100 is C4 80, U+2080 is E2 82 80.
  EXPECT_EQ(trim("\xC4\x80"), "\xC4\x80");
  EXPECT_EQ(trim("\xE2\x82\x80"), "\xE2\x82\x80");
  EXPECT_EQ(trim("\xF0\x9F\x98\x80 "), "\xF0\x9F\x98\x80");
}

TEST(TextTrim, InvalidUtf8NeverReadsOutOfBounds) {
  // Not a documented input, but must stay in bounds and keep the bytes.
  EXPECT_EQ(trim("\x80"), "\x80");
  EXPECT_EQ(trim("\xC2"), "\xC2");
  EXPECT_EQ(trim("\xE3\x80"), "\xE3\x80"); // truncated U+3000
  EXPECT_EQ(trim("\x80\x80\x80\x80\x80"), "\x80\x80\x80\x80\x80");
  EXPECT_EQ(trim(" \xFF "), "\xFF");
  EXPECT_EQ(trim("\xA0"), "\xA0");
  const std::string s = std::string("\xE3\x80\x80", 3).substr(1); // "80 80"
  EXPECT_EQ(trim(s), s);
}

} // namespace
