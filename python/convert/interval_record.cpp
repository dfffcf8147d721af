#include "convert/interval_record.hpp"

#include "convert/rendering.hpp"

namespace velmora_py {

IntervalRecord render_interval(const velmora::Interval &interval) {
  return IntervalRecord{
      .date_start = velmora::format_date(interval.date_start),
      .date_end = render(interval.date_end),
      .start_amount = velmora::format_decimal(interval.start_amount),
      .end_amount = render(interval.end_amount),
      .total_income = render(interval.total_income),
      .total_expense = render(interval.total_expense),
  };
}

} // namespace velmora_py
