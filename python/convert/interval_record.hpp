#pragma once

#include <optional>
#include <string>

#include "velmora/model/interval.hpp"

namespace velmora_py {

// An interval as Python sees it: dates and amounts already rendered, so that
// equality is by text (100.00 and 100 differ here, unlike in the model).
struct IntervalRecord {
  std::string date_start;
  std::optional<std::string> date_end;
  std::string start_amount;
  std::optional<std::string> end_amount;
  std::optional<std::string> total_income;
  std::optional<std::string> total_expense;

  friend bool operator==(const IntervalRecord &, const IntervalRecord &) = default;
};

IntervalRecord render_interval(const velmora::Interval &interval);

} // namespace velmora_py
