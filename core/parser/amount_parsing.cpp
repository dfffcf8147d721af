#include <array>
#include <cstdint>

#include "parser/value_parsing.hpp"
#include "text/quote.hpp"

namespace velmora {

namespace {

constexpr u128 kMaxMantissa = Decimal::kMaxMantissa;
constexpr unsigned kMaxScale = Decimal::kMaxScale;

constexpr std::array<u128, kMaxScale + 1> kPowersOfTen = [] {
  std::array<u128, kMaxScale + 1> powers{};
  u128 power = 1;
  for (auto &p : powers) {
    p = power;
    power *= 10;
  }
  return powers;
}();

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool fits_with_digit(u128 mantissa, unsigned digit) {
  return mantissa <= (kMaxMantissa - digit) / 10;
}

// Digits of the plain form as they are gathered: the kept ones sit in the
// mantissa, and the first fractional digit that found no room decides the
// rounding (later digits are checked for validity only).
struct PlainDigits {
  u128 mantissa = 0;
  unsigned scale = 0;
  int first_dropped = -1;
  bool seen_digit = false;
  bool seen_dot = false;

  // False when the integral part outgrows the mantissa.
  bool add(unsigned digit, bool fractional) {
    seen_digit = true;
    if (!fractional) {
      if (!fits_with_digit(mantissa, digit)) {
        return false;
      }
      mantissa = mantissa * 10 + digit;
    } else if (first_dropped >= 0) {
      // Already rounding: the digit changes nothing.
    } else if (scale < kMaxScale && fits_with_digit(mantissa, digit)) {
      mantissa = mantissa * 10 + digit;
      ++scale;
    } else {
      first_dropped = static_cast<int>(digit);
    }
    return true;
  }

  // Half-up on the first dropped digit. When the carry leaves no room, the
  // last kept digit is given up too and the rounding is redone one place
  // further left, which always fits.
  bool round() {
    if (first_dropped < 5) {
      return true;
    }
    if (mantissa < kMaxMantissa) {
      ++mantissa;
      return true;
    }
    if (scale == 0) {
      // The largest mantissa followed by a fraction of one half or more:
      // rounding leaves 96 bits and no place remains to give up.
      return false;
    }
    const bool round_up = mantissa % 10 >= 5;
    mantissa = mantissa / 10 + (round_up ? 1 : 0);
    --scale;
    return true;
  }
};

std::optional<Decimal> parse_plain(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  PlainDigits digits;
  for (const char c : text) {
    if (is_digit(c)) {
      if (!digits.add(static_cast<unsigned>(c - '0'), digits.seen_dot)) {
        return std::nullopt;
      }
    } else if (c == '.' && !digits.seen_dot) {
      digits.seen_dot = true;
    } else if (c != '_' || !digits.seen_digit) {
      return std::nullopt;
    }
  }
  if (!digits.seen_digit || !digits.round()) {
    return std::nullopt;
  }
  return Decimal(digits.mantissa, digits.scale, negative);
}

struct Exponent {
  std::uint32_t value;
  bool negative;
};

std::optional<Exponent> parse_exponent(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (const char c : text) {
    if (!is_digit(c)) {
      return std::nullopt;
    }
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > UINT32_MAX) {
      return std::nullopt;
    }
  }
  return Exponent{static_cast<std::uint32_t>(value), negative};
}

// m * 10^n kept at scale s may outgrow the mantissa; fractional places are
// then given up one by one. Those places hold only the zeros the
// multiplication appended (n > s), so the value stays exact and no rounding
// is ever needed.
std::optional<Decimal> scale_up(const Decimal &base, unsigned exponent) {
  const unsigned scale = base.scale();
  const u128 mantissa = base.mantissa();
  const unsigned least_power = exponent - scale; // the value's scale-0 form
  for (unsigned power = exponent + 1; power-- > least_power;) {
    if (mantissa <= kMaxMantissa / kPowersOfTen[power]) {
      return Decimal(mantissa * kPowersOfTen[power], scale - (exponent - power), base.negative());
    }
  }
  return std::nullopt;
}

std::optional<Decimal> parse_scientific(std::string_view text) {
  const std::size_t marker = text.find_first_of("eE");
  if (marker == std::string_view::npos) {
    return std::nullopt;
  }
  const auto base = parse_plain(text.substr(0, marker));
  const auto exponent = parse_exponent(text.substr(marker + 1));
  if (!base || !exponent) {
    return std::nullopt;
  }
  const std::uint64_t scale = base->scale();
  const std::uint64_t n = exponent->value;
  if (exponent->negative) {
    if (scale + n > kMaxScale) {
      return std::nullopt;
    }
    return Decimal(base->mantissa(), static_cast<unsigned>(scale + n), base->negative());
  }
  if (n <= scale) {
    return Decimal(base->mantissa(), static_cast<unsigned>(scale - n), base->negative());
  }
  if (n > kMaxScale) {
    return std::nullopt;
  }
  return scale_up(*base, static_cast<unsigned>(n));
}

std::string invalid_amount_message(std::string_view value) {
  constexpr std::string_view kPrefix = "invalid value: string ";
  constexpr std::string_view kSuffix =
      ", expected a Decimal type representing a fixed-point number";
  std::string message;
  message.reserve(kPrefix.size() + value.size() + 2 + kSuffix.size());
  message.append(kPrefix);
  text::append_quoted(message, value);
  message.append(kSuffix);
  return message;
}

} // namespace

std::expected<Decimal, std::string> parse_amount(std::string_view value) {
  if (auto plain = parse_plain(value)) {
    return *plain;
  }
  if (auto scientific = parse_scientific(value)) {
    return *scientific;
  }
  return std::unexpected(invalid_amount_message(value));
}

} // namespace velmora
