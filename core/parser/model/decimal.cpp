#include "velmora/model/decimal.hpp"

#include <array>

namespace velmora {

namespace {

struct Normalised {
  u128 mantissa;
  unsigned scale;
};

// Scaling the smaller-scale mantissa up could need 96 + 93 bits; dropping
// trailing zeros instead gives every value one representation that fits.
Normalised strip_trailing_zeros(const Decimal &value) {
  Normalised n{value.mantissa(), value.scale()};
  while (n.scale != 0 && n.mantissa % 10 == 0) {
    n.mantissa /= 10;
    --n.scale;
  }
  return n;
}

} // namespace

bool operator==(const Decimal &a, const Decimal &b) {
  if (a.negative() != b.negative()) {
    return false;
  }
  const Normalised na = strip_trailing_zeros(a);
  const Normalised nb = strip_trailing_zeros(b);
  return na.mantissa == nb.mantissa && na.scale == nb.scale;
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
