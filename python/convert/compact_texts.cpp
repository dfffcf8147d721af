#include "convert/compact_texts.hpp"

#include <new>

#include "convert/short_copy.hpp"

namespace velmora_py {
namespace {

// The slot of the lowest set bit of a non-zero mask.
std::size_t lowest_slot(std::uint64_t mask) {
  return static_cast<std::size_t>(__builtin_ctzll(mask));
}

} // namespace

void CompactTexts::write_entry(unsigned char *at, bool wide, std::size_t end, TextShape shape) {
  const auto kind = static_cast<std::uint64_t>(shape.kind);
  if (wide) {
    const std::uint64_t w[2] = {end, shape.length | kind << 62};
    std::memcpy(at, w, kWideWidth);
    return;
  }
  const auto e = static_cast<std::uint32_t>(end | shape.length << 15 | kind << 30);
  std::memcpy(at, &e, kNarrowWidth);
}

CompactTexts::CompactTexts(std::uint64_t present, std::span<const std::string_view> values) {
  const std::size_t slots = values.size() < kMaxSlots ? values.size() : kMaxSlots;
  present &= (std::uint64_t{1} << slots) - 1;
  std::size_t total = 0;
  for (std::uint64_t m = present; m != 0; m &= m - 1) total += values[lowest_slot(m)].size();
  const std::size_t count = count_bits(present);
  // A text's code points never outnumber its bytes, so the narrow form
  // holds every count once it holds the total.
  const bool wide = total > kNarrowTotal;
  const std::size_t width = wide ? kWideWidth : kNarrowWidth;
  if (count == 0) return;
  block_ = static_cast<unsigned char *>(::operator new(count * width + total)) + count * width;
  present_ = present | (wide ? kWide : 0);
  char *text = reinterpret_cast<char *>(block_);
  unsigned char *entry_at = block_;
  std::size_t end = 0;
  for (std::uint64_t m = present; m != 0; m &= m - 1) {
    const std::string_view value = values[lowest_slot(m)];
    copy_short(text + end, value.data(), value.size());
    // Measured from the copy: the rest of the block may be read past its
    // end (the texts after it are not written yet, and the reads there are
    // masked off).
    entry_at -= width;
    write_entry(entry_at, wide, end + value.size(),
                measure_utf8(text + end, value.size(), total - end - value.size()));
    end += value.size();
  }
}

CompactTexts::CompactTexts(const CompactTexts &other) {
  if (other.block_ == nullptr) return;
  const std::size_t size = other.block_size();
  unsigned char *base = static_cast<unsigned char *>(::operator new(size));
  std::memcpy(base, other.base(), size);
  present_ = other.present_;
  block_ = base + (other.block_ - other.base());
}

CompactTexts &CompactTexts::operator=(const CompactTexts &other) {
  if (this != &other) *this = CompactTexts(other);
  return *this;
}

CompactTexts &CompactTexts::operator=(CompactTexts &&other) noexcept {
  if (this != &other) {
    if (block_ != nullptr) ::operator delete(base());
    present_ = std::exchange(other.present_, 0);
    block_ = std::exchange(other.block_, nullptr);
  }
  return *this;
}

CompactTexts::~CompactTexts() {
  if (block_ != nullptr) ::operator delete(base());
}

bool operator==(const CompactTexts &a, const CompactTexts &b) {
  if (a.present_ != b.present_) return false;
  // The texts are stored in slot order, so equal slots make equal blocks.
  const std::size_t size = a.block_size();
  return size == b.block_size() && (size == 0 || std::memcmp(a.base(), b.base(), size) == 0);
}

} // namespace velmora_py
