#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace velmora {

// SipHash: a keyed hash whose outputs an attacker who does not know the key
// cannot steer, so crafted keys cannot pile up in one slot of a table.
struct SipKey {
  std::uint64_t k0 = 0;
  std::uint64_t k1 = 0;
};

namespace detail {

struct SipState {
  std::uint64_t v0, v1, v2, v3;

  void round() {
    v0 += v1;
    v1 = std::rotl(v1, 13);
    v1 ^= v0;
    v0 = std::rotl(v0, 32);
    v2 += v3;
    v3 = std::rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = std::rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = std::rotl(v1, 17);
    v1 ^= v2;
    v2 = std::rotl(v2, 32);
  }
  template <int Rounds> void compress(std::uint64_t m) {
    v3 ^= m;
    for (int i = 0; i < Rounds; ++i) round();
    v0 ^= m;
  }
};

inline std::uint64_t load_le64(const unsigned char *p) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

} // namespace detail

// SipHash-C-D with a 64-bit result, as in the reference implementation:
// C rounds per eight-byte word, D rounds of finalisation.
template <int C, int D>
std::uint64_t siphash(const SipKey &key, const void *data, std::size_t size) {
  detail::SipState s{key.k0 ^ 0x736f6d6570736575ull, key.k1 ^ 0x646f72616e646f6dull,
                     key.k0 ^ 0x6c7967656e657261ull, key.k1 ^ 0x7465646279746573ull};
  const auto *p = static_cast<const unsigned char *>(data);
  std::size_t n = size;
  for (; n >= 8; p += 8, n -= 8) s.compress<C>(detail::load_le64(p));
  std::uint64_t last = static_cast<std::uint64_t>(size & 0xff) << 56;
  for (std::size_t i = 0; i < n; ++i) last |= std::uint64_t{p[i]} << (8 * i);
  s.compress<C>(last);
  s.v2 ^= 0xff;
  for (int i = 0; i < D; ++i) s.round();
  return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

// The key of this process: drawn from the operating system on first use
// (thread-safe), the same for every table afterwards.
const SipKey &process_sip_key();

// SipHash-1-3 under the process key, the choice CPython makes for str: keys
// are short, and one round per word is what keeps it cheap.
inline std::uint64_t keyed_hash(std::string_view text) {
  return siphash<1, 3>(process_sip_key(), text.data(), text.size());
}
inline std::uint64_t keyed_hash(const void *data, std::size_t size) {
  return siphash<1, 3>(process_sip_key(), data, size);
}

} // namespace velmora
