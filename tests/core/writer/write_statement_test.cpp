#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "parser/statement_text.hpp"
#include "parser/value_parsing.hpp"
#include "text/codepage.hpp"
#include "velmora/dos_input.hpp"
#include "velmora/model/exchange_keys.hpp"
#include "velmora/parse_statement.hpp"
#include "velmora/writer/exchange_writer.hpp"
#include "velmora/writer/write_statement.hpp"

namespace {

using namespace velmora;
using velmora::testing::account_section;
using velmora::testing::document_body;
using velmora::testing::document_section;
using velmora::testing::statement;

Statement parsed(const std::string &text) {
  auto result = parse_statement(text);
  EXPECT_TRUE(result) << (result ? "" : result.error().display());
  return result ? std::move(*result) : Statement{};
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string replaced(std::string_view text, std::string_view from, char to) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text.substr(i, from.size()) == from) {
      out.push_back(to);
      i += from.size();
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

// What a reader of the written bytes gets: DOS files are decoded first, as
// velmora.read does.
Statement read_back(const std::string &bytes, OutputEncoding encoding) {
  if (encoding == OutputEncoding::Ibm866) {
    return parsed(text::decode_code_page(text::CodePage::Ibm866, bytes));
  }
  return parsed(bytes);
}

AttributeMap without_encoding_key(const AttributeMap &header) {
  AttributeMap out;
  for (const auto &e : header)
    if (e.key != kEncodingKey) out.insert(e.key, e.value);
  return out;
}

void expect_same_accounts(const Statement &a, const Statement &b) {
  ASSERT_EQ(a.accounts.size(), b.accounts.size());
  for (std::size_t i = 0; i < a.accounts.size(); ++i) {
    EXPECT_EQ(a.accounts[i].number, b.accounts[i].number);
    ASSERT_EQ(a.accounts[i].intervals.size(), b.accounts[i].intervals.size());
    for (std::size_t j = 0; j < a.accounts[i].intervals.size(); ++j) {
      const Interval &x = a.accounts[i].intervals[j], &y = b.accounts[i].intervals[j];
      EXPECT_EQ(x, y);
      // Equal by value is not enough: the written scale must come back.
      EXPECT_EQ(format_decimal(x.start_amount), format_decimal(y.start_amount));
    }
  }
}

struct Case {
  OutputEncoding encoding;
  Newline newline;
};

class WriterRoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(WriterRoundTrip, ExamplesReadBackAsTheyWere) {
  for (const char *name : {"/statement_cp1251.txt", "/statement_utf8.txt"}) {
    std::string text = read_file(std::string(VELMORA_EXAMPLES_DIR) + name);
    if (GetParam().encoding == OutputEncoding::Ibm866) {
      // The examples' characters that IBM866 lacks (dash and guillemets), in
      // either encoding.
      const bool cp1251 = std::string_view(name).find("cp1251") != std::string_view::npos;
      for (std::string dash :
           cp1251 ? std::vector<std::string>{"\x97", "\xAB", "\xBB"}
                  : std::vector<std::string>{"\xE2\x80\x94", "\xC2\xAB", "\xC2\xBB"}) {
        text = replaced(text, dash, '-');
      }
    }
    const Statement s = parsed(text);
    const WriteOptions options{GetParam().encoding, GetParam().newline};
    auto bytes = write_statement(s, options);
    ASSERT_TRUE(bytes) << bytes.error().front().where << " " << bytes.error().front().message;
    const Statement t = read_back(*bytes, GetParam().encoding);
    EXPECT_EQ(without_encoding_key(t.header), without_encoding_key(s.header));
    ASSERT_NE(t.header.find(kEncodingKey), nullptr);
    EXPECT_EQ(*t.header.find(kEncodingKey), encoding_header_value(GetParam().encoding));
    expect_same_accounts(s, t);
    EXPECT_EQ(t.documents, s.documents);
    for (std::size_t i = 0; i < s.documents.size(); ++i)
      EXPECT_EQ(format_decimal(t.documents[i].amount), format_decimal(s.documents[i].amount));
    EXPECT_TRUE(t.warnings.empty());
    EXPECT_EQ(write_statement(t, options), bytes);
    const std::string_view other = GetParam().newline == Newline::CrLf ? "\r\r" : "\r\n";
    EXPECT_EQ(bytes->find(other), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(EncodingsAndNewlines, WriterRoundTrip,
                         ::testing::Values(Case{OutputEncoding::Windows1251, Newline::CrLf},
                                           Case{OutputEncoding::Windows1251, Newline::Lf},
                                           Case{OutputEncoding::Utf8, Newline::CrLf},
                                           Case{OutputEncoding::Utf8, Newline::Lf},
                                           Case{OutputEncoding::Ibm866, Newline::CrLf},
                                           Case{OutputEncoding::Ibm866, Newline::Lf}));

TEST(Writer, LayoutOfSectionsAndValues) {
  const std::string text =
      statement(account_section("40702810000000000001", "01.03.2024", "5.500") +
                "СекцияДокумент=Банковский ордер\n" + document_body("7") +
                "ПлательщикКПП=\nКонецДокумента\n");
  auto bytes = write_statement(parsed(text), {OutputEncoding::Utf8, Newline::Lf});
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, "1CClientBankExchange\nВерсияФормата=1.03\nКодировка=UTF-8\n"
                    "СекцияРасчСчет\nДатаНачала=01.03.2024\nРасчСчет=40702810000000000001\n"
                    "НачальныйОстаток=5.500\nКонецРасчСчет\n"
                    "СекцияДокумент=Банковский ордер\nНомер=7\nДата=05.03.2024\n"
                    "НазначениеПлатежа=Оплата\nСумма=100.00\nПлательщикИНН=7700000000\n"
                    "ПлательщикКПП=\nПлательщикБИК=044525225\nПлательщикБанк1=ПАО СБЕРБАНК\n"
                    "ПлательщикСчет=40702810000000000001\nПолучательИНН=7800000000\n"
                    "ПолучательСчет=40702810000000000002\nПолучательБИК=044030653\n"
                    "ПолучательБанк1=БАНК\nКонецДокумента\nКонецФайла\n");
}

// Every date the model can hold writes to a text that the reader's date
// syntax gives back as the same date.
TEST(Writer, DatesWriteBackAcrossTheWholeRange) {
  for (Date d :
       {Date{2024, 3, 5}, Date{0, 1, 1}, Date{24, 12, 31}, Date{9999, 12, 31}, Date{10000, 1, 1},
        Date{kMaxYear, 12, 31}, Date{-1, 2, 28}, Date{kMinYear, 1, 1}, Date{2000, 2, 29}}) {
    const std::string text = format_exchange_date(d);
    auto back = parse_required_date(text);
    ASSERT_TRUE(back) << text;
    EXPECT_EQ(*back, d) << text;
    EXPECT_EQ(parse_iso_date(format_date(d)), d) << format_date(d);
  }
  EXPECT_EQ(format_exchange_date(Date{10000, 1, 2}), "02.01.+10000");
  EXPECT_EQ(format_exchange_date(Date{-5, 1, 2}), "02.01.-5");
  EXPECT_EQ(format_exchange_date(Date{24, 1, 2}), "02.01.0024");
}

TEST(Writer, IsoDatesAreReadOnlyInTheirOneForm) {
  for (const char *bad :
       {"2024-3-01", "+2024-01-01", "10000-01-01", "-0000-01-01", "+010000-01-01", "2024-02-30",
        "2024-13-01", "2024/01/01", "", "+262143-01-01", "x024-01-01"}) {
    EXPECT_FALSE(parse_iso_date(bad).has_value()) << bad;
  }
}

// Keys that look odd but read back exactly as they are.
TEST(Writer, HeaderKeysThatReadBackAreWritten) {
  Statement s = parsed(statement(document_section()));
  s.header.insert("", "пусто");
  s.header.insert("КонецФайла", "x=y");
  s.header.insert("СекцияРасчСчет", "");
  auto bytes = write_statement(s, {OutputEncoding::Windows1251, Newline::CrLf});
  ASSERT_TRUE(bytes);
  EXPECT_EQ(read_back(*bytes, OutputEncoding::Windows1251).header, s.header);
}

struct Refusal {
  const char *name;
  void (*change)(Statement &);
  OutputEncoding encoding;
  WriteProblem expected;
};

const Refusal kRefusals[] = {
    {"HeaderKeyWithEquals",
     [](Statement &s) { s.header.insert("А=Б", "1"); },
     OutputEncoding::Utf8,
     {"header", "А=Б", "key holds \"=\""}},
    {"HeaderKeyOpeningADocument",
     [](Statement &s) { s.header.insert("СекцияДокумент", "1"); },
     OutputEncoding::Utf8,
     {"header", "СекцияДокумент", "key would be read as the start of a document section"}},
    {"HeaderKeyWithBlank",
     [](Statement &s) { s.header.insert("Ключ ", "1"); },
     OutputEncoding::Utf8,
     {"header", "Ключ ", "key begins or ends with white space, which readers trim away"}},
    {"HeaderKeyWithLineBreak",
     [](Statement &s) { s.header.insert("А\nБ", "1"); },
     OutputEncoding::Utf8,
     {"header", "А\nБ", "key holds a line break"}},
    {"ValueWithLineFeed",
     [](Statement &s) { s.documents[0].purpose = "а\nб"; },
     OutputEncoding::Utf8,
     {"document 0", "НазначениеПлатежа", "value holds a line break"}},
    {"ValueWithCarriageReturn",
     [](Statement &s) { s.documents[0].payee = "а\rб"; },
     OutputEncoding::Windows1251,
     {"document 0", "Получатель", "value holds a line break"}},
    {"ValueWithTrailingBlank",
     [](Statement &s) { s.header.insert("Отправитель", "Банк "); },
     OutputEncoding::Utf8,
     {"header", "Отправитель", "value begins or ends with white space, which readers trim away"}},
    {"ValueWithLeadingNoBreakSpace",
     [](Statement &s) { s.documents[0].doc_type = "\u00A0Ордер"; },
     OutputEncoding::Utf8,
     {"document 0", "СекцияДокумент",
      "value begins or ends with white space, which readers trim away"}},
    {"EuroInDos",
     [](Statement &s) { s.documents[0].purpose = "Оплата 5€"; },
     OutputEncoding::Ibm866,
     {"document 0", "НазначениеПлатежа",
      "character U+20AC \"€\" at position 8 cannot be written in cp866"}},
    {"HanInWindows",
     [](Statement &s) { s.accounts.begin()->number = "漢"; },
     OutputEncoding::Windows1251,
     {"account 漢 interval 0", "РасчСчет",
      "character U+6F22 \"漢\" at position 0 cannot be written in cp1251"}},
    {"InvalidUtf8",
     [](Statement &s) { s.documents[0].uin = std::string("\xC0\x80"); },
     OutputEncoding::Utf8,
     {"document 0", "Код", "value is not valid UTF-8 text"}},
    {"DosWithoutEncodingKey",
     [](Statement &s) {
       AttributeMap header;
       header.insert("ВерсияФормата", "1.03");
       s.header = header;
     },
     OutputEncoding::Ibm866,
     {"statement", "Кодировка",
      "a cp866 file needs a \"Кодировка\" header line to be read back as DOS"}},
    {"ImplausibleWindowsText",
     [](Statement &s) { s.documents[0].purpose = "x" + std::string(400, '\x01') + "x"; },
     OutputEncoding::Windows1251,
     {"statement", "",
      "too many control or other unusual characters: readers would not take the "
      "cp1251 bytes for a statement"}},
    {"NoSections",
     [](Statement &s) {
       s.documents.clear();
       s.accounts = AccountMap{};
     },
     OutputEncoding::Utf8,
     {"statement", "", "a statement needs an account or a document section to be read back"}},
    {"IntervalsOutOfOrder",
     [](Statement &s) {
       auto &list = s.accounts.begin()->intervals;
       list.push_back(list.front());
       list.back().date_start.year -= 1;
     },
     OutputEncoding::Utf8,
     {"account 40702810000000000001 interval 1", "ДатаНачала",
      "interval starts before the one in front of it; readers sort them"}},
    {"RepeatedInterval",
     [](Statement &s) {
       auto &list = s.accounts.begin()->intervals;
       list.push_back(list.front());
     },
     OutputEncoding::Utf8,
     {"account 40702810000000000001 interval 1", "ДатаНачала",
      "interval repeats interval 0; readers keep one of them"}},
};

class WriterRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(WriterRefusal, IsReportedAndNothingIsWritten) {
  Statement s =
      parsed(statement(account_section("40702810000000000001", "01.03.2024") + document_section()));
  ASSERT_TRUE(write_statement(s, {GetParam().encoding, Newline::CrLf}));
  GetParam().change(s);
  auto bytes = write_statement(s, {GetParam().encoding, Newline::CrLf});
  ASSERT_FALSE(bytes);
  EXPECT_EQ(bytes.error(), std::vector<WriteProblem>{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(Cases, WriterRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Writer, EveryProblemIsCollected) {
  Statement s = parsed(statement(document_section("1") + document_section("2")));
  s.header.insert("К=", " v");
  s.documents[1].purpose = "а\nб€";
  auto bytes = write_statement(s, {OutputEncoding::Ibm866, Newline::CrLf});
  ASSERT_FALSE(bytes);
  std::vector<std::string> seen;
  for (const auto &p : bytes.error())
    seen.push_back(p.where + "|" + p.key + "|" + p.message.substr(0, 16));
  EXPECT_EQ(seen,
            (std::vector<std::string>{"header|К=|key holds \"=\"", "header|К=|value begins or ",
                                      "document 1|НазначениеПлатежа|value holds a li",
                                      "document 1|НазначениеПлатежа|character U+20AC"}));
}

} // namespace

namespace {

std::string in_ibm866(const std::string &utf8) {
  std::string out;
  EXPECT_TRUE(velmora::text::encode_code_page(velmora::text::CodePage::Ibm866, utf8, out));
  return out;
}

TEST(DosInput, RecognisedOnlyByAHeaderLine) {
  const std::string dos = "1CClientBankExchange\r\nВерсияФормата=1.03\r\n Кодировка = DOS \r\n" +
                          velmora::testing::document_section() + "КонецФайла\r\n";
  EXPECT_TRUE(velmora::is_dos_statement(in_ibm866(dos)));
  // UTF-8 bytes, a marker before the line, another value, windows-1251 bytes.
  EXPECT_FALSE(velmora::is_dos_statement(dos));
  std::string late = dos;
  late.replace(late.find(" Кодировка = DOS \r\n"), std::string(" Кодировка = DOS \r\n").size(), "");
  EXPECT_FALSE(velmora::is_dos_statement(in_ibm866(late + "Кодировка=DOS\r\n")));
  std::string other = dos;
  other.replace(other.find("DOS"), 3, "Dos");
  EXPECT_FALSE(velmora::is_dos_statement(in_ibm866(other)));
  EXPECT_FALSE(velmora::is_dos_statement(in_ibm866("Привет\nКодировка=DOS\n")));
}

} // namespace
