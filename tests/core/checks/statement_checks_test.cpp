#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "parser/value_parsing.hpp"
#include "velmora/checks/statement_checks.hpp"

namespace velmora {
namespace {

// Accounts with valid control keys for the BICs beside them.
constexpr const char *kOwn = "40702810400000007777"; // at 044525974
constexpr const char *kOwnBic = "044525974";
constexpr const char *kOther = "40702810938000012345"; // at 044525225
constexpr const char *kOtherBic = "044525225";

Date date(const char *text) { return parse_iso_date(text).value(); }
Decimal amount(const char *text) { return parse_amount(text).value(); }
std::optional<Date> maybe_date(const char *text) {
  return text == nullptr ? std::nullopt : std::optional(date(text));
}
std::optional<Decimal> maybe_amount(const char *text) {
  return text == nullptr ? std::nullopt : std::optional(amount(text));
}

// A valid payment into the statement's account (or out of it).
Document payment(const char *number, const char *doc_date, const char *sum, bool incoming = true) {
  Document doc;
  doc.doc_number = number;
  doc.doc_type = "Платежное поручение";
  doc.doc_date = date(doc_date);
  doc.purpose = "Оплата";
  doc.amount = amount(sum);
  doc.counterparty_inn = "7707083893";
  doc.counterparty_kpp = "770701001";
  doc.counterparty_bic = incoming ? kOtherBic : kOwnBic;
  doc.counterparty_bank1 = "Банк";
  doc.counterparty_account = incoming ? kOther : kOwn;
  doc.payee_inn = "500100732259";
  doc.payee_bic = incoming ? kOwnBic : kOtherBic;
  doc.payee_bank1 = "Банк";
  doc.payee_account = incoming ? kOwn : kOther;
  return doc;
}

Interval interval(const char *start, const char *end, const char *opening, const char *closing,
                  const char *income, const char *expense) {
  return {date(start),           maybe_date(end),      amount(opening),
          maybe_amount(closing), maybe_amount(income), maybe_amount(expense)};
}

Statement statement(std::vector<Interval> intervals, std::vector<Document> documents = {}) {
  Statement s;
  s.header.insert("ДатаНачала", "01.04.2024");
  s.header.insert("ДатаКонца", "30.04.2024");
  if (!intervals.empty()) s.accounts.append({kOwn, std::move(intervals)});
  s.documents = std::move(documents);
  return s;
}

// A statement every check passes.
Statement consistent() {
  return statement({interval("2024-04-01", "2024-04-30", "100.00", "130.00", "50.00", "20.00")},
                   {payment("1", "2024-04-03", "50.00"), payment("2", "2024-04-05", "20", false)});
}

std::vector<Finding> of_kind(const Statement &s, FindingKind kind) {
  std::vector<Finding> found;
  for (Finding &f : check_statement(s))
    if (f.kind == kind) found.push_back(std::move(f));
  return found;
}

struct Case {
  const char *name;
  std::function<void(Statement &)> change;
  FindingKind kind;
  // The expected findings of that kind: account, document, message.
  std::vector<Finding> expected;
};

Finding expect(FindingKind kind, std::optional<std::string> account, std::optional<std::size_t> doc,
               std::string message) {
  return {kind, std::move(account), doc, std::move(message)};
}

Interval &first_interval(Statement &s) { return s.accounts.find(kOwn)->intervals[0]; }

void run(const std::vector<Case> &cases) {
  for (const Case &c : cases) {
    Statement s = consistent();
    c.change(s);
    EXPECT_EQ(of_kind(s, c.kind), c.expected) << c.name;
  }
}

TEST(StatementChecks, AConsistentStatementHasNoFindings) {
  EXPECT_EQ(check_statement(consistent()), std::vector<Finding>{});
  EXPECT_EQ(check_statement(Statement{}), std::vector<Finding>{});
}

TEST(StatementChecks, Balance) {
  const auto B = FindingKind::Balance;
  run({
      {"closing off by one",
       [](Statement &s) { first_interval(s).end_amount = amount("131.00"); },
       B,
       {expect(B, kOwn, std::nullopt,
               "opening 100.00 + income 50.00 \u2212 expense 20.00 = 130.00, but the closing "
               "balance is 131.00")}},
      {"equal by value across scales",
       [](Statement &s) {
         first_interval(s) = interval("2024-04-01", "2024-04-30", "100", "130.000", "50.0", "20");
       },
       B,
       {}},
      {"the computed sum shows the widest scale",
       [](Statement &s) {
         first_interval(s) = interval("2024-04-01", "2024-04-30", "100", "0", "0.5", "20.125");
       },
       B,
       {expect(B, kOwn, std::nullopt,
               "opening 100 + income 0.5 \u2212 expense 20.125 = 80.375, but the closing balance "
               "is 0")}},
      {"no closing balance", [](Statement &s) { first_interval(s).end_amount.reset(); }, B, {}},
      {"no income",
       [](Statement &s) {
         first_interval(s).total_income.reset();
         first_interval(s).end_amount = amount("1");
       },
       B,
       {}},
  });
}

TEST(StatementChecks, Continuity) {
  const auto C = FindingKind::Continuity;
  const auto two = [](const char *first_end, const char *second_start, const char *second_opening) {
    return [=](Statement &s) {
      auto &intervals = s.accounts.find(kOwn)->intervals;
      intervals = {interval("2024-03-01", first_end, "0", "100.00", nullptr, nullptr),
                   interval(second_start, nullptr, second_opening, nullptr, nullptr, nullptr)};
    };
  };
  run({
      {"carried over", two("2024-03-31", "2024-04-01", "100"), C, {}},
      {"not carried over",
       two("2024-03-31", "2024-04-01", "90.00"),
       C,
       {expect(C, kOwn, std::nullopt,
               "the interval from 2024-04-01 opens with 90.00, but the interval ending 2024-03-31 "
               "closed with 100.00")}},
      {"a gap between the intervals", two("2024-03-30", "2024-04-01", "90.00"), C, {}},
      {"across a leap day", two("2024-02-28", "2024-03-01", "1"), C, {}},
      {"across a year end",
       two("2024-12-31", "2025-01-01", "1"),
       C,
       {expect(C, kOwn, std::nullopt,
               "the interval from 2025-01-01 opens with 1, but the interval ending 2024-12-31 "
               "closed with 100.00")}},
      {"the earlier one has no end date",
       [](Statement &s) {
         s.accounts.find(kOwn)->intervals = {
             interval("2024-03-31", nullptr, "0", "100.00", nullptr, nullptr),
             interval("2024-04-01", nullptr, "5", nullptr, nullptr, nullptr)};
       },
       C,
       {}},
  });
}

TEST(StatementChecks, Turnover) {
  const auto T = FindingKind::Turnover;
  run({
      {"income off",
       [](Statement &s) {
         first_interval(s).total_income = amount("60.00");
         first_interval(s).end_amount = amount("140.00");
       },
       T,
       {expect(T, kOwn, std::nullopt,
               "documents crediting the account from 2024-04-01 to 2024-04-30 sum to 50.00 (1 "
               "document), but the total income is 60.00")}},
      {"expense off",
       [](Statement &s) { s.documents[1].amount = amount("25"); },
       T,
       {expect(T, kOwn, std::nullopt,
               "documents debiting the account from 2024-04-01 to 2024-04-30 sum to 25.00 (1 "
               "document), but the total expense is 20.00")}},
      {"matches only by the income date",
       [](Statement &s) {
         s.documents[0].doc_date = date("2024-03-31");
         s.documents[0].income_date = date("2024-04-01");
       },
       T,
       {}},
      {"credited after the interval",
       [](Statement &s) { s.documents[0].income_date = date("2024-05-01"); },
       T,
       {expect(T, kOwn, std::nullopt,
               "documents crediting the account from 2024-04-01 to 2024-04-30 sum to 0.00 (0 "
               "documents), but the total income is 50.00")}},
      {"debited on the outcome date",
       [](Statement &s) {
         s.documents[1].doc_date = date("2024-03-29");
         s.documents[1].outcome_date = date("2024-04-30");
       },
       T,
       {}},
      {"no end date: that day only",
       [](Statement &s) {
         first_interval(s).date_end.reset();
         first_interval(s).date_start = date("2024-04-03");
         first_interval(s).total_expense = amount("0");
         first_interval(s).end_amount = amount("150.00");
       },
       T,
       {}},
      {"no end date, a document the next day",
       [](Statement &s) {
         first_interval(s).date_end.reset();
         first_interval(s).date_start = date("2024-04-02");
       },
       T,
       {expect(T, kOwn, std::nullopt,
               "documents crediting the account on 2024-04-02 sum to 0.00 (0 documents), but the "
               "total income is 50.00"),
        expect(T, kOwn, std::nullopt,
               "documents debiting the account on 2024-04-02 sum to 0.00 (0 documents), but the "
               "total expense is 20.00")}},
      {"equal by value across scales",
       [](Statement &s) {
         s.documents.push_back(payment("3", "2024-04-04", "0.500"));
         s.documents.push_back(payment("4", "2024-04-04", "0.5"));
         first_interval(s).total_income = amount("51");
         first_interval(s).end_amount = amount("131");
       },
       T,
       {}},
      {"no document names the account",
       [](Statement &s) {
         s.documents.clear();
         first_interval(s).total_income = amount("1");
         first_interval(s).end_amount = amount("81.00");
       },
       T,
       {}},
      {"two intervals of one account",
       [](Statement &s) {
         s.accounts.find(kOwn)->intervals.push_back(
             interval("2024-04-04", "2024-04-05", "0", nullptr, "0", "20"));
       },
       T,
       {}},
  });
}

TEST(StatementChecks, Inn) {
  const auto I = FindingKind::Inn;
  run({
      {"placeholders",
       [](Statement &s) {
         s.documents[0].counterparty_inn = "0";
         s.documents[0].payee_inn = "";
       },
       I,
       {}},
      {"a 12-digit INN with a wrong 11th digit",
       [](Statement &s) { s.documents[0].payee_inn = "500100732269"; },
       I,
       {expect(I, std::nullopt, 0, "payee_inn \"500100732269\" has a wrong check digit")}},
      {"a 12-digit INN with a wrong 12th digit",
       [](Statement &s) { s.documents[1].payee_inn = "500100732250"; },
       I,
       {expect(I, std::nullopt, 1, "payee_inn \"500100732250\" has a wrong check digit")}},
      {"a 10-digit INN with a wrong check digit, and one too short",
       [](Statement &s) {
         s.documents[1].counterparty_inn = "7707083894";
         s.documents[1].payee_inn = "77070838";
       },
       I,
       {expect(I, std::nullopt, 1, "counterparty_inn \"7707083894\" has a wrong check digit"),
        expect(I, std::nullopt, 1,
               "payee_inn \"77070838\" has the wrong length (an INN is 10 or 12 digits)")}},
  });
}

TEST(StatementChecks, KppAndBic) {
  const auto K = FindingKind::Kpp;
  const auto B = FindingKind::Bic;
  run({
      {"KPP placeholders and letters",
       [](Statement &s) {
         s.documents[0].counterparty_kpp = "0";
         s.documents[0].payee_kpp = "7707AB001";
         s.documents[1].counterparty_kpp.reset();
         s.documents[1].payee_kpp = "";
       },
       K,
       {}},
      {"KPP with a small letter",
       [](Statement &s) { s.documents[1].payee_kpp = "7707ab001"; },
       K,
       {expect(K, std::nullopt, 1,
               "payee_kpp \"7707ab001\" holds a character it may not hold (a KPP is 4 digits, 2 "
               "digits or capital Latin letters, then 3 digits)")}},
      {"BIC too short",
       [](Statement &s) { s.documents[0].counterparty_bic = "04452522"; },
       B,
       {expect(B, std::nullopt, 0,
               "counterparty_bic \"04452522\" has the wrong length (a BIC is 9 digits)")}},
      {"an empty BIC",
       [](Statement &s) { s.documents[1].payee_bic = ""; },
       B,
       {expect(B, std::nullopt, 1, "payee_bic \"\" has the wrong length (a BIC is 9 digits)")}},
  });
}

TEST(StatementChecks, Account) {
  const auto A = FindingKind::Account;
  run({
      {"a typo the key catches",
       [](Statement &s) { s.documents[0].counterparty_account = "40702810938000012354"; },
       A,
       {expect(A, "40702810938000012354", 0,
               "counterparty_account \"40702810938000012354\" has a control key that does not "
               "agree with BIC 044525225")}},
      {"the other side's BIC does not matter",
       [](Statement &s) { s.documents[0].payee_bic = kOtherBic; },
       A,
       {expect(A, kOwn, 0,
               "payee_account \"40702810400000007777\" has a control key that does not agree "
               "with BIC 044525225")}},
      {"an account at a settlement centre",
       [](Statement &s) {
         s.documents[1].payee_account = "40101810045250010041";
         s.documents[1].payee_bic = "044525000";
       },
       A,
       {}},
      {"a wrong key at a settlement centre",
       [](Statement &s) {
         s.documents[1].payee_account = "40101810145250010041";
         s.documents[1].payee_bic = "044525000";
       },
       A,
       {expect(A, "40101810145250010041", 1,
               "payee_account \"40101810145250010041\" has a control key that does not agree with "
               "BIC 044525000 (an account held at the Bank of Russia)")}},
      {"too short, and a BIC that cannot check the key",
       [](Statement &s) {
         s.documents[1].payee_account = "4070281093800001234";
         s.documents[0].payee_bic = "0445";
       },
       A,
       {expect(A, "4070281093800001234", 1,
               "payee_account \"4070281093800001234\" has the wrong length (an account number is "
               "20 digits)")}},
      {"the statement's own account",
       [](Statement &s) { s.accounts.append({"4070281040000000777X", {first_interval(s)}}); },
       A,
       {expect(A, "4070281040000000777X", std::nullopt,
               "the statement's account \"4070281040000000777X\" holds a character it may not "
               "hold (an account number is 20 digits)")}},
  });
}

TEST(StatementChecks, PeriodAndDates) {
  const auto P = FindingKind::Period;
  const auto D = FindingKind::Dates;
  run({
      {"on the period's last day",
       [](Statement &s) { s.documents[0].doc_date = date("2024-04-30"); },
       P,
       {}},
      {"after the period",
       [](Statement &s) { s.documents[1].doc_date = date("2024-05-01"); },
       P,
       {expect(P, std::nullopt, 1,
               "dated 2024-05-01, outside the statement's period 2024-04-01 to 2024-04-30")}},
      {"no end of the period",
       [](Statement &s) {
         s.header.clear();
         s.header.insert("ДатаНачала", "01.04.2024");
         s.documents[1].doc_date = date("2025-01-01");
       },
       P,
       {}},
      {"an unreadable end of the period",
       [](Statement &s) {
         s.header.insert("ДатаКонца", "31.04.2024");
         s.documents[1].doc_date = date("2025-01-01");
       },
       P,
       {}},
      {"credited the same day",
       [](Statement &s) { s.documents[0].income_date = date("2024-04-03"); },
       D,
       {}},
      {"credited and debited too early",
       [](Statement &s) {
         s.documents[0].income_date = date("2024-04-02");
         s.documents[0].outcome_date = date("2023-04-03");
       },
       D,
       {expect(D, std::nullopt, 0,
               "income_date 2024-04-02 is earlier than the document's date 2024-04-03"),
        expect(D, std::nullopt, 0,
               "outcome_date 2023-04-03 is earlier than the document's date 2024-04-03")}},
  });
}

TEST(StatementChecks, Duplicate) {
  const auto D = FindingKind::Duplicate;
  const std::string repeats0 =
      "repeats document 0 (number 1 of 2024-04-03, amount 50.00): same type, number, date, "
      "amount and accounts";
  run({
      {"two later copies, one by value",
       [](Statement &s) {
         s.documents.push_back(s.documents[0]);
         s.documents.push_back(s.documents[0]);
         s.documents.back().amount = amount("50");
         s.documents.back().purpose = "другое назначение";
       },
       D,
       {expect(D, std::nullopt, 2, repeats0), expect(D, std::nullopt, 3, repeats0)}},
      {"another payee account",
       [](Statement &s) {
         s.documents.push_back(s.documents[0]);
         s.documents.back().payee_account = "40702810800000000002";
       },
       D,
       {}},
      {"another type",
       [](Statement &s) {
         s.documents.push_back(s.documents[0]);
         s.documents.back().doc_type = "Банковский ордер";
       },
       D,
       {}},
      {"a negative amount is another amount",
       [](Statement &s) {
         s.documents.push_back(s.documents[0]);
         s.documents.back().amount = amount("-50.00");
       },
       D,
       {}},
  });
}

TEST(StatementChecks, FindingsComeByKindThenAccountThenDocument) {
  Statement s = consistent();
  const char *second = "40702810800000000002";
  s.accounts.append({second, {interval("2024-04-01", nullptr, "1", "5", "1", "1")}});
  s.documents[1].doc_date = date("2024-05-01"); // period, document 1
  s.documents[0].payee_bic = "1";               // bic, then account key unchecked
  s.documents[0].counterparty_inn = "1";        // inn, document 0
  s.documents[1].payee_account = "123";         // account, document 1 (no statement account)
  s.documents[0].counterparty_account = second; // account, document 0, key wrong for 044525225
  first_interval(s).end_amount = amount("1");   // balance, first account
  std::vector<std::pair<FindingKind, std::optional<std::string>>> order;
  std::vector<std::optional<std::size_t>> documents;
  for (const Finding &f : check_statement(s)) {
    order.emplace_back(f.kind, f.account);
    documents.push_back(f.document);
  }
  using K = FindingKind;
  const std::vector<std::pair<FindingKind, std::optional<std::string>>> want{
      {K::Balance, kOwn},       {K::Balance, second},  {K::Turnover, kOwn},
      {K::Turnover, second},    {K::Turnover, second}, {K::Inn, std::nullopt},
      {K::Bic, std::nullopt},   {K::Account, second},  {K::Account, "123"},
      {K::Period, std::nullopt}};
  EXPECT_EQ(order, want);
  EXPECT_EQ(documents,
            (std::vector<std::optional<std::size_t>>{std::nullopt, std::nullopt, std::nullopt,
                                                     std::nullopt, std::nullopt, 0, 0, 0, 1, 1}));
}

TEST(StatementChecks, KindNames) {
  EXPECT_EQ(finding_kind_name(FindingKind::Balance), "balance");
  EXPECT_EQ(finding_kind_name(FindingKind::Duplicate), "duplicate");
  EXPECT_EQ(kFindingKindNames.size(), static_cast<std::size_t>(FindingKind::Duplicate) + 1);
}

} // namespace
} // namespace velmora
