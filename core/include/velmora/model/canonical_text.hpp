#pragma once

#include <optional>
#include <string_view>

#include "velmora/model/date.hpp"
#include "velmora/model/decimal.hpp"

namespace velmora {

// The inverses of format_date and format_decimal, for values that come back
// as text (from Python, say). Only the forms those functions write are
// read; anything else, and any value outside the model's range, gives none.

// "2024-03-01", "+10000-01-01", "-0001-12-31".
std::optional<Date> parse_iso_date(std::string_view text);

// "1500.00", "-0.5", "12": the scale is the number of fractional digits.
std::optional<Decimal> parse_decimal_text(std::string_view text);

} // namespace velmora
