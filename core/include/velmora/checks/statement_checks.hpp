#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "velmora/model/statement.hpp"

namespace velmora {

// What a finding is about, in the order findings are reported.
enum class FindingKind {
  Balance,    // opening + income - expense differs from the closing balance
  Continuity, // an interval does not open with the previous one's closing balance
  Turnover,   // the documents of an interval do not add up to its totals
  Inn,        // an INN with the wrong form or check digits
  Kpp,        // a KPP of the wrong form
  Bic,        // a BIC that is not 9 digits
  Account,    // an account number of the wrong form or with a wrong control key
  Period,     // a document dated outside the statement's period
  Dates,      // a document credited or debited before its own date
  Duplicate,  // a document exported twice
};

inline constexpr std::size_t kFindingKindCount = 10;

// The stable identifiers, in FindingKind order: "balance", "continuity", ...
inline constexpr std::array<std::string_view, kFindingKindCount> kFindingKindNames{
    "balance", "continuity", "turnover", "inn",   "kpp",
    "bic",     "account",    "period",   "dates", "duplicate",
};

constexpr std::string_view finding_kind_name(FindingKind kind) {
  return kFindingKindNames[static_cast<std::size_t>(kind)];
}

// One thing found wrong with a statement.
struct Finding {
  FindingKind kind;
  std::optional<std::string> account;  // the account number concerned
  std::optional<std::size_t> document; // index into Statement::documents
  std::string message;                 // a sentence with the numbers involved

  friend bool operator==(const Finding &, const Finding &) = default;
};

// Every check on a well-formed statement, with exact decimal arithmetic.
// Findings come by kind, then by the position of their account among the
// statement's accounts (other account numbers and none after those), then
// by document index (none first), then in the order they were found.
std::vector<Finding> check_statement(const Statement &statement);

} // namespace velmora
