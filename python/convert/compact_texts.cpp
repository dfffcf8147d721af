#include "convert/compact_texts.hpp"

#include <limits>
#include <new>

namespace velmora_py {

CompactTexts::CompactTexts(std::uint64_t present, std::span<const std::string_view> values) {
  std::size_t total = 0;
  std::size_t count = 0;
  for (std::size_t i = 0; i < values.size() && i < kMaxSlots; ++i) {
    if (!((present >> i) & 1)) continue;
    total += values[i].size();
    ++count;
  }
  const bool wide = total > std::numeric_limits<std::uint32_t>::max();
  const std::size_t width = wide ? 8 : 4;
  const std::size_t size = sizeof(Header) + count * width + total;
  block_ = static_cast<unsigned char *>(::operator new(size));
  Header header{};
  header.present = present & ((std::uint64_t{1} << values.size()) - 1);
  header.wide = wide ? 1 : 0;
  header.size = size;
  std::memcpy(block_, &header, sizeof header);
  unsigned char *end_at = block_ + sizeof(Header);
  char *text = reinterpret_cast<char *>(end_at + count * width);
  std::size_t end = 0;
  for (std::size_t i = 0; i < values.size() && i < kMaxSlots; ++i) {
    if (!((present >> i) & 1)) continue;
    if (!values[i].empty()) std::memcpy(text + end, values[i].data(), values[i].size());
    end += values[i].size();
    if (wide) {
      const std::uint64_t e = end;
      std::memcpy(end_at, &e, 8);
    } else {
      const std::uint32_t e = static_cast<std::uint32_t>(end);
      std::memcpy(end_at, &e, 4);
    }
    end_at += width;
  }
}

CompactTexts::CompactTexts(const CompactTexts &other) {
  if (other.block_ == nullptr) return;
  const std::size_t size = other.header().size;
  block_ = static_cast<unsigned char *>(::operator new(size));
  std::memcpy(block_, other.block_, size);
}

CompactTexts &CompactTexts::operator=(const CompactTexts &other) {
  if (this != &other) *this = CompactTexts(other);
  return *this;
}

CompactTexts &CompactTexts::operator=(CompactTexts &&other) noexcept {
  if (this != &other) {
    ::operator delete(block_);
    block_ = other.block_;
    other.block_ = nullptr;
  }
  return *this;
}

CompactTexts::~CompactTexts() { ::operator delete(block_); }

std::size_t CompactTexts::end_of(std::size_t k) const {
  if (header().wide) {
    std::uint64_t e;
    std::memcpy(&e, ends() + k * 8, 8);
    return static_cast<std::size_t>(e);
  }
  std::uint32_t e;
  std::memcpy(&e, ends() + k * 4, 4);
  return e;
}

std::string_view CompactTexts::at(std::size_t slot) const {
  // The rank of the slot among the present ones.
  const std::uint64_t below = present() & ((std::uint64_t{1} << slot) - 1);
  const std::size_t k = static_cast<std::size_t>(__builtin_popcountll(below));
  const std::size_t begin = k == 0 ? 0 : end_of(k - 1);
  return std::string_view(texts() + begin, end_of(k) - begin);
}

bool operator==(const CompactTexts &a, const CompactTexts &b) {
  if (a.present() != b.present()) return false;
  if (a.block_ == nullptr || b.block_ == nullptr) return true; // both have no slot
  // The texts are stored in slot order, so equal slots make equal blocks.
  const std::size_t size = a.header().size;
  return size == b.header().size && a.header().wide == b.header().wide &&
         std::memcmp(a.block_ + sizeof(CompactTexts::Header),
                     b.block_ + sizeof(CompactTexts::Header),
                     size - sizeof(CompactTexts::Header)) == 0;
}

} // namespace velmora_py
