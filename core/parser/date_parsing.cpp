#include <cstdint>

#include "parser/value_parsing.hpp"
#include "text/trim.hpp"

namespace velmora {

namespace {

enum class DateFault { PrematureEnd, InvalidCharacters, TrailingInput, OutOfRange };

std::string date_fault_message(DateFault fault) {
  switch (fault) {
  case DateFault::PrematureEnd: return "premature end of input";
  case DateFault::InvalidCharacters: return "input contains invalid characters";
  case DateFault::TrailingInput: return "trailing input";
  case DateFault::OutOfRange: return "input is out of range";
  }
  return "input contains invalid characters";
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A one-pass reader over "day.month.year"; each step reports the first rule
// the text breaks, so the order of the calls is the order of the checks.
class DateReader {
public:
  explicit DateReader(std::string_view text) : rest_(text) {}

  std::expected<unsigned, DateFault> read_short_number(unsigned min, unsigned max) {
    rest_ = text::trim_start(rest_);
    if (rest_.empty()) {
      return std::unexpected(DateFault::PrematureEnd);
    }
    if (!is_digit(rest_.front())) {
      return std::unexpected(DateFault::InvalidCharacters);
    }
    unsigned value = 0;
    std::size_t used = 0;
    while (used < 2 && used < rest_.size() && is_digit(rest_[used])) {
      value = value * 10 + static_cast<unsigned>(rest_[used] - '0');
      ++used;
    }
    rest_.remove_prefix(used);
    if (value < min || value > max) {
      return std::unexpected(DateFault::OutOfRange);
    }
    return value;
  }

  std::expected<void, DateFault> read_dot() {
    if (rest_.empty()) {
      return std::unexpected(DateFault::PrematureEnd);
    }
    if (rest_.front() != '.') {
      return std::unexpected(DateFault::InvalidCharacters);
    }
    rest_.remove_prefix(1);
    return {};
  }

  std::expected<std::int32_t, DateFault> read_year() {
    rest_ = text::trim_start(rest_);
    if (rest_.empty()) {
      return std::unexpected(DateFault::PrematureEnd);
    }
    const char first = rest_.front();
    if (first == '+' || first == '-') {
      rest_.remove_prefix(1);
      return read_signed_year(first == '-');
    }
    if (!is_digit(first)) {
      return std::unexpected(DateFault::InvalidCharacters);
    }
    // Four digits at most: a fifth one is left over as trailing input.
    std::int64_t year = 0;
    std::size_t used = 0;
    while (used < 4 && used < rest_.size() && is_digit(rest_[used])) {
      year = year * 10 + (rest_[used] - '0');
      ++used;
    }
    rest_.remove_prefix(used);
    return check_year(year);
  }

  std::expected<void, DateFault> expect_end() const {
    if (!rest_.empty()) {
      return std::unexpected(DateFault::TrailingInput);
    }
    return {};
  }

private:
  std::expected<std::int32_t, DateFault> read_signed_year(bool negative) {
    if (rest_.empty()) {
      return std::unexpected(DateFault::PrematureEnd);
    }
    if (!is_digit(rest_.front())) {
      return std::unexpected(DateFault::InvalidCharacters);
    }
    // A signed year may be written with any number of digits. Its magnitude
    // saturates just past the range, so that years overflowing 64 bits are
    // out of range like any other year beyond the calendar's limits.
    constexpr std::int64_t kSaturated = std::int64_t{kMaxYear} + 2 - kMinYear;
    std::int64_t magnitude = 0;
    std::size_t used = 0;
    while (used < rest_.size() && is_digit(rest_[used])) {
      if (magnitude < kSaturated) {
        magnitude = magnitude * 10 + (rest_[used] - '0');
      }
      ++used;
    }
    rest_.remove_prefix(used);
    return check_year(negative ? -magnitude : magnitude);
  }

  static std::expected<std::int32_t, DateFault> check_year(std::int64_t year) {
    if (year < kMinYear || year > kMaxYear) {
      return std::unexpected(DateFault::OutOfRange);
    }
    return static_cast<std::int32_t>(year);
  }

  std::string_view rest_;
};

std::expected<Date, DateFault> read_date(std::string_view value) {
  DateReader reader(value);
  const auto day = reader.read_short_number(1, 31);
  if (!day) {
    return std::unexpected(day.error());
  }
  if (auto dot = reader.read_dot(); !dot) {
    return std::unexpected(dot.error());
  }
  const auto month = reader.read_short_number(1, 12);
  if (!month) {
    return std::unexpected(month.error());
  }
  if (auto dot = reader.read_dot(); !dot) {
    return std::unexpected(dot.error());
  }
  const auto year = reader.read_year();
  if (!year) {
    return std::unexpected(year.error());
  }
  if (auto end = reader.expect_end(); !end) {
    return std::unexpected(end.error());
  }
  if (*day > days_in_month(*year, *month)) {
    return std::unexpected(DateFault::OutOfRange);
  }
  return Date{*year, static_cast<std::uint8_t>(*month), static_cast<std::uint8_t>(*day)};
}

std::expected<Date, std::string> parse_present_date(std::string_view value) {
  auto date = read_date(value);
  if (!date) {
    return std::unexpected(date_fault_message(date.error()));
  }
  return *date;
}

} // namespace

std::expected<Date, std::string> parse_required_date(std::string_view value) {
  if (text::trim(value).empty()) {
    return std::unexpected(std::string("empty string is not a valid date"));
  }
  return parse_present_date(value);
}

std::expected<std::optional<Date>, std::string> parse_optional_date(std::string_view value) {
  if (text::trim(value).empty()) {
    return std::optional<Date>{};
  }
  auto date = parse_present_date(value);
  if (!date) {
    return std::unexpected(std::move(date.error()));
  }
  return std::optional<Date>{*date};
}

} // namespace velmora
