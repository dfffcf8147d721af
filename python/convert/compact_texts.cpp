#include "convert/compact_texts.hpp"

#include <limits>
#include <new>

namespace velmora_py {

CompactTexts::CompactTexts(std::uint64_t present, std::span<const std::string_view> values) {
  const std::size_t slots = values.size() < kMaxSlots ? values.size() : kMaxSlots;
  present &= (std::uint64_t{1} << slots) - 1;
  std::size_t total = 0;
  for (std::size_t i = 0; i < slots; ++i)
    if ((present >> i) & 1) total += values[i].size();
  const std::size_t count = count_bits(present);
  const bool wide = total > std::numeric_limits<std::uint32_t>::max();
  const std::size_t width = wide ? 8 : 4;
  if (count == 0) return;
  block_ = static_cast<unsigned char *>(::operator new(count * width + total)) + count * width;
  present_ = present | (wide ? kWide : 0);
  unsigned char *end_at = block_;
  char *text = reinterpret_cast<char *>(block_);
  std::size_t end = 0;
  for (std::size_t i = 0; i < slots; ++i) {
    if (!((present >> i) & 1)) continue;
    if (!values[i].empty()) std::memcpy(text + end, values[i].data(), values[i].size());
    end += values[i].size();
    if (wide) {
      const std::uint64_t e = end;
      std::memcpy(end_at - 8, &e, 8);
    } else {
      const std::uint32_t e = static_cast<std::uint32_t>(end);
      std::memcpy(end_at - 4, &e, 4);
    }
    end_at -= width;
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
