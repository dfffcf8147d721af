#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "velmora/model/date.hpp"
#include "velmora/model/decimal.hpp"

namespace velmora {

// Conversions of attribute value texts; a failure is the message a user
// sees (as a document warning or inside "Account parse error: ").

// "empty string is not a valid date" when blank after trimming; otherwise
// the value itself, untrimmed, in day.month.year form.
std::expected<Date, std::string> parse_required_date(std::string_view value);

// Blank after trimming gives an absent date.
std::expected<std::optional<Date>, std::string> parse_optional_date(std::string_view value);

// Plain form (1234.56, -10, .5, 1_000.00) or scientific form (1.5E3); the
// scale is the written number of fractional digits.
std::expected<Decimal, std::string> parse_amount(std::string_view value);

} // namespace velmora
