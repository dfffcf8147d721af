#include "checks/exact_amount.hpp"

#include <algorithm>
#include <cstddef>

namespace velmora {

namespace {

using Limbs = std::array<std::uint64_t, 4>;
using u128 = unsigned __int128;

constexpr unsigned kFixedScale = Decimal::kMaxScale;

int compare_magnitudes(const Limbs &a, const Limbs &b) {
  for (std::size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

void add_magnitudes(Limbs &a, const Limbs &b) {
  u128 carry = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const u128 sum = u128{a[i]} + b[i] + carry;
    a[i] = static_cast<std::uint64_t>(sum);
    carry = sum >> 64;
  }
}

// a -= b, where a >= b.
void subtract_magnitudes(Limbs &a, const Limbs &b) {
  std::uint64_t borrow = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const u128 subtrahend = u128{b[i]} + borrow;
    borrow = u128{a[i]} < subtrahend ? 1 : 0;
    a[i] = static_cast<std::uint64_t>((u128{1} << 64) * borrow + a[i] - subtrahend);
  }
}

void multiply_small(Limbs &a, std::uint64_t factor) {
  u128 carry = 0;
  for (auto &limb : a) {
    const u128 product = u128{limb} * factor + carry;
    limb = static_cast<std::uint64_t>(product);
    carry = product >> 64;
  }
}

// Divides in place and returns the remainder.
std::uint64_t divide_small(Limbs &a, std::uint64_t divisor) {
  u128 remainder = 0;
  for (std::size_t i = a.size(); i-- > 0;) {
    const u128 current = (remainder << 64) | a[i];
    a[i] = static_cast<std::uint64_t>(current / divisor);
    remainder = current % divisor;
  }
  return static_cast<std::uint64_t>(remainder);
}

bool is_zero(const Limbs &a) {
  return std::all_of(a.begin(), a.end(), [](std::uint64_t limb) { return limb == 0; });
}

} // namespace

ExactAmount::ExactAmount(const Decimal &value) : negative_(value.negative()) {
  const u128 mantissa = value.mantissa();
  magnitude_ = {static_cast<std::uint64_t>(mantissa), static_cast<std::uint64_t>(mantissa >> 64), 0,
                0};
  for (unsigned scale = value.scale(); scale < kFixedScale; ++scale) multiply_small(magnitude_, 10);
}

void ExactAmount::add_signed(bool negative, const Magnitude &magnitude) {
  if (negative == negative_) {
    add_magnitudes(magnitude_, magnitude);
  } else if (compare_magnitudes(magnitude_, magnitude) >= 0) {
    subtract_magnitudes(magnitude_, magnitude);
  } else {
    Magnitude larger = magnitude;
    subtract_magnitudes(larger, magnitude_);
    magnitude_ = larger;
    negative_ = negative;
  }
  if (is_zero(magnitude_)) negative_ = false;
}

ExactAmount &ExactAmount::operator+=(const ExactAmount &other) {
  add_signed(other.negative_, other.magnitude_);
  return *this;
}

ExactAmount &ExactAmount::operator-=(const ExactAmount &other) {
  add_signed(!other.negative_ && !is_zero(other.magnitude_), other.magnitude_);
  return *this;
}

std::strong_ordering operator<=>(const ExactAmount &a, const ExactAmount &b) {
  if (a.negative_ != b.negative_)
    return a.negative_ ? std::strong_ordering::less : std::strong_ordering::greater;
  const int order = compare_magnitudes(a.magnitude_, b.magnitude_);
  const int signed_order = a.negative_ ? -order : order;
  return signed_order < 0   ? std::strong_ordering::less
         : signed_order > 0 ? std::strong_ordering::greater
                            : std::strong_ordering::equal;
}

std::string ExactAmount::format(unsigned min_scale) const {
  // Decimal digits, least significant first: 2^256 has 78 of them.
  std::string digits;
  Magnitude rest = magnitude_;
  do {
    digits.push_back(static_cast<char>('0' + divide_small(rest, 10)));
  } while (!is_zero(rest));
  while (digits.size() <= kFixedScale) digits.push_back('0');

  // Fractional places beyond min_scale that hold only zeros are dropped.
  unsigned scale = kFixedScale;
  const unsigned keep = std::min(min_scale, kFixedScale);
  std::size_t first = 0;
  while (scale > keep && digits[first] == '0') {
    ++first;
    --scale;
  }

  std::string out;
  out.reserve(digits.size() - first + 2);
  if (negative_) out.push_back('-');
  for (std::size_t i = digits.size(); i-- > first;) {
    if (i + 1 == first + scale && scale != 0) out.push_back('.');
    out.push_back(digits[i]);
  }
  return out;
}

} // namespace velmora
