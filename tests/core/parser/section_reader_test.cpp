#include "parser/section_reader.hpp"

#include <gtest/gtest.h>

#include "hook_support.hpp"
#include "statement_text.hpp"
#include "velmora/parse_statement.hpp"

namespace velmora {
namespace {

using testing::line_number_of;
using testing::ScriptedHook;

struct ClassifyCase {
  const char *name;
  std::string line;
  std::optional<SectionMarker> marker; // nothing: an attribute or an unrecognized line
  std::string key;
  std::string value; // attribute value or document type
  bool unrecognized = false;
};

class Classify : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(Classify, Line) {
  const ClassifyCase &c = GetParam();
  auto item = classify_line(c.line, 7);
  if (c.unrecognized) {
    ASSERT_FALSE(item);
    EXPECT_EQ(item.error(), ParseError::unrecognized_line(c.line, 7));
    EXPECT_EQ(item.error().display(), "Unrecognized line: '" + c.line + "'");
    return;
  }
  ASSERT_TRUE(item) << item.error().display();
  if (c.marker) {
    ASSERT_EQ(item->kind, LineItem::Kind::Marker);
    EXPECT_EQ(item->marker, *c.marker);
    if (*c.marker == SectionMarker::DocumentBegin) {
      EXPECT_EQ(item->value, c.value);
    }
  } else {
    ASSERT_EQ(item->kind, LineItem::Kind::Attribute);
    EXPECT_EQ(item->key, c.key);
    EXPECT_EQ(item->value, c.value);
  }
}

using M = SectionMarker;
INSTANTIATE_TEST_SUITE_P(
    Cases, Classify,
    ::testing::Values(
        ClassifyCase{"bank_exchange", "1CClientBankExchange", M::BankExchange, "", ""},
        ClassifyCase{"account_begin", "СекцияРасчСчет", M::AccountBegin, "", ""},
        ClassifyCase{"account_end", "КонецРасчСчет", M::AccountEnd, "", ""},
        ClassifyCase{"document_end", "КонецДокумента", M::DocumentEnd, "", ""},
        ClassifyCase{"file_end", "КонецФайла", M::FileEnd, "", ""},
        ClassifyCase{"document_begin", "СекцияДокумент=Платежное поручение", M::DocumentBegin, "",
                     "Платежное поручение"},
        ClassifyCase{"document_begin_spaced", "СекцияДокумент \t=  Банковский ордер",
                     M::DocumentBegin, "", "Банковский ордер"},
        ClassifyCase{"document_begin_unicode_blanks", "СекцияДокумент\u00A0=\u3000Тип",
                     M::DocumentBegin, "", "Тип"},
        ClassifyCase{"document_begin_empty_type", "СекцияДокумент=", M::DocumentBegin, "", ""},
        ClassifyCase{"document_type_keeps_later_eq", "СекцияДокумент=a = b", M::DocumentBegin, "",
                     "a = b"},
        ClassifyCase{"plain_marker_with_eq_is_attribute", "КонецФайла=1", std::nullopt,
                     "КонецФайла", "1"},
        ClassifyCase{"account_begin_with_eq", "СекцияРасчСчет=", std::nullopt, "СекцияРасчСчет",
                     ""},
        ClassifyCase{"document_key_other_case", "секциядокумент=x", std::nullopt, "секциядокумент",
                     "x"},
        ClassifyCase{"document_key_longer", "СекцияДокументы=x", std::nullopt, "СекцияДокументы",
                     "x"},
        ClassifyCase{"spaces_around_eq", "Ключ  =  a = b", std::nullopt, "Ключ", "a = b"},
        ClassifyCase{"unicode_blanks_around_eq", "Сумма\u00A0=\u2003100", std::nullopt, "Сумма",
                     "100"},
        ClassifyCase{"empty_key", "=v", std::nullopt, "", "v"},
        ClassifyCase{"empty_value", "k=", std::nullopt, "k", ""},
        ClassifyCase{"lone_eq", "=", std::nullopt, "", ""},
        ClassifyCase{"marker_with_suffix", "КонецФайлаX", std::nullopt, "", "", true},
        ClassifyCase{"marker_other_case", "конецфайла", std::nullopt, "", "", true},
        ClassifyCase{"magic_with_word", "1CClientBankExchange X", std::nullopt, "", "", true},
        ClassifyCase{"document_key_without_eq", "СекцияДокумент", std::nullopt, "", "", true},
        ClassifyCase{"plain_text", "Номер 5", std::nullopt, "", "", true}),
    [](const auto &info) { return std::string(info.param.name); });

// The state machine, cell by cell: each state is reached by real lines, then
// one line of each class is read.
enum Column {
  kAttribute,
  kBankExchange,
  kAccountBegin,
  kAccountEnd,
  kDocumentBegin,
  kDocumentEnd,
  kFileEnd
};
constexpr int kColumns = 7;
constexpr int kStates = 6;

struct ColumnLine {
  std::string_view name;
  std::string_view line;
  std::string_view found;
};
constexpr ColumnLine kColumnLines[kColumns] = {
    {"Attribute", "Ключ = Значение", ""},
    {"BankExchange", "1CClientBankExchange", "1CClientBankExchange"},
    {"AccountBegin", "СекцияРасчСчет", "СекцияРасчСчет"},
    {"AccountEnd", "КонецРасчСчет", "КонецРасчСчет"},
    {"DocumentBegin", "СекцияДокумент = Иное", "СекцияДокумент=Иное"},
    {"DocumentEnd", "КонецДокумента", "КонецДокумента"},
    {"FileEnd", "КонецФайла", "КонецФайла"},
};

constexpr std::string_view kStateNames[kStates] = {"Init",    "Header",          "Document",
                                                   "Account", "ReadNextSection", "Finished"};
constexpr std::string_view kContextNames[kStates] = {
    "init", "header", "document", "account", "read_next_section", "finished"};

using S = ReaderState;
constexpr std::optional<S> X = std::nullopt; // the line is an error
constexpr std::optional<S> kNext[kStates][kColumns] = {
    // Attribute, BankExchange, AccountBegin, AccountEnd, DocumentBegin, DocumentEnd, FileEnd
    {X, S::Header, X, X, X, X, X},                      // Init
    {S::Header, X, S::Account, X, S::Document, X, X},   // Header
    {S::Document, X, X, X, X, S::ReadNextSection, X},   // Document
    {S::Account, X, X, S::ReadNextSection, X, X, X},    // Account
    {X, X, S::Account, X, S::Document, X, S::Finished}, // ReadNextSection
    {X, X, X, X, X, X, X},                              // Finished
};

std::vector<std::string> setup_lines(ReaderState state) {
  std::vector<std::string> header{"1CClientBankExchange", "ВерсияФормата=1.03"};
  std::vector<std::string> lines;
  auto add = [&](const std::vector<std::string> &more) {
    lines.insert(lines.end(), more.begin(), more.end());
  };
  switch (state) {
  case S::Init: break;
  case S::Header: add(header); break;
  case S::Account:
    add(header);
    add({"СекцияРасчСчет", "ДатаНачала=01.01.2024", "НачальныйОстаток=1", "РасчСчет=40702"});
    break;
  case S::Document:
  case S::ReadNextSection:
  case S::Finished:
    add(header);
    add({"СекцияДокумент=Платежное поручение"});
    add(testing::split_lines(testing::document_body()));
    if (state != S::Document) add({"КонецДокумента"});
    if (state == S::Finished) add({"КонецФайла"});
    break;
  }
  return lines;
}

std::expected<void, ParseError> feed(SectionReader &reader, const std::vector<std::string> &lines) {
  std::uint64_t lineno = 0;
  for (const std::string &line : lines) {
    auto item = classify_line(line, ++lineno);
    if (!item) return std::unexpected(item.error());
    if (auto step = reader.read_line(lineno, *item); !step) return step;
  }
  return {};
}

class StateTable : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(StateTable, Cell) {
  auto [state_index, column] = GetParam();
  const ReaderState from = static_cast<ReaderState>(state_index);
  const std::vector<std::string> lines = setup_lines(from);
  SectionReader reader(Encoding::Utf8, {});
  ASSERT_TRUE(feed(reader, lines));
  ASSERT_EQ(reader.state(), from);

  const std::string line(kColumnLines[column].line);
  const std::uint64_t lineno = lines.size() + 1;
  auto item = classify_line(line, lineno);
  ASSERT_TRUE(item);
  auto step = reader.read_line(lineno, *item);

  if (std::optional<S> next = kNext[state_index][column]) {
    ASSERT_TRUE(step) << step.error().display();
    EXPECT_EQ(reader.state(), *next);
    return;
  }
  ASSERT_FALSE(step);
  const ParseError &e = step.error();
  EXPECT_EQ(e.lineno(), lineno);
  if (column == kAttribute) {
    EXPECT_EQ(e.kind(), ParseError::Kind::UnexpectedAttribute);
    EXPECT_EQ(e.key(), "Ключ");
    EXPECT_EQ(e.value(), "Значение");
    EXPECT_EQ(e.display(), "Unexpected attribute 'Ключ' = 'Значение'");
  } else {
    const std::string found(kColumnLines[column].found);
    const std::string context(kContextNames[state_index]);
    EXPECT_EQ(e.kind(), ParseError::Kind::UnexpectedSection);
    EXPECT_EQ(e.found(), found);
    EXPECT_EQ(e.context_name(), context);
    EXPECT_EQ(e.display(), "Unexpected section '" + found + "' in context '" + context + "'");
  }
}

INSTANTIATE_TEST_SUITE_P(Cells, StateTable,
                         ::testing::Combine(::testing::Range(0, kStates),
                                            ::testing::Range(0, kColumns)),
                         [](const auto &info) {
                           return std::string(kStateNames[std::get<0>(info.param)]) + "_" +
                                  std::string(kColumnLines[std::get<1>(info.param)].name);
                         });

TEST(SectionReader, AnErrorConsumesTheReader) {
  const std::vector<std::string> lines = setup_lines(S::Finished);
  SectionReader reader(Encoding::Utf8, {});
  ASSERT_TRUE(feed(reader, lines));
  ASSERT_TRUE(reader.finished());
  auto error = reader.read_line(40, *classify_line("Ключ=1", 40));
  ASSERT_FALSE(error);
  EXPECT_FALSE(reader.finished());
  auto again = reader.read_line(41, *classify_line("КонецФайла", 41));
  ASSERT_FALSE(again);
  EXPECT_EQ(again.error(), error.error());
}

TEST(SectionReader, EmptyKeyInUnexpectedAttribute) {
  auto r = parse_statement(testing::statement(testing::document_section()) + "=x\n");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().key(), "");
  EXPECT_EQ(r.error().display(), "Unexpected attribute '' = 'x'");
}

TEST(SectionReader, SectionAttributesLaterLineWins) {
  std::string text = testing::statement("СекцияДокумент=Платежное поручение\nНомер=1\n" +
                                        testing::document_body("2") + "КонецДокумента\n");
  ScriptedHook hook;
  std::vector<SectionHook *> hooks{&hook};
  auto r = parse_statement(text, hooks);
  ASSERT_TRUE(r) << r.error().display();
  EXPECT_EQ(r->documents.at(0).doc_number, "2");
  ASSERT_EQ(hook.calls.size(), 1u);
  EXPECT_EQ(hook.calls[0].attrs.entries().front().key, "Номер");
  EXPECT_EQ(hook.calls[0].attrs.size(), testing::split_lines(testing::document_body()).size());
}

// Hooks: called at each closing line, in order, on one shared map.
TEST(Hooks, RunInOrderAndSeeEarlierChanges) {
  std::vector<std::string> log;
  ScriptedHook first([&](SectionType type, AttributeMap &attrs, const AttributeMap &) {
    log.push_back(type == SectionType::Account ? "first:account" : "first:document");
    if (type == SectionType::Document) attrs.insert("Номер", "A");
    return HookOutcome::Continue();
  });
  ScriptedHook second([&](SectionType type, AttributeMap &attrs, const AttributeMap &) {
    log.push_back(type == SectionType::Account ? "second:account" : "second:document");
    if (type == SectionType::Document) attrs.insert("Номер", *attrs.find("Номер") + "B");
    return HookOutcome::Continue();
  });
  std::vector<SectionHook *> hooks{&first, &second};
  auto r = parse_statement(testing::statement(testing::account_section("40702", "01.01.2024") +
                                              testing::document_section()),
                           hooks);
  ASSERT_TRUE(r) << r.error().display();
  EXPECT_EQ(log, (std::vector<std::string>{"first:account", "second:account", "first:document",
                                           "second:document"}));
  EXPECT_EQ(r->documents.at(0).doc_number, "AB");
}

TEST(Hooks, SeeSectionAndHeaderAsRead) {
  ScriptedHook hook;
  std::vector<SectionHook *> hooks{&hook};
  auto r = parse_statement(testing::statement(testing::account_section("40702", "01.01.2024") +
                                              testing::document_section()),
                           hooks);
  ASSERT_TRUE(r);
  ASSERT_EQ(hook.calls.size(), 2u);
  EXPECT_EQ(hook.calls[0].type, SectionType::Account);
  EXPECT_EQ(*hook.calls[0].attrs.find("РасчСчет"), "40702");
  EXPECT_EQ(hook.calls[1].type, SectionType::Document);
  EXPECT_FALSE(hook.calls[1].attrs.contains("СекцияДокумент"));
  for (const auto &call : hook.calls) EXPECT_EQ(call.header, r->header);
  EXPECT_EQ(r->header.size(), 2u);
}

struct HookFailCase {
  const char *name;
  std::string sections;
  SectionType fail_on;
  std::string closing_line; // the line whose number the error carries
  int occurrence;
};

class HookFailure : public ::testing::TestWithParam<HookFailCase> {};

TEST_P(HookFailure, StopsTheParseAtTheClosingLine) {
  const HookFailCase &c = GetParam();
  int seen = 0;
  ScriptedHook failing([&](SectionType type, AttributeMap &, const AttributeMap &) {
    if (type == c.fail_on && ++seen == c.occurrence) return HookOutcome::Fail(" no\tway ");
    return HookOutcome::Continue();
  });
  ScriptedHook after;
  std::vector<SectionHook *> hooks{&failing, &after};
  std::string text = testing::statement(c.sections);
  auto r = parse_statement(text, hooks);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), ParseError::hook_error(" no\tway ",
                                              line_number_of(text, c.closing_line, c.occurrence)));
  EXPECT_EQ(r.error().display(), "Hook error:  no\tway ");
  EXPECT_EQ(after.calls.size(), failing.calls.size() - 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, HookFailure,
                         ::testing::Values(HookFailCase{"second_of_three_documents",
                                                        testing::document_section("1") + "\n" +
                                                            testing::document_section("2") +
                                                            testing::document_section("3"),
                                                        SectionType::Document, "КонецДокумента", 2},
                                           HookFailCase{
                                               "account_section",
                                               testing::document_section() +
                                                   testing::account_section("1", "01.01.2024"),
                                               SectionType::Account, "КонецРасчСчет", 1}),
                         [](const auto &info) { return std::string(info.param.name); });

AttributeMap without(const AttributeMap &attrs, std::string_view key) {
  AttributeMap out;
  for (const auto &e : attrs) {
    if (e.key != key) out.insert(e.key, e.value);
  }
  return out;
}

TEST(Hooks, DecideWhatRecordBuildingGets) {
  ScriptedHook hook([](SectionType type, AttributeMap &attrs, const AttributeMap &) {
    if (type == SectionType::Account) {
      attrs.insert("РасчСчет", *attrs.find("РасчСчет") + "-moved");
    } else if (*attrs.find("Номер") == "2") {
      attrs = without(attrs, "Сумма");
    } else if (*attrs.find("Номер") == "3") {
      attrs.insert("СекцияДокумент", "Иное");
    }
    return HookOutcome::Continue();
  });
  std::vector<SectionHook *> hooks{&hook};
  std::string text = testing::statement(
      testing::account_section("40702", "01.01.2024") + testing::document_section("1") +
      testing::document_section("2") + testing::document_section("3"));
  auto r = parse_statement(text, hooks);
  ASSERT_TRUE(r) << r.error().display();
  ASSERT_EQ(r->accounts.size(), 1u);
  EXPECT_EQ(r->accounts[0].number, "40702-moved");
  ASSERT_EQ(r->documents.size(), 1u);
  EXPECT_EQ(r->documents[0].doc_type, "Платежное поручение");
  EXPECT_EQ(r->warnings,
            (std::vector<Warning>{
                {line_number_of(text, "КонецДокумента", 2), "missing field `Сумма`"},
                {line_number_of(text, "КонецДокумента", 3), "duplicate field `СекцияДокумент`"}}));
}

TEST(Hooks, RemovingTheAccountNumberIsMissingField) {
  ScriptedHook hook([](SectionType, AttributeMap &attrs, const AttributeMap &) {
    attrs = without(attrs, "РасчСчет");
    return HookOutcome::Continue();
  });
  std::vector<SectionHook *> hooks{&hook};
  std::string text = testing::statement(testing::account_section("40702", "01.01.2024"));
  auto r = parse_statement(text, hooks);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), ParseError::missing_field("РасчСчет", ParseContext::Account,
                                                 line_number_of(text, "КонецРасчСчет")));
  EXPECT_EQ(r.error().display(), "Missing field 'РасчСчет' in context 'account'");
}

} // namespace
} // namespace velmora
