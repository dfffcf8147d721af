#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <tuple>
#include <vector>

#include "velmora/model/fields.hpp"

namespace velmora {

// Balances and turnover of one account for one period (one account section).
// Its six members come from VELMORA_INTERVAL_FIELDS (velmora/model/fields.hpp):
// date_start, date_end, start_amount, end_amount, total_income, total_expense.
struct Interval {
  VELMORA_INTERVAL_FIELDS(VELMORA_FIELD_MEMBER)

  // All six fields equal; amounts by numeric value.
  friend bool operator==(const Interval &, const Interval &) = default;
};

VELMORA_RECORD_FIELDS(Interval, VELMORA_INTERVAL_FIELDS);

inline constexpr std::size_t kIntervalFieldCount = RecordFields<Interval>::kFields.size();

// The key table, in declaration order: entry i describes the i-th member.
inline constexpr const std::array<FieldInfo, kIntervalFieldCount> &kIntervalFields =
    RecordFields<Interval>::kFields;

// The balances of one bank account; intervals sorted by date_start, never
// empty.
struct Account {
  std::string number;
  std::vector<Interval> intervals;
};

} // namespace velmora
