#include <algorithm>

#include "checks/check_parts.hpp"
#include "checks/exact_amount.hpp"

namespace velmora {

namespace {

// The documents that move money on one side of one account, by the date
// they count on, with running sums: the sum over any period is then one
// subtraction, whatever the number of intervals.
class DatedAmounts {
public:
  void add(const Date &date, const Decimal &amount) { entries_.push_back({date, amount}); }

  void seal() {
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry &a, const Entry &b) { return a.date < b.date; });
    running_.assign(1, ExactAmount{});
    running_.reserve(entries_.size() + 1);
    for (const Entry &entry : entries_)
      running_.push_back(running_.back() + ExactAmount(entry.amount));
  }

  struct Total {
    ExactAmount sum;
    std::size_t count;
  };

  Total between(const Date &first, const Date &last) const {
    const auto by_date = [](const Entry &entry, const Date &date) { return entry.date < date; };
    const auto lo = std::lower_bound(entries_.begin(), entries_.end(), first, by_date);
    const auto hi =
        std::upper_bound(entries_.begin(), entries_.end(), last,
                         [](const Date &date, const Entry &entry) { return date < entry.date; });
    if (hi <= lo) return {ExactAmount{}, 0};
    const auto from = static_cast<std::size_t>(lo - entries_.begin());
    const auto to = static_cast<std::size_t>(hi - entries_.begin());
    return {running_[to] - running_[from], to - from};
  }

private:
  struct Entry {
    Date date;
    Decimal amount;
  };
  std::vector<Entry> entries_;
  std::vector<ExactAmount> running_;
};

struct AccountDocuments {
  DatedAmounts income;
  DatedAmounts expense;
  bool named = false; // some document names the account, on either side, on any date
};

std::vector<AccountDocuments> gather(const Statement &statement) {
  std::vector<AccountDocuments> gathered(statement.accounts.size());
  const auto position = [&](const std::string &number) -> AccountDocuments * {
    const Account *account = statement.accounts.find(number);
    return account == nullptr
               ? nullptr
               : &gathered[static_cast<std::size_t>(account - &statement.accounts[0])];
  };
  for (const Document &doc : statement.documents) {
    if (AccountDocuments *payee = position(doc.payee_account)) {
      payee->income.add(doc.income_date.value_or(doc.doc_date), doc.amount);
      payee->named = true;
    }
    if (AccountDocuments *payer = position(doc.counterparty_account)) {
      payer->expense.add(doc.outcome_date.value_or(doc.doc_date), doc.amount);
      payer->named = true;
    }
  }
  for (AccountDocuments &documents : gathered) {
    documents.income.seal();
    documents.expense.seal();
  }
  return gathered;
}

std::string period_text(const Interval &interval) {
  if (!interval.date_end) return "on " + format_date(interval.date_start);
  return "from " + format_date(interval.date_start) + " to " + format_date(*interval.date_end);
}

void compare_total(const Account &account, const Interval &interval, const DatedAmounts &documents,
                   const Decimal &total, bool income, std::vector<Finding> &out) {
  const Date last = interval.date_end.value_or(interval.date_start);
  const DatedAmounts::Total found = documents.between(interval.date_start, last);
  if (found.sum == ExactAmount(total)) return;
  out.push_back({FindingKind::Turnover, account.number, std::nullopt,
                 std::string(income ? "documents crediting" : "documents debiting") +
                     " the account " + period_text(interval) + " sum to " +
                     found.sum.format(total.scale()) + " (" + std::to_string(found.count) +
                     (found.count == 1 ? " document)" : " documents)") + ", but the total " +
                     (income ? "income" : "expense") + " is " + format_decimal(total)});
}

} // namespace

void check_turnovers(const Statement &statement, std::vector<Finding> &out) {
  if (statement.accounts.empty()) return;
  const std::vector<AccountDocuments> gathered = gather(statement);
  for (std::size_t i = 0; i < statement.accounts.size(); ++i) {
    const Account &account = statement.accounts[i];
    const AccountDocuments &documents = gathered[i];
    if (!documents.named) continue;
    for (const Interval &interval : account.intervals) {
      if (interval.total_income)
        compare_total(account, interval, documents.income, *interval.total_income, true, out);
      if (interval.total_expense)
        compare_total(account, interval, documents.expense, *interval.total_expense, false, out);
    }
  }
}

} // namespace velmora
