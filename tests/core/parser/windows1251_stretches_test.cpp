// windows-1251 input is read a stretch of lines at a time; sections, values
// and lines that cross from one stretch into the next must read exactly as
// the same text does in UTF-8.

#include <gtest/gtest.h>

#include <string>

#include "hook_support.hpp"
#include "statement_text.hpp"
#include "velmora/parse_statement.hpp"

namespace velmora {
namespace {

using testing::statement;

// Documents of growing size, so that the stretch ends (every 256 KiB) fall
// inside sections at every kind of place: on values the section keeps, on
// its opening line, on unknown keys. Every seventh lacks its amount.
std::string long_sections(std::size_t bytes) {
  std::string sections;
  for (std::size_t i = 0; sections.size() < bytes; ++i) {
    std::string doc = "СекцияДокумент=Платёж " + std::to_string(i) + "\n";
    doc += testing::document_body(std::to_string(i), i % 7 == 3 ? "" : "1.5");
    if (i % 7 == 3) doc.erase(doc.find("Сумма=\n"), std::string("Сумма=\n").size());
    doc += "Получатель1=" + testing::repeat("ж", i % 500) + "\n";
    for (std::size_t k = 0; k < i % 40; ++k) doc += "НеизвестныйКлюч=" + std::to_string(k) + "\n";
    if (i % 11 == 0) doc += "\n\n";
    sections += doc + "КонецДокумента\n";
  }
  return sections;
}

void expect_same(const std::string &utf8, std::span<SectionHook *const> hooks = {}) {
  auto plain = parse_statement(utf8, hooks);
  auto legacy = parse_statement(testing::to_cp1251(testing::crlf(utf8)), hooks);
  ASSERT_EQ(plain.has_value(), legacy.has_value());
  if (!plain) {
    EXPECT_EQ(legacy.error(), plain.error());
    return;
  }
  EXPECT_EQ(legacy->encoding, Encoding::Cp1251);
  EXPECT_EQ(legacy->header, plain->header);
  EXPECT_EQ(legacy->documents, plain->documents);
  EXPECT_EQ(legacy->warnings, plain->warnings);
  EXPECT_GT(plain->documents.size(), 10u);
  EXPECT_GT(plain->warnings.size(), 1u);
}

TEST(Windows1251Stretches, ManySectionsReadAsInUtf8) {
  expect_same(statement(long_sections(1 << 20)));
}

TEST(Windows1251Stretches, ManySectionsReadAsInUtf8WithHooks) {
  testing::ScriptedHook hook;
  SectionHook *hooks[] = {&hook};
  expect_same(statement(long_sections(600 << 10)), hooks);
}

TEST(Windows1251Stretches, LinesLongerThanAStretch) {
  std::string doc = testing::document_section("1");
  doc.insert(doc.find("КонецДокумента"), "Получатель2=" + testing::repeat("ё", 700 << 10) + "\n");
  expect_same(statement(long_sections(300 << 10) + doc + long_sections(100 << 10)));
}

TEST(Windows1251Stretches, ErrorsLateInTheInputKeepTheirLineNumbers) {
  expect_same(statement(long_sections(700 << 10) + "строка без знака\n"));
  std::string text = statement(long_sections(700 << 10));
  expect_same(text.substr(0, text.rfind("КонецФайла")));
}

TEST(Windows1251Stretches, AFirstLineLongerThanAStretch) {
  // Trailing blanks are trimmed from the magic line, however many.
  std::string text = statement(long_sections(10 << 10));
  text.insert(text.find('\n'), std::string(300 << 10, ' '));
  expect_same(text);
}

} // namespace
} // namespace velmora
