#include <array>
#include <cstdint>
#include <cstring>

#include "text/windows1251_internal.hpp"

namespace velmora::text::detail {
namespace {

#include "text/windows1251_table.inc"

// Each byte's UTF-8 form, computed once at compile time, so decoding is one
// table load and one small copy per non-ASCII byte.
struct Utf8Form {
  char bytes[4];
  unsigned char size;
};

constexpr Utf8Form utf8_form(char32_t cp) {
  if (cp < 0x80) return {{static_cast<char>(cp), 0, 0, 0}, 1};
  if (cp < 0x800)
    return {{static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F)), 0, 0}, 2};
  return {{static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
           static_cast<char>(0x80 | (cp & 0x3F)), 0},
          3};
}

constexpr auto kWindows1251Utf8 = [] {
  std::array<Utf8Form, 256> forms{};
  for (std::size_t b = 0; b < 256; ++b) forms[b] = utf8_form(kWindows1251[b]);
  return forms;
}();

// windows1251_utf8_capacity is only sound while every byte's form fits in
// that byte's share of the room; a change to the index would show here.
constexpr bool capacity_covers_every_form() {
  for (std::size_t b = 0; b < 256; ++b) {
    const std::size_t room = 1 + (b >= 0x80) + (b >= 0x80 && b < 0xC0);
    if (kWindows1251Utf8[b].size > room) return false;
  }
  return true;
}
static_assert(capacity_covers_every_form());

constexpr std::uint64_t kEveryByte(std::uint8_t v) { return 0x0101010101010101ULL * v; }

// Lane counts of up to 254 summed without overflow: pairs into 16-bit lanes
// first, then the four lanes by one multiplication.
std::size_t sum_byte_lanes(std::uint64_t lanes) {
  constexpr std::uint64_t kEven = 0x00FF00FF00FF00FFULL;
  const std::uint64_t pairs = (lanes & kEven) + ((lanes >> 8) & kEven);
  return static_cast<std::size_t>((pairs * 0x0001000100010001ULL) >> 48);
}

} // namespace

// Counted a word at a time into byte lanes instead of with popcount, which
// the baseline x86-64 target has no instruction for. A lane gains at most two
// per word, so 127 words fit before the lanes are summed.
std::size_t windows1251_utf8_capacity(std::string_view bytes) {
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
  const std::size_t n = bytes.size();
  constexpr std::uint64_t kHigh = kEveryByte(0x80);
  constexpr std::uint64_t kOne = kEveryByte(0x01);
  std::size_t extra = 0;
  std::size_t i = 0;
  while (n - i >= 8) {
    std::uint64_t lanes = 0;
    for (std::size_t k = 0; k < 127 && n - i >= 8; ++k, i += 8) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      const std::uint64_t high = word & kHigh;
      const std::uint64_t high_without_bit6 = high & ~(word << 1); // 80..BF
      lanes += ((high >> 7) & kOne) + ((high_without_bit6 >> 7) & kOne);
    }
    extra += sum_byte_lanes(lanes);
  }
  for (; i < n; ++i) extra += (p[i] >= 0x80) + (p[i] >= 0x80 && p[i] < 0xC0);
  return n + extra;
}

char *windows1251_decode_table_padded(const unsigned char *p, std::size_t n, char *dst) {
  char *w = dst;
  std::size_t i = 0;
  // Blocks of eight: pure ASCII is copied as it is; a mixed block goes
  // byte by byte through the table without a branch per byte, since
  // Cyrillic words and ASCII blanks alternate too often to predict.
  for (; n - i >= 8; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    if ((word & kEveryByte(0x80)) == 0) {
      std::memcpy(w, p + i, 8);
      w += 8;
      continue;
    }
    for (std::size_t k = 0; k < 8; ++k) {
      const Utf8Form &form = kWindows1251Utf8[p[i + k]];
      std::memcpy(w, form.bytes, 4); // the spare bytes are overwritten next
      w += form.size;
    }
  }
  for (; i < n; ++i) {
    const Utf8Form &form = kWindows1251Utf8[p[i]];
    std::memcpy(w, form.bytes, 4);
    w += form.size;
  }
  return w;
}

// The padded path may run up to the last three bytes: their room, at least
// one byte each, takes its spare stores; they go exactly.
char *windows1251_decode_table(std::string_view bytes, char *dst) {
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
  const std::size_t n = bytes.size();
  const std::size_t padded = n > 3 ? n - 3 : 0;
  char *w = windows1251_decode_table_padded(p, padded, dst);
  for (std::size_t i = padded; i < n; ++i) {
    const Utf8Form &form = kWindows1251Utf8[p[i]];
    for (std::size_t k = 0; k < form.size; ++k) *w++ = form.bytes[k];
  }
  return w;
}

} // namespace velmora::text::detail
