#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

namespace velmora_py {

// Up to 64 optional texts (the fields of one record as Python sees them) in
// one heap block: a presence mask, the end offset of each present text and
// the texts themselves back to back, in slot order. A document of thirteen
// short values takes about a hundred bytes this way, where one std::string
// or std::optional<std::string> per field took two kilobytes. The owner is
// a single pointer, so a result object stays small.
class CompactTexts {
public:
  static constexpr std::size_t kMaxSlots = 63;

  CompactTexts() = default;
  // Slot i holds values[i] if bit i of `present` is set.
  CompactTexts(std::uint64_t present, std::span<const std::string_view> values);
  CompactTexts(const CompactTexts &other);
  CompactTexts &operator=(const CompactTexts &other);
  CompactTexts(CompactTexts &&other) noexcept : block_(other.block_) { other.block_ = nullptr; }
  CompactTexts &operator=(CompactTexts &&other) noexcept;
  ~CompactTexts();

  bool has(std::size_t slot) const { return (present() >> slot) & 1; }
  // The text of a present slot.
  std::string_view at(std::size_t slot) const;
  std::optional<std::string_view> get(std::size_t slot) const {
    if (!has(slot)) return std::nullopt;
    return at(slot);
  }

  // Same slots present with the same texts.
  friend bool operator==(const CompactTexts &a, const CompactTexts &b);

private:
  // The block: the header, then count() ends (4 bytes each, 8 when the
  // texts exceed 4 GiB), then the texts.
  struct Header {
    std::uint64_t present; // bit i: slot i present
    std::uint64_t wide : 1;
    std::uint64_t size : 63; // bytes of the whole block
  };

  std::uint64_t present() const { return block_ != nullptr ? header().present : 0; }
  const Header &header() const { return *reinterpret_cast<const Header *>(block_); }
  std::size_t count() const { return static_cast<std::size_t>(__builtin_popcountll(present())); }
  std::size_t end_width() const { return header().wide ? 8 : 4; }
  const unsigned char *ends() const { return block_ + sizeof(Header); }
  const char *texts() const {
    return reinterpret_cast<const char *>(ends() + count() * end_width());
  }
  // The end of the k-th present text (from 0); 0 for k == -1.
  std::size_t end_of(std::size_t k) const;

  unsigned char *block_ = nullptr;
};

} // namespace velmora_py
