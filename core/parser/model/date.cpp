#include "velmora/model/date.hpp"

#include <array>
#include <cstdlib>

namespace velmora {

bool is_leap_year(std::int64_t year) {
  // Remainders of negative years are zero or negative, so the proleptic
  // rule works unchanged for years before 1.
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

unsigned days_in_month(std::int64_t year, unsigned month) {
  static constexpr std::array<unsigned char, 12> kDays = {31, 28, 31, 30, 31, 30,
                                                          31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) {
    return 0;
  }
  if (month == 2 && is_leap_year(year)) {
    return 29;
  }
  return kDays[month - 1];
}

namespace {

void append_zero_padded(std::string &out, unsigned value, unsigned width) {
  char digits[16];
  unsigned count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (unsigned i = count; i < width; ++i) {
    out.push_back('0');
  }
  while (count != 0) {
    out.push_back(digits[--count]);
  }
}

} // namespace

std::string format_date(const Date &date) {
  std::string out;
  out.reserve(16);
  const bool four_digit_year = date.year >= 0 && date.year <= 9999;
  if (!four_digit_year) {
    out.push_back(date.year < 0 ? '-' : '+');
  }
  // The year range is far inside int32, so negation cannot overflow.
  append_zero_padded(out, static_cast<unsigned>(std::abs(date.year)), 4);
  out.push_back('-');
  append_zero_padded(out, date.month, 2);
  out.push_back('-');
  append_zero_padded(out, date.day, 2);
  return out;
}

namespace {

// Digits only, at least min_width of them; nothing for anything else.
std::optional<std::int64_t> read_digits(std::string_view text, std::size_t min_width) {
  if (text.size() < min_width || text.size() > 9) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

} // namespace

std::optional<Date> parse_iso_date(std::string_view text) {
  // The month and day are the last five characters, "-MM-DD".
  if (text.size() < 10 || text[text.size() - 6] != '-' || text[text.size() - 3] != '-') {
    return std::nullopt;
  }
  std::string_view year_text = text.substr(0, text.size() - 6);
  const auto month = read_digits(text.substr(text.size() - 5, 2), 2);
  const auto day = read_digits(text.substr(text.size() - 2), 2);
  const char sign = year_text.front();
  const bool signed_year = sign == '+' || sign == '-';
  if (signed_year) year_text.remove_prefix(1);
  const auto magnitude = read_digits(year_text, 4);
  if (!month || !day || !magnitude) return std::nullopt;
  // A sign exactly when the year lies outside 0..=9999; digits beyond four
  // only where needed, so that every date has one text.
  const std::int64_t year = sign == '-' ? -*magnitude : *magnitude;
  if (signed_year != (year < 0 || year > 9999)) return std::nullopt;
  if (year_text.size() > 4 && year_text.front() == '0') return std::nullopt;
  if (year < kMinYear || year > kMaxYear || *day < 1 ||
      *day > days_in_month(year, static_cast<unsigned>(*month))) {
    return std::nullopt;
  }
  return Date{static_cast<std::int32_t>(year), static_cast<std::uint8_t>(*month),
              static_cast<std::uint8_t>(*day)};
}

} // namespace velmora
