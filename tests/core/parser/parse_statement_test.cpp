#include "velmora/parse_statement.hpp"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "statement_text.hpp"

namespace velmora {
namespace {

using testing::document_section;
using testing::line_number_of;
using testing::statement;

// One document that builds, one that lacks "Сумма", so that line numbers
// reach the result through the warning.
std::string sample() {
  std::string failing = document_section("2");
  failing.erase(failing.find("Сумма="), std::string("Сумма=100.00\n").size());
  return statement(testing::account_section("40702810", "01.02.2024") + document_section("1") +
                   failing);
}

void expect_same_content(const Statement &a, const Statement &b) {
  EXPECT_EQ(a.header, b.header);
  EXPECT_EQ(a.documents, b.documents);
  EXPECT_EQ(a.warnings, b.warnings);
  ASSERT_EQ(a.accounts.size(), b.accounts.size());
  for (std::size_t i = 0; i < a.accounts.size(); ++i) {
    EXPECT_EQ(a.accounts[i].number, b.accounts[i].number);
    EXPECT_EQ(a.accounts[i].intervals, b.accounts[i].intervals);
  }
}

TEST(ParseStatement, SampleContent) {
  std::string text = sample();
  auto r = parse_statement(text);
  ASSERT_TRUE(r) << r.error().display();
  EXPECT_EQ(r->encoding, Encoding::Utf8);
  EXPECT_EQ(r->header.size(), 2u);
  ASSERT_EQ(r->accounts.size(), 1u);
  EXPECT_EQ(r->accounts[0].intervals.at(0).date_start, (Date{2024, 2, 1}));
  ASSERT_EQ(r->documents.size(), 1u);
  EXPECT_EQ(r->documents[0].doc_number, "1");
  EXPECT_EQ(r->warnings, (std::vector<Warning>{{line_number_of(text, "КонецДокумента", 2),
                                                "missing field `Сумма`"}}));
}

struct SameAsSample {
  const char *name;
  std::string bytes;
  Encoding encoding;
};

class Variants : public ::testing::TestWithParam<SameAsSample> {};

// Encodings and line endings change nothing but the reported encoding.
TEST_P(Variants, GiveTheSampleResult) {
  auto expected = parse_statement(sample());
  ASSERT_TRUE(expected);
  auto r = parse_statement(GetParam().bytes);
  ASSERT_TRUE(r) << r.error().display();
  EXPECT_EQ(r->encoding, GetParam().encoding);
  expect_same_content(*r, *expected);
}

std::string no_final_break() {
  std::string s = sample();
  s.pop_back();
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Variants,
    ::testing::Values(
        SameAsSample{"utf8_bom", "\xEF\xBB\xBF" + sample(), Encoding::Utf8},
        SameAsSample{"crlf", testing::crlf(sample()), Encoding::Utf8},
        SameAsSample{"no_final_break", no_final_break(), Encoding::Utf8},
        SameAsSample{"crlf_no_final_break", testing::crlf(no_final_break()), Encoding::Utf8},
        SameAsSample{"cp1251", testing::to_cp1251(sample()), Encoding::Cp1251},
        SameAsSample{"cp1251_crlf", testing::to_cp1251(testing::crlf(sample())), Encoding::Cp1251},
        SameAsSample{"utf16le", "\xFF\xFE" + testing::to_utf16(sample(), false), Encoding::Cp1251},
        SameAsSample{"utf16be", "\xFE\xFF" + testing::to_utf16(sample(), true), Encoding::Cp1251},
        SameAsSample{"magic_line_padded",
                     "  \t1CClientBankExchange \u00A0\u3000\u0085\r" +
                         sample().substr(std::strlen("1CClientBankExchange")),
                     Encoding::Utf8}),
    [](const auto &info) { return std::string(info.param.name); });

struct FailCase {
  const char *name;
  std::string bytes;
  ParseError::Kind kind;
};

class WholeInputFailure : public ::testing::TestWithParam<FailCase> {};

TEST_P(WholeInputFailure, HasNoLineNumber) {
  auto r = parse_statement(GetParam().bytes);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().kind(), GetParam().kind);
  EXPECT_FALSE(r.error().has_lineno());
}

using K = ParseError::Kind;
INSTANTIATE_TEST_SUITE_P(
    Cases, WholeInputFailure,
    ::testing::Values(
        FailCase{"no_bytes", "", K::EmptyInput},
        FailCase{"ascii_blanks", " \t\r\n\f \r\n\n", K::EmptyInput},
        FailCase{"vertical_tab", "\x0B", K::NotStatement},
        FailCase{"bom_only", "\xEF\xBB\xBF", K::NotStatement},
        FailCase{"bom_and_blanks", "\xEF\xBB\xBF \n", K::NotStatement},
        FailCase{"blank_first_line", "\n" + sample(), K::NotStatement},
        FailCase{"blank_first_line_spaces", " \t\r\n" + sample(), K::NotStatement},
        FailCase{"magic_in_other_case", "1cclientbankexchange\nСекцияРасчСчет\n", K::NotStatement},
        FailCase{"magic_with_suffix", "1CClientBankExchange2\n", K::NotStatement},
        FailCase{"magic_as_attribute", "1CClientBankExchange=1\n", K::NotStatement},
        FailCase{"carriage_returns_only", "1CClientBankExchange\rA=1\rКонецФайла\r",
                 K::NotStatement},
        FailCase{"second_bom_on_utf8_path", "\xEF\xBB\xBF\xEF\xBB\xBF" + sample(), K::NotStatement},
        FailCase{"implausible_cp1251", "1CClientBankExchange\n" + std::string(10, '\x01') + "\xC0",
                 K::NotStatement},
        FailCase{"malformed_utf16", "\xFF\xFE" + testing::to_utf16(sample(), false) + "x",
                 K::NotStatement},
        FailCase{"magic_alone", "1CClientBankExchange", K::Unfinished},
        FailCase{"header_only", "1CClientBankExchange\r\nA=1\r\n\r\n", K::Unfinished},
        FailCase{"inside_document", "1CClientBankExchange\nСекцияДокумент=x\nНомер=1\n",
                 K::Unfinished},
        FailCase{"inside_account", "1CClientBankExchange\nСекцияРасчСчет\n", K::Unfinished},
        FailCase{"after_complete_document", "1CClientBankExchange\n" + document_section(),
                 K::Unfinished}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ParseStatement, WholeInputDisplayTexts) {
  EXPECT_EQ(parse_statement("").error().display(), "Input is empty");
  EXPECT_EQ(parse_statement("x").error().display(), "Input is not a 1C statement");
  EXPECT_EQ(parse_statement("1CClientBankExchange\n").error().display(),
            "Statement is not finished");
}

struct LineCase {
  const char *name;
  std::string bytes;
  ParseError expected;
};

class LineNumbers : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineNumbers, CountPhysicalLines) {
  auto r = parse_statement(GetParam().bytes);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineNumbers,
    ::testing::Values(
        LineCase{"blank_lines_counted", "1CClientBankExchange\n\n \t\n\u00A0\u2028\nКонецФайла\n",
                 ParseError::unexpected_section("КонецФайла", ParseContext::Header, 5)},
        LineCase{"crlf_blank_lines", "1CClientBankExchange\r\n\r\n\r\n\r\nКонецФайла\r\n",
                 ParseError::unexpected_section("КонецФайла", ParseContext::Header, 5)},
        LineCase{"lone_cr_is_not_a_break", "1CClientBankExchange\nA=1\rB=2\nКонецФайла",
                 ParseError::unexpected_section("КонецФайла", ParseContext::Header, 3)},
        LineCase{"unrecognized_line_trimmed", "1CClientBankExchange\n\n\t Номер 5 \u3000\r\n",
                 ParseError::unrecognized_line("Номер 5", 3)},
        LineCase{"second_magic_in_header", "1CClientBankExchange\nA=1\n1CClientBankExchange\n",
                 ParseError::unexpected_section("1CClientBankExchange", ParseContext::Header, 3)},
        LineCase{"attribute_between_sections",
                 "1CClientBankExchange\n" + document_section() + "\n Ключ = знач \n",
                 ParseError::unexpected_attribute("Ключ", "знач", 17)},
        LineCase{"document_start_in_document",
                 "1CClientBankExchange\nСекцияДокумент=a\nСекцияДокумент  =  b\n",
                 ParseError::unexpected_section("СекцияДокумент=b", ParseContext::Document, 3)},
        LineCase{"document_end_in_account",
                 "1CClientBankExchange\nСекцияРасчСчет\nКонецДокумента\n",
                 ParseError::unexpected_section("КонецДокумента", ParseContext::Account, 3)},
        LineCase{"line_after_end", statement(document_section()) + "\n\n  \nмусор\n",
                 ParseError::unrecognized_line("мусор", 22)},
        LineCase{"cp1251_line_numbers",
                 testing::to_cp1251("1CClientBankExchange\r\n\r\nКонецФайла\r\n"),
                 ParseError::unexpected_section("КонецФайла", ParseContext::Header, 3)},
        LineCase{"utf16_line_numbers",
                 "\xFF\xFE" + testing::to_utf16("1CClientBankExchange\n\nКонецРасчСчет\n", false),
                 ParseError::unexpected_section("КонецРасчСчет", ParseContext::Header, 3)}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ParseStatement, BlankLinesAfterEndAreAccepted) {
  auto r = parse_statement(statement(document_section()) + "\n \r\n\t\n\u3000");
  ASSERT_TRUE(r) << r.error().display();
  EXPECT_EQ(r->documents.size(), 1u);
}

TEST(ParseStatement, HeaderKeepsFirstPositionAndLastValue) {
  auto r = parse_statement("1CClientBankExchange\n  Б = 1 \nА=2\nНеизвестный=x\nБ=3\n=\n" +
                           document_section() + "КонецФайла\n");
  ASSERT_TRUE(r) << r.error().display();
  std::vector<std::pair<std::string, std::string>> got;
  for (const auto &e : r->header) got.emplace_back(e.key, e.value);
  EXPECT_EQ(got, (std::vector<std::pair<std::string, std::string>>{
                     {"Б", "3"}, {"А", "2"}, {"Неизвестный", "x"}, {"", ""}}));
}

TEST(ParseStatement, SpacedKeysAndUnknownKeysInDocuments) {
  std::string body = testing::document_body("7");
  body.replace(body.find("Номер=7"), std::string("Номер=7").size(), "  Номер \t=\u00A0 7 ");
  auto r = parse_statement(statement("СекцияДокумент =  Банковский ордер\nКвитанция=Исполнен\n" +
                                     body + "ПлательщикКПП=\nКонецДокумента\n"));
  ASSERT_TRUE(r) << r.error().display();
  ASSERT_EQ(r->documents.size(), 1u);
  EXPECT_TRUE(r->warnings.empty());
  EXPECT_EQ(r->documents[0].doc_number, "7");
  EXPECT_EQ(r->documents[0].doc_type, "Банковский ордер");
  EXPECT_EQ(r->documents[0].counterparty_kpp, "");
}

TEST(ParseStatement, FailedDocumentsBecomeWarnings) {
  std::string text = statement(document_section("1") + document_section("2", "12,50") +
                               document_section("3") + document_section("4", ""));
  auto r = parse_statement(text);
  ASSERT_TRUE(r) << r.error().display();
  ASSERT_EQ(r->documents.size(), 2u);
  EXPECT_EQ(r->documents[0].doc_number, "1");
  EXPECT_EQ(r->documents[1].doc_number, "3");
  const std::string tail = "\", expected a Decimal type representing a fixed-point number";
  EXPECT_EQ(r->warnings,
            (std::vector<Warning>{
                {line_number_of(text, "КонецДокумента", 2), "invalid value: string \"12,50" + tail},
                {line_number_of(text, "КонецДокумента", 4), "invalid value: string \"" + tail}}));
}

TEST(ParseStatement, AccountsMergeByNumber) {
  using testing::account_section;
  auto r = parse_statement(statement(
      account_section("B", "01.02.2024", "100.00") + account_section("A", "01.03.2024") +
      account_section("B", "01.01.2024") + account_section("B", "01.02.2024", "100") +
      "СекцияРасчСчет\nДатаНачала=01.02.2024\nДатаКонца=29.02.2024\nНачальныйОстаток=100\n"
      "РасчСчет=B\nКонецРасчСчет\n"));
  ASSERT_TRUE(r) << r.error().display();
  ASSERT_EQ(r->accounts.size(), 2u);
  EXPECT_EQ(r->accounts[0].number, "B");
  EXPECT_EQ(r->accounts[1].number, "A");
  const auto &b = r->accounts[0].intervals;
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].date_start, (Date{2024, 1, 1}));
  EXPECT_EQ(b[1].date_start, (Date{2024, 2, 1}));
  EXPECT_FALSE(b[1].date_end.has_value());
  EXPECT_EQ(b[2].date_end, (Date{2024, 2, 29}));
}

TEST(ParseStatement, AccountFailuresEndTheParse) {
  std::string empty_end =
      statement(document_section() + "СекцияРасчСчет\nДатаНачала=01.01.2024\nНачальныйОстаток=1\n"
                                     "КонечныйОстаток=\nРасчСчет=1\nКонецРасчСчет\n");
  auto r = parse_statement(empty_end);
  ASSERT_FALSE(r);
  EXPECT_EQ(
      r.error(),
      ParseError::account_parse_error(
          "invalid value: string \"\", expected a Decimal type representing a fixed-point number",
          line_number_of(empty_end, "КонецРасчСчет")));

  std::string no_number =
      statement("СекцияРасчСчет\nДатаНачала=01.01.2024\nНачальныйОстаток=1\nКонецРасчСчет\n");
  r = parse_statement(no_number);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), ParseError::missing_field("РасчСчет", ParseContext::Account, 7));
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ExampleFile : public ::testing::TestWithParam<std::pair<const char *, Encoding>> {};

TEST_P(ExampleFile, EveryDocumentSectionIsADocumentOrAWarning) {
  std::string bytes = read_file(std::string(VELMORA_EXAMPLES_DIR) + "/" + GetParam().first);
  ASSERT_FALSE(bytes.empty());
  auto r = parse_statement(bytes);
  ASSERT_TRUE(r) << r.error().display();
  EXPECT_EQ(r->encoding, GetParam().second);
  std::size_t sections = 0;
  for (std::size_t at = 0;
       (at = bytes.find(GetParam().second == Encoding::Utf8 ? std::string("КонецДокумента")
                                                            : testing::to_cp1251("КонецДокумента"),
                        at)) != std::string::npos;
       ++at) {
    ++sections;
  }
  EXPECT_GT(sections, 0u);
  EXPECT_EQ(r->documents.size() + r->warnings.size(), sections);
  EXPECT_FALSE(r->accounts.empty());
}

INSTANTIATE_TEST_SUITE_P(Files, ExampleFile,
                         ::testing::Values(std::pair{"statement_utf8.txt", Encoding::Utf8},
                                           std::pair{"statement_cp1251.txt", Encoding::Cp1251}));

} // namespace
} // namespace velmora
