#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmora {

// Finds a key in a fixed key table by comparing it only with the keys of the
// same byte length. Built at compile time from the table.
template <std::size_t N> class FieldLookup {
public:
  static constexpr std::size_t kNotFound = N;

  constexpr explicit FieldLookup(const std::array<std::string_view, N> &keys) : keys_(keys) {
    for (std::size_t i = 0; i < N; ++i) {
      std::size_t len = keys[i].size();
      if (len < kMaxLength) by_length_[len][counts_[len]++] = static_cast<std::uint8_t>(i);
    }
  }

  constexpr std::size_t find(std::string_view key) const {
    if (key.size() >= kMaxLength) return kNotFound;
    const auto &candidates = by_length_[key.size()];
    for (std::size_t j = 0; j < counts_[key.size()]; ++j) {
      if (keys_[candidates[j]] == key) return candidates[j];
    }
    return kNotFound;
  }

private:
  static constexpr std::size_t kMaxLength = 64;
  std::array<std::string_view, N> keys_{};
  std::array<std::array<std::uint8_t, N>, kMaxLength> by_length_{};
  std::array<std::uint8_t, kMaxLength> counts_{};
};

} // namespace velmora
