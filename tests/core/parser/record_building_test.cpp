#include "parser/record_building.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <variant>

#include "parser/value_parsing.hpp"
#include "velmora/model/document.hpp"

namespace velmora {
namespace {

AttributeMap required_document_attrs() {
  AttributeMap m;
  m.insert("Номер", "17");
  m.insert("Дата", "05.03.2024");
  m.insert("Сумма", "1500.00");
  m.insert("НазначениеПлатежа", "Оплата по счёту");
  m.insert("ПлательщикИНН", "7700000000");
  m.insert("ПлательщикБИК", "044525225");
  m.insert("ПлательщикБанк1", "ПАО БАНК");
  m.insert("ПлательщикСчет", "40702810000000000001");
  m.insert("ПолучательИНН", "7800000000");
  m.insert("ПолучательСчет", "40702810000000000002");
  m.insert("ПолучательБИК", "044030653");
  m.insert("ПолучательБанк1", "БАНК");
  return m;
}

// Runs the document builder as a closing section line would.
Statement complete(AttributeMap attrs, std::string_view type = "Платежное поручение") {
  Statement st;
  complete_document_section(st, std::move(attrs), type, 42);
  return st;
}

std::string warning_of(AttributeMap attrs) {
  Statement st = complete(std::move(attrs));
  EXPECT_TRUE(st.documents.empty());
  if (st.warnings.size() != 1) return "<no single warning>";
  EXPECT_EQ(st.warnings[0].lineno, 42u);
  return st.warnings[0].message;
}

TEST(DocumentBuilding, BuildsAllRequiredFieldsAndLeavesOptionalsAbsent) {
  Statement st = complete(required_document_attrs());
  ASSERT_EQ(st.documents.size(), 1u);
  ASSERT_TRUE(st.warnings.empty());
  const Document &d = st.documents[0];
  EXPECT_EQ(d.doc_number, "17");
  EXPECT_EQ(d.doc_type, "Платежное поручение");
  EXPECT_EQ(d.doc_date, (Date{2024, 3, 5}));
  EXPECT_EQ(d.amount.mantissa(), 150000u);
  EXPECT_EQ(d.amount.scale(), 2u);
  EXPECT_EQ(d.purpose, "Оплата по счёту");
  EXPECT_FALSE(d.payment_type.has_value());
  EXPECT_FALSE(d.outcome_date.has_value());
  EXPECT_FALSE(d.counterparty_kpp.has_value());
}

TEST(DocumentBuilding, EveryKeyFillsItsOwnField) {
  // Each optional text key, given a distinct value, lands in exactly one
  // member; checked through the key table against the members.
  AttributeMap attrs = required_document_attrs();
  for (const FieldInfo &f : kDocumentFields) {
    if (f.kind == FieldKind::Text && !f.required) attrs.insert(f.key, std::string(f.name));
  }
  Statement st = complete(std::move(attrs));
  ASSERT_EQ(st.documents.size(), 1u);
  const Document &d = st.documents[0];
  EXPECT_EQ(d.counterparty_kpp, "counterparty_kpp");
  EXPECT_EQ(d.payment_type, "payment_type");
  EXPECT_EQ(d.tax_type, "tax_type");
  EXPECT_EQ(d.purpose_6, "purpose_6");
  EXPECT_EQ(d.uin, "uin");
  EXPECT_EQ(d.payee_bank2, "payee_bank2");
  EXPECT_EQ(d.payment_deadline, "payment_deadline");
  EXPECT_EQ(d.tax_date, "tax_date");
}

TEST(DocumentBuilding, EmptyValues) {
  AttributeMap attrs = required_document_attrs();
  attrs.insert("ВидОплаты", "");
  attrs.insert("ДатаСписано", "  ");
  attrs.insert("ДатаПоступило", "");
  attrs.insert("ПлательщикКПП", "");
  Statement st = complete(std::move(attrs));
  ASSERT_EQ(st.documents.size(), 1u);
  EXPECT_EQ(st.documents[0].payment_type, "");
  EXPECT_EQ(st.documents[0].counterparty_kpp, "");
  EXPECT_FALSE(st.documents[0].outcome_date.has_value());
  EXPECT_FALSE(st.documents[0].income_date.has_value());
}

TEST(DocumentBuilding, UnknownKeysAreIgnored) {
  AttributeMap attrs = required_document_attrs();
  attrs.insert("НечтоНовое", "x");
  attrs.insert("номер", "lower case is another key");
  attrs.insert("", "");
  Statement st = complete(std::move(attrs));
  ASSERT_EQ(st.documents.size(), 1u);
  EXPECT_EQ(st.documents[0].doc_number, "17");
  EXPECT_TRUE(st.warnings.empty());
}

// Key to member, as the statement format defines them; every text key given
// its own name as the value must land in its own member and nowhere else.
using TextMember = std::variant<std::string Document::*, std::optional<std::string> Document::*>;
const std::vector<std::pair<std::string, TextMember>> kTextKeys{
    {"Номер", &Document::doc_number},
    {"ВидОплаты", &Document::payment_type},
    {"НазначениеПлатежа", &Document::purpose},
    {"Очередность", &Document::ordering},
    {"ПлательщикИНН", &Document::counterparty_inn},
    {"ПлательщикКПП", &Document::counterparty_kpp},
    {"ПлательщикБИК", &Document::counterparty_bic},
    {"ПлательщикБанк1", &Document::counterparty_bank1},
    {"ПлательщикСчет", &Document::counterparty_account},
    {"Плательщик", &Document::counterparty},
    {"Плательщик1", &Document::counterparty_1},
    {"ПлательщикРасчСчет", &Document::counterparty_ras_account},
    {"ПлательщикКорсчет", &Document::counterparty_cor_account},
    {"ПолучательИНН", &Document::payee_inn},
    {"Получатель", &Document::payee},
    {"ПолучательСчет", &Document::payee_account},
    {"ПолучательКПП", &Document::payee_kpp},
    {"ПолучательБИК", &Document::payee_bic},
    {"ПолучательБанк1", &Document::payee_bank1},
    {"ПолучательРасчСчет", &Document::payee_ras_account},
    {"ПолучательКорсчет", &Document::payee_cor_account},
    {"Плательщик2", &Document::counterparty_2},
    {"Плательщик3", &Document::counterparty_3},
    {"Плательщик4", &Document::counterparty_4},
    {"ПлательщикБанк2", &Document::counterparty_bank2},
    {"Получатель1", &Document::payee_1},
    {"Получатель2", &Document::payee_2},
    {"Получатель3", &Document::payee_3},
    {"Получатель4", &Document::payee_4},
    {"ПолучательБанк2", &Document::payee_bank2},
    {"ВидПлатежа", &Document::payment_kind},
    {"СрокПлатежа", &Document::payment_deadline},
    {"Код", &Document::uin},
    {"КодНазПлатежа", &Document::purpose_code},
    {"НазначениеПлатежа1", &Document::purpose_1},
    {"НазначениеПлатежа2", &Document::purpose_2},
    {"НазначениеПлатежа3", &Document::purpose_3},
    {"НазначениеПлатежа4", &Document::purpose_4},
    {"НазначениеПлатежа5", &Document::purpose_5},
    {"НазначениеПлатежа6", &Document::purpose_6},
    {"СтатусСоставителя", &Document::compiler_status},
    {"ПоказательКБК", &Document::kbk},
    {"ОКАТО", &Document::okato},
    {"ПоказательОснования", &Document::tax_basis},
    {"ПоказательПериода", &Document::tax_period},
    {"ПоказательНомера", &Document::tax_number},
    {"ПоказательДаты", &Document::tax_date},
    {"ПоказательТипа", &Document::tax_type},
};

TEST(DocumentBuilding, EveryTextKeyHasItsMember) {
  AttributeMap attrs;
  for (const auto &[key, member] : kTextKeys) attrs.insert(key, key);
  attrs.insert("Дата", "01.02.2024");
  attrs.insert("ДатаСписано", "02.02.2024");
  attrs.insert("ДатаПоступило", "03.02.2024");
  attrs.insert("Сумма", "-0.00");
  Statement st = complete(std::move(attrs), "Тип");
  ASSERT_EQ(st.documents.size(), 1u) << st.warnings.at(0).message;
  const Document &d = st.documents[0];
  for (const auto &[key, member] : kTextKeys) {
    std::visit([&](auto m) { EXPECT_EQ(d.*m, key) << "member for " << key; }, member);
  }
  EXPECT_EQ(d.doc_type, "Тип");
  EXPECT_EQ(d.doc_date, (Date{2024, 2, 1}));
  EXPECT_EQ(d.outcome_date, (Date{2024, 2, 2}));
  EXPECT_EQ(d.income_date, (Date{2024, 2, 3}));
  EXPECT_FALSE(d.amount.negative());
  EXPECT_EQ(d.amount.scale(), 2u);
  EXPECT_EQ(kTextKeys.size() + 5, kDocumentFieldCount);
}

TEST(DocumentBuilding, EmptyTypeIsPresent) {
  Statement st = complete(required_document_attrs(), "");
  ASSERT_EQ(st.documents.size(), 1u);
  EXPECT_EQ(st.documents[0].doc_type, "");
}

struct WarningCase {
  const char *name;
  std::vector<std::pair<std::string, std::string>> set;
  std::vector<std::string> remove;
  std::string message;
};

class DocumentWarnings : public ::testing::TestWithParam<WarningCase> {};

TEST_P(DocumentWarnings, FirstFailureWins) {
  const WarningCase &c = GetParam();
  AttributeMap base = required_document_attrs();
  AttributeMap attrs;
  for (const auto &e : base) {
    if (std::find(c.remove.begin(), c.remove.end(), e.key) == c.remove.end()) {
      attrs.insert(e.key, e.value);
    }
  }
  for (const auto &[k, v] : c.set) attrs.insert(k, v);
  EXPECT_EQ(warning_of(std::move(attrs)), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DocumentWarnings,
    ::testing::Values(
        WarningCase{"missing_number_and_date", {}, {"Номер", "Дата"}, "missing field `Номер`"},
        WarningCase{
            "missing_amount_and_bank", {}, {"Сумма", "ПолучательБанк1"}, "missing field `Сумма`"},
        WarningCase{
            "missing_last_required", {}, {"ПолучательБанк1"}, "missing field `ПолучательБанк1`"},
        WarningCase{"empty_date", {{"Дата", ""}}, {}, "empty string is not a valid date"},
        WarningCase{
            "bad_optional_date", {{"ДатаСписано", "31.02.2024"}}, {}, "input is out of range"},
        WarningCase{"hook_added_type_key",
                    {{"СекцияДокумент", "Иное"}},
                    {},
                    "duplicate field `СекцияДокумент`"},
        WarningCase{"bad_amount",
                    {{"Сумма", "12,50"}},
                    {},
                    "invalid value: string \"12,50\", expected a Decimal type representing a "
                    "fixed-point number"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DocumentBuilding, ConversionFailuresFollowPairOrder) {
  AttributeMap date_first = required_document_attrs();
  date_first.insert("Дата", "xx");
  date_first.insert("Сумма", "bad");
  EXPECT_EQ(warning_of(std::move(date_first)), "input contains invalid characters");

  AttributeMap amount_first;
  amount_first.insert("Сумма", "bad");
  for (const auto &e : required_document_attrs()) amount_first.insert(e.key, e.value);
  amount_first.insert("Сумма", "bad");
  amount_first.insert("Дата", "xx");
  EXPECT_EQ(
      warning_of(std::move(amount_first)),
      "invalid value: string \"bad\", expected a Decimal type representing a fixed-point number");
}

TEST(DocumentBuilding, ConversionFailureBeatsDuplicateTypeKey) {
  AttributeMap attrs = required_document_attrs();
  attrs.insert("СекцияДокумент", "hook");
  attrs.insert("Сумма", "x");
  EXPECT_EQ(
      warning_of(std::move(attrs)),
      "invalid value: string \"x\", expected a Decimal type representing a fixed-point number");

  // The type pair comes after every attribute, so even a type key placed
  // first is only the duplicate once the bad amount has been read.
  AttributeMap type_key_first;
  type_key_first.insert("СекцияДокумент", "hook");
  for (const auto &e : required_document_attrs()) type_key_first.insert(e.key, e.value);
  type_key_first.insert("Сумма", "x");
  EXPECT_EQ(
      warning_of(std::move(type_key_first)),
      "invalid value: string \"x\", expected a Decimal type representing a fixed-point number");
}

TEST(DocumentBuilding, BuildDocumentReportsDuplicatePairs) {
  std::vector<AttributeMap::Entry> pairs{{"Номер", "1"}, {"Номер", "2"}};
  auto doc = build_document(std::move(pairs));
  ASSERT_FALSE(doc);
  EXPECT_EQ(doc.error(), "duplicate field `Номер`");
}

AttributeMap interval_attrs(std::string_view start, std::string_view amount = "100.00") {
  AttributeMap m;
  m.insert("ДатаНачала", start);
  m.insert("НачальныйОстаток", amount);
  return m;
}

TEST(IntervalBuilding, RequiredAndOptionalFields) {
  AttributeMap m = interval_attrs("01.01.2024");
  m.insert("ДатаКонца", "");
  m.insert("ВсегоСписано", "5");
  auto iv = build_interval(m);
  ASSERT_TRUE(iv);
  EXPECT_EQ(iv->date_start, (Date{2024, 1, 1}));
  EXPECT_FALSE(iv->date_end.has_value());
  EXPECT_FALSE(iv->end_amount.has_value());
  ASSERT_TRUE(iv->total_expense.has_value());
  EXPECT_EQ(iv->total_expense->mantissa(), 5u);
}

TEST(IntervalBuilding, Failures) {
  AttributeMap no_start;
  no_start.insert("НачальныйОстаток", "1");
  EXPECT_EQ(build_interval(no_start).error(), "missing field `ДатаНачала`");
  AttributeMap neither;
  EXPECT_EQ(build_interval(neither).error(), "missing field `ДатаНачала`");
  AttributeMap no_amount;
  no_amount.insert("ДатаНачала", "01.01.2024");
  EXPECT_EQ(build_interval(no_amount).error(), "missing field `НачальныйОстаток`");
  AttributeMap empty_end = interval_attrs("01.01.2024");
  empty_end.insert("КонечныйОстаток", "");
  EXPECT_EQ(
      build_interval(empty_end).error(),
      "invalid value: string \"\", expected a Decimal type representing a fixed-point number");
}

TEST(AccountSection, ErrorsAndTheirOrder) {
  Statement st;
  AttributeMap no_number = interval_attrs("01.01.2024");
  auto r = complete_account_section(st, std::move(no_number), 9);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), ParseError::missing_field("РасчСчет", ParseContext::Account, 9));

  AttributeMap both_faults;
  both_faults.insert("НачальныйОстаток", "1");
  r = complete_account_section(st, std::move(both_faults), 10);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), ParseError::account_parse_error("missing field `ДатаНачала`", 10));
  EXPECT_EQ(r.error().display(), "Account parse error: missing field `ДатаНачала`");
  EXPECT_TRUE(st.accounts.empty());
}

TEST(IntervalBuilding, ReadsAllSixKeysAndSkipsOthers) {
  AttributeMap m;
  m.insert("РасчСчет", "40702");
  m.insert("ВсегоПоступило", "3.5");
  m.insert("ДатаКонца", " 31.01.2024");
  m.insert("НачальныйОстаток", "1");
  m.insert("Нечто", "x");
  m.insert("КонечныйОстаток", "2");
  m.insert("ДатаНачала", "01.01.2024");
  m.insert("ВсегоСписано", "4");
  auto iv = build_interval(m);
  ASSERT_TRUE(iv) << iv.error();
  EXPECT_EQ(iv->date_end, (Date{2024, 1, 31}));
  EXPECT_EQ(iv->start_amount, Decimal(1, 0, false));
  EXPECT_EQ(iv->end_amount, Decimal(2, 0, false));
  EXPECT_EQ(iv->total_income, Decimal(35, 1, false));
  EXPECT_EQ(iv->total_expense, Decimal(4, 0, false));
}

TEST(IntervalBuilding, ConversionFailureBeatsMissingField) {
  AttributeMap m;
  m.insert("ДатаКонца", "31.02.2024");
  EXPECT_EQ(build_interval(m).error(), "input is out of range");
  AttributeMap amount_first;
  amount_first.insert("ВсегоСписано", "1,5");
  amount_first.insert("ДатаНачала", "");
  EXPECT_EQ(
      build_interval(amount_first).error(),
      "invalid value: string \"1,5\", expected a Decimal type representing a fixed-point number");
}

TEST(AccountSection, MergesUnderTheNumberTakenUnchanged) {
  Statement st;
  AttributeMap attrs = interval_attrs("01.01.2024");
  attrs.insert("РасчСчет", " 40702 ");
  ASSERT_TRUE(complete_account_section(st, std::move(attrs), 3));
  ASSERT_EQ(st.accounts.size(), 1u);
  EXPECT_EQ(st.accounts[0].number, " 40702 ");
  EXPECT_NE(st.accounts.find(" 40702 "), nullptr);
  EXPECT_EQ(st.accounts[0].intervals.size(), 1u);
}

Interval iv(Date start, std::string_view amount_text, std::optional<Date> end = std::nullopt) {
  AttributeMap m = interval_attrs("01.01.2000", amount_text);
  auto built = build_interval(m);
  Interval out = *built;
  out.date_start = start;
  out.date_end = end;
  return out;
}

TEST(AddInterval, SortsDropsEqualAndKeepsArrivalOrder) {
  AccountMap accounts;
  add_interval(accounts, "A", iv({2024, 2, 1}, "100.00"));
  add_interval(accounts, "B", iv({2024, 1, 1}, "1"));
  add_interval(accounts, "A", iv({2024, 1, 1}, "100.00"));
  add_interval(accounts, "A", iv({2024, 2, 1}, "100"));                    // equal by value
  add_interval(accounts, "A", iv({2024, 2, 1}, "100", Date{2024, 2, 29})); // same start, other end
  add_interval(accounts, "A", iv({2024, 3, 1}, "7"));
  add_interval(accounts, "A", iv({2024, 2, 1}, "5"));

  ASSERT_EQ(accounts.size(), 2u);
  EXPECT_EQ(accounts[0].number, "A");
  EXPECT_EQ(accounts[1].number, "B");
  const auto &list = accounts[0].intervals;
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].date_start, (Date{2024, 1, 1}));
  EXPECT_EQ(list[1].date_start, (Date{2024, 2, 1}));
  EXPECT_EQ(list[1].start_amount.scale(), 2u); // the first arrival stays
  EXPECT_EQ(list[2].date_end, (Date{2024, 2, 29}));
  EXPECT_EQ(list[3].start_amount.mantissa(), 5u);
  EXPECT_EQ(list[4].date_start, (Date{2024, 3, 1}));
}

TEST(IntervalEquality, AbsentEqualsOnlyAbsent) {
  Interval a = iv({2024, 1, 1}, "1");
  Interval b = a;
  EXPECT_EQ(a, b);
  b.end_amount = Decimal(0, 0, false);
  EXPECT_NE(a, b);
  a.end_amount = Decimal(0, 2, false);
  EXPECT_EQ(a, b);
}

// The merge as a walk over the intervals of the same start date: the
// reference that the indexed merge must agree with exactly.
void add_interval_by_walk(std::vector<std::pair<std::string, std::vector<Interval>>> &accounts,
                          const std::string &number, const Interval &interval) {
  auto account = std::find_if(accounts.begin(), accounts.end(),
                              [&](const auto &a) { return a.first == number; });
  if (account == accounts.end()) {
    accounts.push_back({number, {interval}});
    return;
  }
  auto &list = account->second;
  auto it = std::lower_bound(
      list.begin(), list.end(), interval,
      [](const Interval &a, const Interval &b) { return a.date_start < b.date_start; });
  for (; it != list.end() && it->date_start == interval.date_start; ++it) {
    if (*it == interval) return;
  }
  list.insert(it, interval);
}

Decimal amount(std::string_view text) { return *parse_amount(text); }

// Every merge of a sequence drawn from few values, so that equal starts,
// equal values at other scales and absent against present all recur.
TEST(AddInterval, AgreesWithTheWalkOverEqualStarts) {
  const std::optional<Decimal> amounts[] = {std::nullopt,    amount("100"),   amount("100.00"),
                                            amount("0"),     amount("0.000"), amount("-0.0"),
                                            amount("-100.0")};
  const std::optional<Date> ends[] = {std::nullopt, Date{2024, 1, 31}};
  const Date starts[] = {{2024, 1, 1}, {2023, 12, 1}, {2024, 2, 1}};
  std::uint64_t state = 12345;
  auto next = [&](std::size_t n) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::size_t>((state >> 33) % n);
  };
  for (int round = 0; round < 200; ++round) {
    AccountMap accounts;
    std::vector<std::pair<std::string, std::vector<Interval>>> expected;
    for (int i = 0; i < 40; ++i) {
      Interval interval{starts[next(3)],  ends[next(2)],    amount(next(2) ? "100" : "100.0"),
                        amounts[next(7)], amounts[next(7)], amounts[next(3)]};
      const std::string number = next(4) == 0 ? "B" : "A";
      add_interval(accounts, number, interval);
      add_interval_by_walk(expected, number, interval);
    }
    ASSERT_EQ(accounts.size(), expected.size());
    for (std::size_t a = 0; a < expected.size(); ++a) {
      EXPECT_EQ(accounts[a].number, expected[a].first);
      const auto &got = accounts[a].intervals;
      const auto &want = expected[a].second;
      ASSERT_EQ(got.size(), want.size()) << "round " << round;
      for (std::size_t k = 0; k < want.size(); ++k) {
        // Field by field with the scales: the first arrival must be kept.
        EXPECT_EQ(got[k], want[k]);
        EXPECT_EQ(got[k].start_amount.scale(), want[k].start_amount.scale());
        EXPECT_EQ(got[k].end_amount.has_value(), want[k].end_amount.has_value());
        if (got[k].end_amount) {
          EXPECT_EQ(got[k].end_amount->scale(), want[k].end_amount->scale());
        }
      }
    }
  }
}

TEST(AddInterval, ScaleAbsenceAndSignCases) {
  struct Case {
    std::optional<Decimal> first, second;
    bool merged;
  };
  const Case cases[] = {
      {amount("100"), amount("100.00"), true}, {amount("100.10"), amount("100.1"), true},
      {std::nullopt, amount("0"), false},      {amount("0"), amount("-0.00"), true},
      {amount("1"), amount("-1"), false},      {amount("10"), amount("1"), false},
      {std::nullopt, std::nullopt, true},
  };
  for (const Case &c : cases) {
    AccountMap accounts;
    Interval a{{2024, 1, 1}, std::nullopt, amount("5"), c.first, std::nullopt, std::nullopt};
    Interval b = a;
    b.end_amount = c.second;
    add_interval(accounts, "A", a);
    add_interval(accounts, "A", b);
    EXPECT_EQ(accounts[0].intervals.size(), c.merged ? 1u : 2u);
  }
}

TEST(SectionBuilders, TakeTheMapOver) {
  Statement st;
  AttributeMap account = interval_attrs("01.01.2024");
  account.insert("РасчСчет", "1");
  ASSERT_TRUE(complete_account_section(st, std::move(account), 3));
  EXPECT_TRUE(account.empty());
  AttributeMap document = required_document_attrs();
  complete_document_section(st, std::move(document), "Платежное поручение", 9);
  EXPECT_TRUE(document.empty());
  EXPECT_EQ(document.slot_count(), 0u);
  EXPECT_EQ(st.documents.size(), 1u);
}

} // namespace
} // namespace velmora
