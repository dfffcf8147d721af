#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace velmora {

// Finds a key in a fixed key table by comparing it only with the keys of the
// same byte length. Keys of one length often share a long prefix
// ("ПлательщикИНН", "ПлательщикБИК", "ПлательщикКПП"), so each candidate's
// last eight bytes are compared as one word before the whole key is.
template <std::size_t N> class FieldLookup {
public:
  static constexpr std::size_t kNotFound = N;

  constexpr explicit FieldLookup(const std::array<std::string_view, N> &keys) : keys_(keys) {
    for (std::size_t i = 0; i < N; ++i) {
      std::size_t len = keys[i].size();
      tails_[i] = tail_of(keys[i]);
      if (len < kMaxLength) by_length_[len][counts_[len]++] = static_cast<std::uint8_t>(i);
    }
  }

  constexpr std::size_t find(std::string_view key) const {
    if (key.size() >= kMaxLength) return kNotFound;
    const auto &candidates = by_length_[key.size()];
    const std::uint64_t tail = tail_of(key);
    for (std::size_t j = 0; j < counts_[key.size()]; ++j) {
      const std::size_t c = candidates[j];
      if (tails_[c] == tail && keys_[c] == key) return c;
    }
    return kNotFound;
  }

private:
  static constexpr std::size_t kMaxLength = 64;

  // The last min(8, size) bytes, the last one in the highest byte.
  static constexpr std::uint64_t tail_of(std::string_view s) {
    if !consteval {
      if constexpr (std::endian::native == std::endian::little) {
        if (s.size() >= 8) {
          std::uint64_t word;
          std::memcpy(&word, s.data() + s.size() - 8, 8);
          return word;
        }
      }
    }
    const std::size_t k = s.size() < 8 ? s.size() : 8;
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < k; ++i) {
      word |= std::uint64_t{static_cast<unsigned char>(s[s.size() - k + i])} << (8 * i);
    }
    return word;
  }

  std::array<std::string_view, N> keys_{};
  std::array<std::uint64_t, N> tails_{};
  std::array<std::array<std::uint8_t, N>, kMaxLength> by_length_{};
  std::array<std::uint8_t, kMaxLength> counts_{};
};

} // namespace velmora
