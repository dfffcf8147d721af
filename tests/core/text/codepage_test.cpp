#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/codepage.hpp"
#include "text_test_support.hpp"

namespace {

using namespace velmora_test;
using velmora::text::CodePage;

struct Page {
  CodePage page;
  const char *index;
};

class CodePageTest : public ::testing::TestWithParam<Page> {};

// Every byte against the WHATWG index file, read here independently: the
// decoder maps it, and the encoder maps the code point back to it.
TEST_P(CodePageTest, EveryByteRoundTripsThroughTheIndex) {
  const auto index = whatwg_index(GetParam().index);
  std::string all;
  std::string expected;
  for (unsigned b = 0; b < 256; ++b) {
    const char32_t cp = b < 0x80 ? b : index[b - 0x80];
    ASSERT_NE(cp, 0xFFFFFFFFu) << "index misses byte " << b;
    EXPECT_EQ(code_page_to_code_point(GetParam().page, static_cast<unsigned char>(b)), cp) << b;
    EXPECT_EQ(code_point_to_code_page(GetParam().page, cp), static_cast<unsigned char>(b)) << b;
    all.push_back(static_cast<char>(b));
    expected += utf8(cp);
  }
  EXPECT_EQ(decode_code_page(GetParam().page, all), expected);
  EXPECT_EQ(decoded_code_page_size(GetParam().page, all), expected.size());
  std::string encoded;
  ASSERT_TRUE(encode_code_page(GetParam().page, expected, encoded));
  EXPECT_EQ(encoded, all);
}

// Only the 256 code points of the index have a byte.
TEST_P(CodePageTest, NoOtherCodePointEncodes) {
  const auto index = whatwg_index(GetParam().index);
  std::vector<bool> mapped(0x10000, false);
  for (unsigned b = 0; b < 0x80; ++b) mapped[b] = true;
  for (char32_t cp : index) mapped[cp] = true;
  for (char32_t cp = 0; cp < 0x10000; ++cp) {
    if (is_surrogate(cp)) continue;
    EXPECT_EQ(code_point_to_code_page(GetParam().page, cp).has_value(), mapped[cp])
        << static_cast<unsigned>(cp);
  }
  EXPECT_FALSE(code_point_to_code_page(GetParam().page, 0x1F600).has_value());
}

TEST_P(CodePageTest, UnencodableCharacterIsReportedWithItsPosition) {
  std::string out = "kept";
  auto result = encode_code_page(GetParam().page, "Ая" + utf8(0x6F22) + "x", out);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().code_point, 0x6F22u);
  EXPECT_EQ(result.error().position, 2u);
  EXPECT_EQ(out, "kept"); // nothing half-written, nothing replaced
}

INSTANTIATE_TEST_SUITE_P(Pages, CodePageTest,
                         ::testing::Values(Page{CodePage::Windows1251, "windows-1251"},
                                           Page{CodePage::Ibm866, "ibm866"}),
                         [](const auto &info) {
                           return info.param.page == CodePage::Ibm866 ? "ibm866" : "windows1251";
                         });

TEST(CodePage, Windows1251ByteNinetyEightIsTheWebsControlCharacter) {
  EXPECT_EQ(code_page_to_code_point(CodePage::Windows1251, 0x98), 0x98u);
  EXPECT_EQ(code_point_to_code_page(CodePage::Windows1251, 0x98), 0x98);
}

TEST(CodePage, TheTwoPagesDifferWhereExpected) {
  // "Ё" and "€": both in windows-1251, only the first in IBM866.
  EXPECT_EQ(code_point_to_code_page(CodePage::Ibm866, U'Ё'), 0xF0);
  EXPECT_EQ(code_point_to_code_page(CodePage::Windows1251, U'Ё'), 0xA8);
  EXPECT_EQ(code_point_to_code_page(CodePage::Windows1251, 0x20AC), 0x88);
  EXPECT_FALSE(code_point_to_code_page(CodePage::Ibm866, 0x20AC).has_value());
}

} // namespace
