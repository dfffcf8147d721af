#include "parser/document_observer.hpp"
#include "recording_observer.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "statement_text.hpp"
#include "velmora/parse_statement.hpp"

namespace velmora {
namespace {

using testing::document_section;
using testing::statement;

using testing::RecordingObserver;

// The same calls as a plain observer gets, less the opening lines.
class PlainObserver : public ParseObserver {
public:
  void header_attribute(std::uint64_t l, std::string_view k, std::string_view v) override {
    inner.header_attribute(l, k, v);
  }
  void section_attribute(SectionType t, std::uint64_t l, std::string_view k,
                         std::string_view v) override {
    inner.section_attribute(t, l, k, v);
  }
  void section_closed(SectionType t, std::uint64_t l) override { inner.section_closed(t, l); }
  RecordingObserver inner;
};

std::string mixed_statement() {
  std::string no_amount = document_section("2");
  const std::size_t at = no_amount.find("Сумма=");
  no_amount.erase(at, no_amount.find('\n', at) + 1 - at);
  return statement(document_section("1") + no_amount +
                   testing::account_section("40702810", "01.02.2024") + "СекцияДокумент=Ордер\n" +
                   testing::document_body("3") + "Лишний=ключ\nКонецДокумента\n");
}

// A windows-1251 statement long enough to be decoded in several stretches.
std::string long_cp1251_statement() {
  std::string sections;
  for (int i = 0; i < 2000; ++i) sections += document_section(std::to_string(i));
  return testing::to_cp1251(statement(sections));
}

TEST(DocumentObserver, TakesTheDocumentSectionsOverAndLeavesTheRestAsItWas) {
  for (const std::string &text :
       {mixed_statement(), testing::to_cp1251(mixed_statement()), long_cp1251_statement()}) {
    auto plain = parse_statement(text);
    ASSERT_TRUE(plain) << plain.error().display();
    PlainObserver seen;
    ASSERT_TRUE(parse_statement(text, {}, &seen));
    RecordingObserver observer;
    auto observed = parse_statement_observed(text, observer);
    ASSERT_TRUE(observed) << observed.error().display();

    EXPECT_TRUE(observed->documents.empty());
    EXPECT_TRUE(observed->warnings.empty());
    EXPECT_FALSE(plain->documents.empty());
    EXPECT_EQ(observed->encoding, plain->encoding);
    EXPECT_EQ(observed->header, plain->header);
    EXPECT_EQ(observed->accounts.size(), plain->accounts.size());
    // Every call a plain observer gets, in order, with each document
    // section's opening line before its attributes.
    std::vector<std::string> without_openings;
    std::size_t openings = 0;
    for (std::size_t i = 0; i < observer.calls.size(); ++i) {
      if (observer.calls[i].starts_with("open document")) {
        ++openings;
        ASSERT_LT(i + 1, observer.calls.size());
        EXPECT_TRUE(observer.calls[i + 1].starts_with("document") ||
                    observer.calls[i + 1].starts_with("close document"));
      } else {
        without_openings.push_back(observer.calls[i]);
      }
    }
    EXPECT_EQ(without_openings, seen.inner.calls);
    EXPECT_EQ(openings, plain->documents.size() + plain->warnings.size());
    // Only windows-1251 input that needs more than one stretch replaces its text.
    EXPECT_EQ(observer.stretches > 0, text.size() > (std::size_t{256} << 10));
  }
}

TEST(DocumentObserver, OpeningLineCarriesItsNumberAndType) {
  RecordingObserver observer;
  ASSERT_TRUE(parse_statement_observed(mixed_statement(), observer));
  std::vector<std::string> openings;
  for (const std::string &call : observer.calls) {
    if (call.starts_with("open document")) openings.push_back(call);
  }
  ASSERT_EQ(openings.size(), 3u);
  EXPECT_EQ(openings[0], "open document 4 Платежное поручение=");
  EXPECT_EQ(openings[2].substr(openings[2].find(' ', 14)), " Ордер=");
}

TEST(DocumentObserver, ErrorsAreTheSame) {
  const std::string cases[] = {
      statement(document_section("1") + "строка без знака\n"),
      statement(document_section("1")).substr(0, statement(document_section("1")).find("Конец")),
      statement(document_section("1") + "СекцияРасчСчет\nРасчСчет=1\nКонецРасчСчет\n"),
      "",
      "not a statement\n",
  };
  for (const std::string &text : cases) {
    auto plain = parse_statement(text);
    ASSERT_FALSE(plain);
    RecordingObserver observer;
    auto observed = parse_statement_observed(text, observer);
    ASSERT_FALSE(observed);
    EXPECT_EQ(observed.error().display(), plain.error().display());
    EXPECT_EQ(observed.error().kind(), plain.error().kind());
  }
}

} // namespace
} // namespace velmora
