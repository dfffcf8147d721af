#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// A proleptic Gregorian calendar date without time or zone.
struct Date {
  std::int32_t year = 1;  // -262143 ..= 262142
  std::uint8_t month = 1; // 1 ..= 12
  std::uint8_t day = 1;   // 1 ..= 31, valid for the month and year

  friend bool operator==(const Date &, const Date &) = default;
  friend auto operator<=>(const Date &, const Date &) = default;
};

inline constexpr std::int32_t kMinYear = -262143;
inline constexpr std::int32_t kMaxYear = 262142;

bool is_leap_year(std::int64_t year);
unsigned days_in_month(std::int64_t year, unsigned month);

// ISO 8601 calendar form: "2024-03-01"; years outside 0..=9999 carry a sign
// and at least five characters, as in "+10000-01-01" or "-0001-01-01".
std::string format_date(const Date &date);

// The inverse of format_date: exactly the texts it produces, and nothing
// for any other text or a date outside the calendar's range.
std::optional<Date> parse_iso_date(std::string_view text);

} // namespace velmora
