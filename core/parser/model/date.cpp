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

} // namespace velmora
