#include "velmora/checks/statement_checks.hpp"

#include <algorithm>
#include <limits>

#include "checks/check_parts.hpp"

namespace velmora {

namespace {

// Where a finding's account stands: the statement's accounts in their
// order, then every other number and none.
std::size_t account_rank(const Statement &statement, const std::optional<std::string> &number) {
  if (!number) return statement.accounts.size();
  const Account *account = statement.accounts.find(*number);
  if (account == nullptr) return statement.accounts.size();
  return static_cast<std::size_t>(account - &statement.accounts[0]);
}

struct SortKey {
  std::size_t kind;
  std::size_t account;
  std::size_t document; // none sorts first
  friend auto operator<=>(const SortKey &, const SortKey &) = default;
};

} // namespace

std::vector<Finding> check_statement(const Statement &statement) {
  std::vector<Finding> found;
  check_balances(statement, found);
  check_turnovers(statement, found);
  check_identifiers(statement, found);
  check_document_dates(statement, found);
  check_duplicates(statement, found);

  std::vector<std::pair<SortKey, std::size_t>> order;
  order.reserve(found.size());
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Finding &f = found[i];
    order.push_back({{static_cast<std::size_t>(f.kind), account_rank(statement, f.account),
                      f.document ? *f.document + 1 : 0},
                     i});
  }
  // Ties keep the order in which the checks found them.
  std::stable_sort(order.begin(), order.end(),
                   [](const auto &a, const auto &b) { return a.first < b.first; });
  std::vector<Finding> sorted;
  sorted.reserve(found.size());
  for (const auto &[key, index] : order) sorted.push_back(std::move(found[index]));
  return sorted;
}

} // namespace velmora
