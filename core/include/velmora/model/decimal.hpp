#pragma once

#include <cstdint>
#include <string>

namespace velmora {

using u128 = unsigned __int128;

// A signed fixed-point number: value = (negative ? -1 : 1) * mantissa *
// 10^-scale. The mantissa fits in 96 bits and the scale is 0..=28, the
// number of fractional digits the value was written with. A zero is never
// negative. Equality compares numeric values, whatever the scales.
class Decimal {
public:
  static constexpr unsigned kMaxScale = 28;
  static constexpr u128 kMaxMantissa = (u128{1} << 96) - 1;

  constexpr Decimal() = default;
  // The caller guarantees mantissa <= kMaxMantissa and scale <= kMaxScale;
  // a zero mantissa drops the sign.
  constexpr Decimal(u128 mantissa, unsigned scale, bool negative)
      : low_(static_cast<std::uint64_t>(mantissa)),
        high_(static_cast<std::uint32_t>(mantissa >> 64)), scale_(static_cast<std::uint8_t>(scale)),
        negative_(negative && mantissa != 0) {}

  constexpr u128 mantissa() const { return (u128{high_} << 64) | low_; }
  constexpr unsigned scale() const { return scale_; }
  constexpr bool negative() const { return negative_; }

  friend bool operator==(const Decimal &a, const Decimal &b);

private:
  // The 96-bit mantissa in two words rather than one 128-bit one: sixteen
  // bytes per value instead of thirty-two, which intervals and documents
  // carry several of.
  std::uint64_t low_ = 0;
  std::uint32_t high_ = 0;
  std::uint8_t scale_ = 0;
  bool negative_ = false;
};

// The same number with the trailing zeros of its fraction dropped: equal
// Decimals have identical normalised forms (100.00 and 100 both give 100).
Decimal normalise(const Decimal &value);

// Canonical text keeping the scale: "-1500.00", "0.5", "12".
std::string format_decimal(const Decimal &value);

} // namespace velmora
