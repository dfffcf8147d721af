#include "velmora/document_sink.hpp"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "hook_support.hpp"
#include "statement_text.hpp"
#include "velmora/parse_statement.hpp"

namespace velmora {
namespace {

using testing::document_section;
using testing::statement;

// Records what it is given, in the order given.
class RecordingSink : public DocumentSink {
public:
  void take_document(Document &&document) override { events.emplace_back(std::move(document)); }
  void take_warning(Warning &&warning) override { events.emplace_back(std::move(warning)); }

  std::vector<Document> documents() const {
    std::vector<Document> out;
    for (const auto &e : events)
      if (const auto *d = std::get_if<Document>(&e)) out.push_back(*d);
    return out;
  }
  std::vector<Warning> warnings() const {
    std::vector<Warning> out;
    for (const auto &e : events)
      if (const auto *w = std::get_if<Warning>(&e)) out.push_back(*w);
    return out;
  }

  std::vector<std::variant<Document, Warning>> events;
};

std::string without_line(std::string text, std::string_view prefix) {
  const std::size_t at = text.find(prefix);
  return text.erase(at, text.find('\n', at) + 1 - at);
}

// Documents that build, fail (no amount; a bad date) and build again, with
// an account between them.
std::string mixed_statement() {
  std::string bad_date = document_section("3");
  const std::size_t at = bad_date.find("Дата=") + std::string("Дата=").size();
  bad_date.replace(at, 10, "31.02.2024");
  return statement(document_section("1") + without_line(document_section("2"), "Сумма=") +
                   testing::account_section("40702810", "01.02.2024") + bad_date +
                   document_section("4", "7") + without_line(document_section("5"), "Номер="));
}

struct Variant {
  const char *name;
  bool cp1251;
  bool hooked;
};

class DocumentSinkTest : public ::testing::TestWithParam<Variant> {};

TEST_P(DocumentSinkTest, SameDocumentsAndWarningsInInputOrder) {
  const Variant v = GetParam();
  const std::string text =
      v.cp1251 ? testing::to_cp1251(testing::crlf(mixed_statement())) : mixed_statement();
  testing::ScriptedHook hook;
  SectionHook *hooks[] = {&hook};
  std::span<SectionHook *const> hook_span =
      v.hooked ? std::span(hooks) : std::span<SectionHook *const>{};

  auto plain = parse_statement(text, hook_span);
  ASSERT_TRUE(plain) << plain.error().display();
  RecordingSink sink;
  auto sunk = parse_statement(text, hook_span, sink);
  ASSERT_TRUE(sunk) << sunk.error().display();

  EXPECT_EQ(plain->documents.size(), 2u);
  EXPECT_EQ(plain->warnings.size(), 3u);
  EXPECT_EQ(sink.documents(), plain->documents);
  EXPECT_EQ(sink.warnings(), plain->warnings);
  // Neither is kept in the statement as well; the rest is unchanged.
  EXPECT_TRUE(sunk->documents.empty());
  EXPECT_TRUE(sunk->warnings.empty());
  EXPECT_EQ(sunk->encoding, plain->encoding);
  EXPECT_EQ(sunk->header, plain->header);
  ASSERT_EQ(sunk->accounts.size(), 1u);
  EXPECT_EQ(sunk->accounts[0].intervals, plain->accounts[0].intervals);
  // Outcomes arrive in input order: document, warning, warning, document, warning.
  ASSERT_EQ(sink.events.size(), 5u);
  const bool is_document[] = {true, false, false, true, false};
  for (std::size_t i = 0; i < 5; ++i)
    EXPECT_EQ(std::holds_alternative<Document>(sink.events[i]), is_document[i]) << i;
  EXPECT_EQ(std::get<Document>(sink.events[3]).doc_number, "4");
}

INSTANTIATE_TEST_SUITE_P(Paths, DocumentSinkTest,
                         ::testing::Values(Variant{"utf8", false, false},
                                           Variant{"cp1251", true, false},
                                           Variant{"utf8_hooked", false, true},
                                           Variant{"cp1251_hooked", true, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(DocumentSink, AnErrorAfterDocumentsIsTheSameError) {
  // Documents go to the sink before the parse fails; the result is the
  // error alone, exactly as without a sink.
  const std::string cases[] = {
      statement(document_section("1") + "строка без знака\n"),
      statement(document_section("1"))
          .substr(0, statement(document_section("1")).find("КонецФайла")),
      statement(document_section("1") + "СекцияРасчСчет\nРасчСчет=1\nКонецРасчСчет\n"),
  };
  for (const std::string &text : cases) {
    auto plain = parse_statement(text);
    ASSERT_FALSE(plain);
    RecordingSink sink;
    auto sunk = parse_statement(text, {}, sink);
    ASSERT_FALSE(sunk);
    EXPECT_EQ(sunk.error().display(), plain.error().display());
    EXPECT_EQ(sink.documents().size(), 1u);
  }
}

TEST(DocumentSink, FailingHookStopsBeforeTheSection) {
  const std::string text = statement(document_section("1") + document_section("2"));
  int calls = 0;
  testing::ScriptedHook hook([&](SectionType, AttributeMap &, const AttributeMap &) {
    return ++calls == 2 ? HookOutcome::Fail("нет") : HookOutcome::Continue();
  });
  SectionHook *hooks[] = {&hook};
  RecordingSink sink;
  auto sunk = parse_statement(text, hooks, sink);
  ASSERT_FALSE(sunk);
  EXPECT_EQ(sunk.error().kind(), ParseError::Kind::HookError);
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(std::get<Document>(sink.events[0]).doc_number, "1");
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

// Copies what it is given and leaves the record as it was.
class CopyingSink : public DocumentSink {
public:
  void take_document(Document &&document) override { documents.push_back(document); }
  void take_warning(Warning &&warning) override { warnings.push_back(warning); }
  std::vector<Document> documents;
  std::vector<Warning> warnings;
};

TEST(DocumentSink, ADocumentKeepsNothingOfTheOneBefore) {
  // Optional fields, long and short, present in one document and absent
  // from the next; a failed document in between; then present again.
  std::string rich = document_section("1");
  rich.insert(rich.find("КонецДокумента"),
              "ДатаСписано=05.03.2024\nПлательщик2=Общество с ограниченной ответственностью\n"
              "ВидОплаты=01\nНазначениеПлатежа1=\n");
  const std::string text =
      statement(rich + document_section("2") + without_line(document_section("3"), "Сумма=") +
                rich + document_section("5"));
  auto plain = parse_statement(text);
  ASSERT_TRUE(plain) << plain.error().display();
  CopyingSink sink;
  ASSERT_TRUE(parse_statement(text, {}, sink));
  ASSERT_EQ(plain->documents.size(), 4u);
  EXPECT_EQ(sink.documents, plain->documents);
  EXPECT_EQ(sink.warnings, plain->warnings);
  EXPECT_TRUE(sink.documents[0].outcome_date.has_value());
  EXPECT_FALSE(sink.documents[1].outcome_date.has_value());
  EXPECT_FALSE(sink.documents[1].counterparty_2.has_value());
  EXPECT_FALSE(sink.documents[1].purpose_1.has_value());
  EXPECT_EQ(sink.documents[2].purpose_1, std::optional<std::string>(""));
}

} // namespace
} // namespace velmora
