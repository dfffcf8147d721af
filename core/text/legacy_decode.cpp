#include "text/legacy_decode.hpp"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "text/utf8.hpp"
#include "text/windows1251_internal.hpp"

namespace velmora::text {
namespace {

#include "text/windows1251_table.inc"

// WHATWG UTF-16 decoder; any place that would produce U+FFFD (unpaired lead
// or trail surrogate, odd trailing byte) makes the whole decode fail.
std::optional<std::string> decode_utf16(std::string_view bytes, bool big_endian) {
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
  const std::size_t n = bytes.size();
  if (n % 2 != 0) {
    return std::nullopt;
  }
  std::string out;
  out.reserve(n + n / 2);
  std::size_t i = 0;
  while (i < n) {
    const char32_t unit =
        big_endian ? (char32_t(p[i]) << 8) | p[i + 1] : (char32_t(p[i + 1]) << 8) | p[i];
    i += 2;
    if (unit < 0xD800 || unit > 0xDFFF) {
      append_utf8(out, unit);
      continue;
    }
    if (unit > 0xDBFF || i == n) {
      return std::nullopt; // lone trail, or lead at end of input
    }
    const char32_t trail =
        big_endian ? (char32_t(p[i]) << 8) | p[i + 1] : (char32_t(p[i + 1]) << 8) | p[i];
    if (trail < 0xDC00 || trail > 0xDFFF) {
      return std::nullopt; // lead not followed by a trail
    }
    i += 2;
    append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (trail - 0xDC00));
  }
  return out;
}

// A large output is written once from front to back, and with 4 KiB pages
// each first touch of a page is a fault that costs more than decoding the
// bytes into it. Huge pages on the whole 2 MiB pages inside the buffer take
// 512 times fewer faults, and waste nothing since the buffer is sized to be
// filled. Only a hint: where it is refused, the pages are merely small.
void prefer_huge_pages(char *buffer, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
  const auto start = reinterpret_cast<std::uintptr_t>(buffer);
  const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (start + size) & ~(kHugePage - 1);
  if (end > begin) (void)madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)buffer;
  (void)size;
#endif
}

// The output is sized once, tightly: a count over the input is cheaper than
// reserving three bytes per byte, most of which a statement never uses.
std::string decode_windows1251(std::string_view bytes) {
  const auto &best = simd::best<detail::windows1251_implementations>();
  std::string out;
  out.resize_and_overwrite(best.capacity(bytes), [&](char *dst, std::size_t room) {
    prefer_huge_pages(dst, room);
    return static_cast<std::size_t>(best.decode(bytes, dst) - dst);
  });
  return out;
}

bool starts_with(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

} // namespace

bool is_windows1251_fallback(std::string_view bytes) {
  return !starts_with(bytes, "\xEF\xBB\xBF") && !starts_with(bytes, "\xFF\xFE") &&
         !starts_with(bytes, "\xFE\xFF");
}

void decode_windows1251_into(std::string_view bytes, std::string &out) {
  const auto &best = simd::best<detail::windows1251_implementations>();
  out.resize_and_overwrite(best.capacity(bytes), [&](char *dst, std::size_t) {
    return static_cast<std::size_t>(best.decode(bytes, dst) - dst);
  });
}

char32_t windows1251_to_code_point(unsigned char byte) { return kWindows1251[byte]; }

std::optional<std::string> decode_legacy(std::string_view bytes) {
  if (starts_with(bytes, "\xEF\xBB\xBF")) {
    const std::string_view rest = bytes.substr(3);
    if (!is_valid_utf8(rest)) {
      return std::nullopt;
    }
    return std::string(rest);
  }
  if (starts_with(bytes, "\xFF\xFE")) {
    return decode_utf16(bytes.substr(2), false);
  }
  if (starts_with(bytes, "\xFE\xFF")) {
    return decode_utf16(bytes.substr(2), true);
  }
  return decode_windows1251(bytes);
}

} // namespace velmora::text
