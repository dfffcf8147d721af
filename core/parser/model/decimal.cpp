#include "velmora/model/decimal.hpp"

#include <array>

namespace velmora {

// Scaling the smaller-scale mantissa up could need 96 + 93 bits; dropping
// trailing zeros instead gives every value one representation that fits.
Decimal normalise(const Decimal &value) {
  u128 mantissa = value.mantissa();
  unsigned scale = value.scale();
  while (scale != 0 && mantissa % 10 == 0) {
    mantissa /= 10;
    --scale;
  }
  return Decimal(mantissa, scale, value.negative());
}

bool operator==(const Decimal &a, const Decimal &b) {
  if (a.negative() != b.negative()) {
    return false;
  }
  const Decimal na = normalise(a);
  const Decimal nb = normalise(b);
  return na.mantissa() == nb.mantissa() && na.scale() == nb.scale();
}

std::string format_decimal(const Decimal &value) {
  // 2^96 has 29 digits; a scale of 28 may need one more leading zero.
  std::array<char, 32> digits{};
  unsigned count = 0;
  u128 rest = value.mantissa();
  do {
    digits[count++] = static_cast<char>('0' + static_cast<unsigned>(rest % 10));
    rest /= 10;
  } while (rest != 0);
  const unsigned scale = value.scale();
  while (count <= scale) {
    digits[count++] = '0';
  }

  std::string out;
  out.reserve(count + 2);
  if (value.negative()) {
    out.push_back('-');
  }
  for (unsigned i = count; i != 0; --i) {
    if (i == scale) {
      out.push_back('.');
    }
    out.push_back(digits[i - 1]);
  }
  return out;
}

} // namespace velmora
