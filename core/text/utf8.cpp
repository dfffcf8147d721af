#include "text/utf8.hpp"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/utf8_internal.hpp"
#include "text/utf8_validators.hpp"

namespace velmora::text {

namespace {

// Checks p[0..n) one scalar value at a time, strictly; returns the index
// just past the last sequence checked, stopping once `until` is reached,
// or npos on the first ill-formed sequence.
std::size_t check_scalar(const unsigned char *p, std::size_t n, std::size_t i, std::size_t until) {
  while (i < n && i < until) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    char32_t cp;
    const std::size_t len = detail::decode_one(p + i, n - i, cp);
    if (len == 0) {
      return std::string_view::npos;
    }
    i += len;
  }
  return i;
}

#if defined(__SSE2__)
// Sixteen bytes at a time for the text a statement holds: ASCII and
// two-byte sequences (Cyrillic). A block is accepted when every byte at or
// above 0x80 is either a lead C2..DF directly followed by a continuation,
// or that continuation; a lead in the last byte is left to the next block.
// Anything else (three- and four-byte sequences, errors) goes through the
// strict scalar check. Returns how many bytes were accepted from p, always
// ending on a sequence boundary.
std::size_t accept_block(const unsigned char *p) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
  const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(x));
  if (high == 0) {
    return 16;
  }
  const __m128i cont = _mm_cmplt_epi8(x, _mm_set1_epi8(-64));               // 80..BF
  const __m128i lead = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(-63)), // C2..DF
                                     _mm_cmplt_epi8(x, _mm_set1_epi8(-32)));
  const unsigned c = static_cast<unsigned>(_mm_movemask_epi8(cont));
  const unsigned l = static_cast<unsigned>(_mm_movemask_epi8(lead));
  if ((l | c) != high || c != ((l << 1) & 0xFFFF)) {
    return 0;
  }
  return (l & 0x8000) != 0 ? 15 : 16;
}
#endif

} // namespace

namespace detail {

bool valid_utf8_scalar(std::string_view bytes) {
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
  return check_scalar(p, bytes.size(), 0, bytes.size()) != std::string_view::npos;
}

#if defined(__SSE2__)
bool valid_utf8_sse2(std::string_view bytes) {
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (n - i >= 16) {
    const std::size_t accepted = accept_block(p + i);
    if (accepted != 0) {
      i += accepted;
      continue;
    }
    i = check_scalar(p, n, i, i + 16);
    if (i == std::string_view::npos) {
      return false;
    }
  }
  return check_scalar(p, n, i, n) != std::string_view::npos;
}
#endif

namespace {

constexpr Utf8Validator kValidators[] = {
    {"scalar", simd::Isa::Baseline, valid_utf8_scalar},
#if defined(__SSE2__)
    {"sse2", simd::Isa::Baseline, valid_utf8_sse2},
#endif
#if VELMORA_SIMD_X86
    {"ssse3", simd::Isa::Ssse3, valid_utf8_ssse3},
    {"avx2", simd::Isa::Avx2, valid_utf8_avx2},
#endif
};

} // namespace

std::span<const Utf8Validator> utf8_validators() { return kValidators; }

} // namespace detail

bool is_valid_utf8(std::string_view bytes) {
  return simd::best<detail::utf8_validators>().check(bytes);
}

void append_utf8(std::string &out, char32_t cp) {
  if (cp >= 0xD800 && (cp <= 0xDFFF || cp > 0x10FFFF)) {
    cp = 0xFFFD; // not a scalar value: write the replacement character
  }
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    const char buf[2] = {static_cast<char>(0xC0 | (cp >> 6)),
                         static_cast<char>(0x80 | (cp & 0x3F))};
    out.append(buf, 2);
  } else if (cp < 0x10000) {
    const char buf[3] = {static_cast<char>(0xE0 | (cp >> 12)),
                         static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                         static_cast<char>(0x80 | (cp & 0x3F))};
    out.append(buf, 3);
  } else {
    const char buf[4] = {
        static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
        static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
    out.append(buf, 4);
  }
}

char32_t next_code_point(std::string_view s, std::size_t &i) {
  if (i >= s.size()) {
    return 0xFFFD; // nothing to decode; i is left unchanged
  }
  const auto *p = reinterpret_cast<const unsigned char *>(s.data()) + i;
  if (*p < 0x80) {
    ++i;
    return *p;
  }
  char32_t cp;
  const std::size_t len = detail::decode_one(p, s.size() - i, cp);
  if (len == 0) {
    ++i; // ill-formed input: one byte becomes U+FFFD
    return 0xFFFD;
  }
  i += len;
  return cp;
}

} // namespace velmora::text
