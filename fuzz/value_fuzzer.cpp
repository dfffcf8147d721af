// Dates and amounts: no input crashes the parsers, and what parses renders
// to a text that parses back to the same value with the same scale.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.hpp"
#include "parser/value_parsing.hpp"
#include "velmora/model/date.hpp"
#include "velmora/model/decimal.hpp"

namespace {

void check_amount(std::string_view text) {
  auto amount = velmora::parse_amount(text);
  if (!amount) {
    VELMORA_FUZZ_CHECK(!amount.error().empty());
    return;
  }
  VELMORA_FUZZ_CHECK(amount->scale() <= 28);
  VELMORA_FUZZ_CHECK(amount->mantissa() <= velmora::Decimal::kMaxMantissa);
  const std::string rendered = velmora::format_decimal(*amount);
  auto again = velmora::parse_amount(rendered);
  VELMORA_FUZZ_CHECK(again.has_value());
  VELMORA_FUZZ_CHECK(*again == *amount);
  VELMORA_FUZZ_CHECK(again->scale() == amount->scale());
  VELMORA_FUZZ_CHECK(velmora::format_decimal(*again) == rendered);
}

void check_date(std::string_view text) {
  auto date = velmora::parse_optional_date(text);
  if (!date || !*date) return;
  const velmora::Date d = **date;
  VELMORA_FUZZ_CHECK(d.month >= 1 && d.month <= 12);
  VELMORA_FUZZ_CHECK(d.day >= 1 && d.day <= velmora::days_in_month(d.year, d.month));
  VELMORA_FUZZ_CHECK(d.year >= velmora::kMinYear && d.year <= velmora::kMaxYear);
  VELMORA_FUZZ_CHECK(velmora::parse_required_date(text).value() == d);
  VELMORA_FUZZ_CHECK(!velmora::format_date(d).empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  check_amount(text);
  check_date(text);
  return 0;
}
