#include "velmora/model/canonical_text.hpp"

#include <cstddef>
#include <cstdint>

namespace velmora {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Exactly `count` digits at the front of `text`, consumed.
std::optional<unsigned> take_digits(std::string_view &text, std::size_t count) {
  if (text.size() < count) return std::nullopt;
  unsigned value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!is_digit(text[i])) return std::nullopt;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  text.remove_prefix(count);
  return value;
}

bool take(std::string_view &text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

// Four digits, or a sign and at least four digits (as many as the model's
// year range can need).
std::optional<std::int32_t> take_year(std::string_view &text) {
  const bool signed_year = !text.empty() && (text.front() == '+' || text.front() == '-');
  const bool negative = signed_year && text.front() == '-';
  if (signed_year) text.remove_prefix(1);
  std::size_t digits = 0;
  while (digits < text.size() && is_digit(text[digits])) ++digits;
  if (digits < 4 || (!signed_year && digits != 4) || digits > 6) return std::nullopt;
  std::int64_t year = *take_digits(text, digits);
  if (negative) year = -year;
  if (year < kMinYear || year > kMaxYear) return std::nullopt;
  return static_cast<std::int32_t>(year);
}

} // namespace

std::optional<Date> parse_iso_date(std::string_view text) {
  const auto year = take_year(text);
  if (!year || !take(text, '-')) return std::nullopt;
  const auto month = take_digits(text, 2);
  if (!month || !take(text, '-')) return std::nullopt;
  const auto day = take_digits(text, 2);
  if (!day || !text.empty()) return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *day > days_in_month(*year, *month))
    return std::nullopt;
  return Date{*year, static_cast<std::uint8_t>(*month), static_cast<std::uint8_t>(*day)};
}

std::optional<Decimal> parse_decimal_text(std::string_view text) {
  const bool negative = take(text, '-');
  u128 mantissa = 0;
  unsigned scale = 0;
  bool in_fraction = false;
  bool digit_before_point = false;
  bool digit_after_point = false;
  for (const char c : text) {
    if (c == '.' && !in_fraction && digit_before_point) {
      in_fraction = true;
      continue;
    }
    if (!is_digit(c)) return std::nullopt;
    const auto d = static_cast<unsigned>(c - '0');
    if (mantissa > (Decimal::kMaxMantissa - d) / 10) return std::nullopt;
    mantissa = mantissa * 10 + d;
    if (in_fraction) {
      if (++scale > Decimal::kMaxScale) return std::nullopt;
      digit_after_point = true;
    } else {
      digit_before_point = true;
    }
  }
  if (!digit_before_point || (in_fraction && !digit_after_point)) return std::nullopt;
  return Decimal(mantissa, scale, negative);
}

} // namespace velmora
