#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

namespace velmora_py {

// Up to 63 optional texts (the fields of one record as Python sees them) in
// one heap block: a presence mask, the end offset of each present text and
// the texts themselves back to back, in slot order. A document of thirteen
// short values takes about a hundred bytes this way, where one std::string
// or std::optional<std::string> per field took two kilobytes. The owner is
// a single pointer, so a result object stays small.
// The number of set bits, inline: the baseline x86-64 target has no popcnt
// instruction, and __builtin_popcountll would be a library call per getter.
constexpr std::size_t count_bits(std::uint64_t x) {
  x = x - ((x >> 1) & 0x5555555555555555u);
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<std::size_t>((x * 0x0101010101010101u) >> 56);
}

class CompactTexts {
public:
  static constexpr std::size_t kMaxSlots = 63;

  CompactTexts() = default;
  // Slot i holds values[i] if bit i of `present` is set.
  CompactTexts(std::uint64_t present, std::span<const std::string_view> values);
  CompactTexts(const CompactTexts &other);
  CompactTexts &operator=(const CompactTexts &other);
  CompactTexts(CompactTexts &&other) noexcept
      : present_(std::exchange(other.present_, 0)), block_(std::exchange(other.block_, nullptr)) {}
  CompactTexts &operator=(CompactTexts &&other) noexcept;
  ~CompactTexts();

  bool has(std::size_t slot) const { return (present_ >> slot) & 1; }
  // The text of a present slot.
  std::string_view at(std::size_t slot) const {
    const std::size_t k = rank(slot);
    const std::size_t begin = k == 0 ? 0 : end_of(k - 1);
    return std::string_view(texts() + begin, end_of(k) - begin);
  }
  std::optional<std::string_view> get(std::size_t slot) const {
    if (!has(slot)) return std::nullopt;
    return at(slot);
  }

  // Same slots present with the same texts.
  friend bool operator==(const CompactTexts &a, const CompactTexts &b);

private:
  // The top bit of present_ marks ends of 8 bytes (texts over 4 GiB in all);
  // the mask itself lives here, so an absent slot is answered without
  // touching the block.
  static constexpr std::uint64_t kWide = std::uint64_t{1} << 63;

  std::uint64_t mask() const { return present_ & ~kWide; }
  std::size_t count() const { return count_bits(mask()); }
  std::size_t rank(std::size_t slot) const {
    return count_bits(present_ & ((std::uint64_t{1} << slot) - 1));
  }
  std::size_t end_width() const { return (present_ & kWide) ? 8 : 4; }
  const char *texts() const { return reinterpret_cast<const char *>(block_); }
  // The end of the k-th present text (from 0). The ends sit just before the
  // texts, the first one nearest, so that finding the texts needs no count.
  std::size_t end_of(std::size_t k) const {
    if (present_ & kWide) {
      std::uint64_t e;
      std::memcpy(&e, block_ - (k + 1) * 8, 8);
      return static_cast<std::size_t>(e);
    }
    std::uint32_t e;
    std::memcpy(&e, block_ - (k + 1) * 4, 4);
    return e;
  }
  // The allocation and its size: the ends, then the texts.
  unsigned char *base() const { return block_ - count() * end_width(); }
  std::size_t block_size() const {
    const std::size_t n = count();
    return n == 0 ? 0 : n * end_width() + end_of(n - 1);
  }

  std::uint64_t present_ = 0;
  unsigned char *block_ = nullptr; // the texts, after the ends; null when no slot is present
};

} // namespace velmora_py
