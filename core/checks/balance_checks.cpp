#include <algorithm>

#include "checks/check_parts.hpp"
#include "checks/exact_amount.hpp"

namespace velmora {

namespace {

void check_balance(const Account &account, const Interval &interval, std::vector<Finding> &out) {
  if (!interval.end_amount || !interval.total_income || !interval.total_expense) return;
  const ExactAmount computed = ExactAmount(interval.start_amount) +
                               ExactAmount(*interval.total_income) -
                               ExactAmount(*interval.total_expense);
  if (computed == ExactAmount(*interval.end_amount)) return;
  const unsigned scale = std::max({interval.start_amount.scale(), interval.total_income->scale(),
                                   interval.total_expense->scale()});
  out.push_back({FindingKind::Balance, account.number, std::nullopt,
                 "opening " + format_decimal(interval.start_amount) + " + income " +
                     format_decimal(*interval.total_income) + " \u2212 expense " +
                     format_decimal(*interval.total_expense) + " = " + computed.format(scale) +
                     ", but the closing balance is " + format_decimal(*interval.end_amount)});
}

// Only intervals that meet without a gap must carry the balance over.
void check_continuity(const Account &account, const Interval &earlier, const Interval &later,
                      std::vector<Finding> &out) {
  if (!earlier.date_end || !earlier.end_amount) return;
  const std::optional<Date> following = next_day(*earlier.date_end);
  if (!following || *following != later.date_start) return;
  if (later.start_amount == *earlier.end_amount) return;
  out.push_back({FindingKind::Continuity, account.number, std::nullopt,
                 "the interval from " + format_date(later.date_start) + " opens with " +
                     format_decimal(later.start_amount) + ", but the interval ending " +
                     format_date(*earlier.date_end) + " closed with " +
                     format_decimal(*earlier.end_amount)});
}

} // namespace

void check_balances(const Statement &statement, std::vector<Finding> &out) {
  for (const Account &account : statement.accounts) {
    for (const Interval &interval : account.intervals) check_balance(account, interval, out);
    for (std::size_t i = 1; i < account.intervals.size(); ++i)
      check_continuity(account, account.intervals[i - 1], account.intervals[i], out);
  }
}

std::optional<Date> next_day(const Date &date) {
  if (date.day < days_in_month(date.year, date.month))
    return Date{date.year, date.month, static_cast<std::uint8_t>(date.day + 1)};
  if (date.month < 12) return Date{date.year, static_cast<std::uint8_t>(date.month + 1), 1};
  if (date.year >= kMaxYear) return std::nullopt;
  return Date{date.year + 1, 1, 1};
}

} // namespace velmora
