#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "text/quote.hpp"
#include "text_test_support.hpp"

namespace {

using namespace velmora_test;
using velmora::text::append_quoted;
using velmora::text::quote;

std::string expected_char(char32_t cp) {
  switch (cp) {
  case '\\': return "\\\\";
  case '"': return "\\\"";
  case '\t': return "\\t";
  case '\r': return "\\r";
  case '\n': return "\\n";
  case 0: return "\\0";
  }
  if (expected_escape(cp)) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\u{%x}", static_cast<unsigned>(cp));
    return buf;
  }
  return utf8(cp);
}

TEST(TextQuote, EveryScalarValueMatchesUcd) {
  std::string all;
  std::string all_expected = "\"";
  for (char32_t cp = 0; cp <= kMaxCodePoint; ++cp) {
    if (is_surrogate(cp)) {
      continue;
    }
    const std::string e = expected_char(cp);
    ASSERT_EQ(quote(utf8(cp)), "\"" + e + "\"") << std::hex << "U+" << std::uint32_t(cp);
    all += utf8(cp);
    all_expected += e;
  }
  all_expected += "\"";
  EXPECT_EQ(quote(all), all_expected);
}

TEST(TextQuote, Examples) {
  EXPECT_EQ(quote(""), "\"\"");
  EXPECT_EQ(quote("abc"), "\"abc\"");
  EXPECT_EQ(quote("it's a test"), "\"it's a test\"");
  EXPECT_EQ(quote("\xD0\x9D\xD0\xBE\xD0\xBC\xD0\xB5\xD1\x80"),
            "\"\xD0\x9D\xD0\xBE\xD0\xBC\xD0\xB5\xD1\x80\"");
  EXPECT_EQ(quote("a\\b\"c"), "\"a\\\\b\\\"c\"");
  EXPECT_EQ(quote("\t\r\n"), "\"\\t\\r\\n\"");
  EXPECT_EQ(quote(std::string("a\0b", 3)), "\"a\\0b\"");
  EXPECT_EQ(quote("\x01\x1f\x7f"), "\"\\u{1}\\u{1f}\\u{7f}\"");
  EXPECT_EQ(quote("\x0B\x0C"), "\"\\u{b}\\u{c}\"");
  EXPECT_EQ(quote("1\xC2\xA0"
                  "000"),
            "\"1\\u{a0}000\"");
  EXPECT_EQ(quote("\xE3\x80\x80"), "\"\\u{3000}\"");
  EXPECT_EQ(quote("e\xCC\x81"), "\"e\\u{301}\"");
  EXPECT_EQ(quote("\xEF\xBB\xBF"), "\"\\u{feff}\"");
  EXPECT_EQ(quote("\xF4\x8F\xBF\xBF"), "\"\\u{10ffff}\"");
  EXPECT_EQ(quote("\xF0\x9F\x98\x80"), "\"\xF0\x9F\x98\x80\"");
}

TEST(TextQuote, AppendQuotedAppends) {
  std::string out = "value ";
  append_quoted(out, "x");
  append_quoted(out, "\n");
  EXPECT_EQ(out, "value \"x\"\"\\n\"");
}

TEST(TextQuote, InvalidUtf8BytesAreWrittenAsHexByteEscapes) {
  // Not a documented input: each byte that does not start a well-formed
  // sequence becomes \x{hh}; the output is valid UTF-8.
  EXPECT_EQ(quote("\xFF"), "\"\\x{ff}\"");
  EXPECT_EQ(quote("a\x80"
                  "b"),
            "\"a\\x{80}b\"");
  EXPECT_EQ(quote("\xC0\x80"), "\"\\x{c0}\\x{80}\"");
  EXPECT_EQ(quote("\xED\xA0\x80"), "\"\\x{ed}\\x{a0}\\x{80}\"");
  EXPECT_EQ(quote("\xE2\x82"), "\"\\x{e2}\\x{82}\"");
  EXPECT_EQ(quote("\xE2\x82"
                  "\xD0\x96"),
            "\"\\x{e2}\\x{82}\xD0\x96\"");
}

} // namespace
