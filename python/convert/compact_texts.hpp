#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "convert/text_shape.hpp"

namespace velmora_py {

// Up to 63 optional texts (the fields of one record as Python sees them) in
// one heap block: a presence mask, the end offset and shape of each present
// text and the texts themselves back to back, in slot order. The shape (code
// points and widest character) is measured once, when the record is built
// outside the interpreter lock, so that a getter makes its str without
// looking at the text twice. A document of thirteen
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
  // Slot i holds values[i] if bit i of `present` is set; the texts are
  // valid UTF-8.
  CompactTexts(std::uint64_t present, std::span<const std::string_view> values);
  CompactTexts(const CompactTexts &other);
  CompactTexts &operator=(const CompactTexts &other);
  CompactTexts(CompactTexts &&other) noexcept
      : present_(std::exchange(other.present_, 0)), block_(std::exchange(other.block_, nullptr)) {}
  CompactTexts &operator=(CompactTexts &&other) noexcept;
  ~CompactTexts();

  bool has(std::size_t slot) const { return (present_ >> slot) & 1; }
  // The text of a present slot, with the shape its str needs.
  ShapedText shaped(std::size_t slot) const {
    const std::size_t k = rank(slot);
    const std::size_t begin = k == 0 ? 0 : entry(k - 1).end;
    const Entry e = entry(k);
    return ShapedText{std::string_view(texts() + begin, e.end - begin), e.shape};
  }
  std::string_view at(std::size_t slot) const { return shaped(slot).utf8; }
  std::optional<std::string_view> get(std::size_t slot) const {
    if (!has(slot)) return std::nullopt;
    return at(slot);
  }

  // Same slots present with the same texts.
  friend bool operator==(const CompactTexts &a, const CompactTexts &b);

private:
  // Each present text has one entry: where it ends and its shape. Records
  // whose texts take at most kNarrowTotal bytes in all (nearly every one)
  // pack an entry into 4 bytes: the end in bits 0-14, the code points in
  // bits 15-29, the kind in 30-31. Others use two 8-byte words: the end,
  // then the code points with the kind in the top two bits. The top bit of
  // present_ marks the wide form; the mask itself lives here, so an absent
  // slot is answered without touching the block.
  static constexpr std::uint64_t kWide = std::uint64_t{1} << 63;
  static constexpr std::size_t kNarrowTotal = 0x7FFF;
  static constexpr std::size_t kNarrowWidth = 4;
  static constexpr std::size_t kWideWidth = 16;

  struct Entry {
    std::size_t end;
    TextShape shape;
  };

  std::uint64_t mask() const { return present_ & ~kWide; }
  std::size_t count() const { return count_bits(mask()); }
  std::size_t rank(std::size_t slot) const {
    return count_bits(present_ & ((std::uint64_t{1} << slot) - 1));
  }
  std::size_t entry_width() const { return (present_ & kWide) ? kWideWidth : kNarrowWidth; }
  const char *texts() const { return reinterpret_cast<const char *>(block_); }
  // The entry of the k-th present text (from 0). The entries sit just
  // before the texts, the first one nearest, so that finding the texts
  // needs no count.
  Entry entry(std::size_t k) const {
    if (present_ & kWide) {
      std::uint64_t w[2];
      std::memcpy(w, block_ - (k + 1) * kWideWidth, kWideWidth);
      return Entry{static_cast<std::size_t>(w[0]),
                   TextShape{static_cast<std::size_t>(w[1] & ~(std::uint64_t{3} << 62)),
                             static_cast<TextKind>(w[1] >> 62)}};
    }
    std::uint32_t e;
    std::memcpy(&e, block_ - (k + 1) * kNarrowWidth, kNarrowWidth);
    return Entry{e & 0x7FFFu, TextShape{(e >> 15) & 0x7FFFu, static_cast<TextKind>(e >> 30)}};
  }
  static void write_entry(unsigned char *at, bool wide, std::size_t end, TextShape shape);
  // The allocation and its size: the entries, then the texts.
  unsigned char *base() const { return block_ - count() * entry_width(); }
  std::size_t block_size() const {
    const std::size_t n = count();
    return n == 0 ? 0 : n * entry_width() + entry(n - 1).end;
  }

  std::uint64_t present_ = 0;
  unsigned char *block_ = nullptr; // the texts, after the entries; null when no slot is present
};

} // namespace velmora_py
