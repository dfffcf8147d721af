#pragma once

#include <optional>
#include <string>
#include <vector>

#include "velmora/model/date.hpp"
#include "velmora/model/decimal.hpp"

namespace velmora {

// Balances and turnover of one account for one period (one account section).
struct Interval {
  Date date_start;                        // "ДатаНачала"
  std::optional<Date> date_end;           // "ДатаКонца"
  Decimal start_amount;                   // "НачальныйОстаток"
  std::optional<Decimal> end_amount;      // "КонечныйОстаток"
  std::optional<Decimal> total_income;    // "ВсегоПоступило"
  std::optional<Decimal> total_expense;   // "ВсегоСписано"

  // All six fields equal; amounts by numeric value.
  friend bool operator==(const Interval &, const Interval &) = default;
};

// The balances of one bank account; intervals sorted by date_start, never
// empty.
struct Account {
  std::string number;
  std::vector<Interval> intervals;
};

} // namespace velmora
