#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <string>

#include "velmora/model/decimal.hpp"

namespace velmora {

// An exact sum of Decimals: the value times 10^28, as a sign and a 256-bit
// magnitude. A Decimal needs fewer than 190 bits at that scale, so sums of
// any number of amounts that fit in memory neither overflow nor round, and
// no two amounts need their scales aligned first.
class ExactAmount {
public:
  ExactAmount() = default;
  explicit ExactAmount(const Decimal &value);

  ExactAmount &operator+=(const ExactAmount &other);
  ExactAmount &operator-=(const ExactAmount &other);
  friend ExactAmount operator+(ExactAmount a, const ExactAmount &b) { return a += b; }
  friend ExactAmount operator-(ExactAmount a, const ExactAmount &b) { return a -= b; }

  friend bool operator==(const ExactAmount &a, const ExactAmount &b) {
    return a.negative_ == b.negative_ && a.magnitude_ == b.magnitude_;
  }
  friend std::strong_ordering operator<=>(const ExactAmount &a, const ExactAmount &b);

  // The value written with at least `min_scale` fractional digits, and with
  // more only where the value needs them: "130.00", "-0.005".
  std::string format(unsigned min_scale) const;

private:
  using Magnitude = std::array<std::uint64_t, 4>; // least significant limb first

  void add_signed(bool negative, const Magnitude &magnitude);

  bool negative_ = false;
  Magnitude magnitude_{};
};

} // namespace velmora
