#include "tables/decimal_cells.hpp"

#include <algorithm>
#include <array>
#include <cstring>

namespace velmora::tables {

namespace {

constexpr unsigned kNarrowDigits = 38;

constexpr std::array<u128, 39> powers_of_ten() {
  std::array<u128, 39> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}
constexpr std::array<u128, 39> kPow10 = powers_of_ten();

unsigned digit_count(u128 m) {
  unsigned d = 1;
  while (d < kPow10.size() && m >= kPow10[d]) ++d;
  return d;
}

bool is_valid(const ColumnData &validity, std::size_t i) {
  return validity.validity.empty() || ((validity.validity[i >> 3] >> (i & 7)) & 1u);
}

// A 256-bit unsigned integer as four little-endian 64-bit limbs.
using Limbs = std::array<std::uint64_t, 4>;

Limbs widen(u128 m) {
  return {static_cast<std::uint64_t>(m), static_cast<std::uint64_t>(m >> 64), 0, 0};
}

void multiply(Limbs &x, std::uint64_t factor) {
  u128 carry = 0;
  for (std::uint64_t &limb : x) {
    u128 product = static_cast<u128>(limb) * factor + carry;
    limb = static_cast<std::uint64_t>(product);
    carry = product >> 64;
  }
}

void negate(Limbs &x) {
  std::uint64_t carry = 1;
  for (std::uint64_t &limb : x) {
    limb = ~limb + carry;
    carry = (carry && limb == 0) ? 1 : 0;
  }
}

// The value scaled to `scale` fractional digits, in two's complement.
Limbs scaled(const Decimal &value, unsigned scale) {
  Limbs x = widen(value.mantissa());
  for (unsigned k = value.scale(); k < scale; ++k) multiply(x, 10);
  if (value.negative()) negate(x);
  return x;
}

} // namespace

unsigned max_scale(const DecimalColumn &column) {
  unsigned scale = 0;
  for (std::size_t i = 0; i < column.values.size(); ++i) {
    if (is_valid(*column.validity, i)) scale = std::max(scale, column.values[i].scale());
  }
  return scale;
}

bool needs_wide(const DecimalColumn &column, unsigned scale) {
  for (std::size_t i = 0; i < column.values.size(); ++i) {
    const Decimal &v = column.values[i];
    if (!is_valid(*column.validity, i) || v.mantissa() == 0) continue;
    if (digit_count(v.mantissa()) + (scale - v.scale()) > kNarrowDigits) return true;
  }
  return false;
}

std::shared_ptr<ColumnData> encode_decimals(const DecimalColumn &column, DecimalLayout layout) {
  auto out = std::make_shared<ColumnData>();
  out->length = column.validity->length;
  out->null_count = column.validity->null_count;
  out->validity = column.validity->validity;
  const std::size_t width = static_cast<std::size_t>(layout.byte_width());
  out->values.resize(column.values.size() * width);
  std::uint8_t *cell = out->values.data();
  for (std::size_t i = 0; i < column.values.size(); ++i, cell += width) {
    if (!is_valid(*column.validity, i)) continue; // stays zero
    Limbs x = scaled(column.values[i], layout.scale);
    std::memcpy(cell, x.data(), width); // little-endian limbs, low first
  }
  return out;
}

} // namespace velmora::tables
