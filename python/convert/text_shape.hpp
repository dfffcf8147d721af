#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora_py {

// The storage a Python str of a text needs, by its widest character: CPython
// keeps every str in the narrowest of these that holds it, and a str made
// in a wider one than that would compare and hash unlike the same text
// decoded by the interpreter.
enum class TextKind : std::uint8_t {
  Ascii = 0,  // every character below U+0080
  Latin1 = 1, // widest character U+0080..U+00FF
  Bmp = 2,    // widest character U+0100..U+FFFF
  Astral = 3, // a character above U+FFFF
};

// What creating the str of a UTF-8 text needs to know up front.
struct TextShape {
  std::size_t length; // code points
  TextKind kind;
};

// Bytes that measure_padded_utf8 may read past the end of its text.
inline constexpr std::size_t kShapePadding = 15;

namespace detail {

inline TextKind kind_of_top(unsigned top) {
  return top < 0x80   ? TextKind::Ascii
         : top < 0xC4 ? TextKind::Latin1
         : top < 0xF0 ? TextKind::Bmp
                      : TextKind::Astral;
}

#if defined(__SSE2__)
// 16 bytes of FF, then zeros: 16 bytes loaded from 16 - r keep the first r.
alignas(16) inline constexpr unsigned char kKeepFirst[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0,    0,    0,    0,    0,    0};
#endif

} // namespace detail

// The shape of valid UTF-8 text (the parse has checked it), reading up to
// kShapePadding bytes past its end, which must be readable. Pure C++, so
// it runs while the records are built, outside the interpreter lock.
//
// The code points are the bytes that are not continuation bytes (80..BF),
// and the widest character follows from the largest byte, since a lead byte
// below C4 starts a character up to U+00FF, below F0 one up to U+FFFF, and
// continuation bytes sort below every lead byte of a multi-byte character.
// SSE2, part of the x86-64 baseline, takes sixteen bytes a step, the last
// step masked to the text: byte-wide maxima and counters, the counters
// summed before they can wrap.
inline TextShape measure_padded_utf8(const char *text, std::size_t size) {
  const auto *p = reinterpret_cast<const unsigned char *>(text);
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i below_c0 = _mm_set1_epi8(-64); // signed, 80..BF are below C0
  __m128i widest = zero;
  __m128i sums = zero;
  const std::size_t blocks = (size + 15) / 16;
  for (std::size_t done = 0; done < blocks;) {
    const std::size_t batch = blocks - done < 255 ? blocks - done : 255;
    __m128i counts = zero;
    for (std::size_t i = 0; i < batch; ++i, ++done) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * done));
      if (done + 1 == blocks) {
        const std::size_t kept = size - 16 * done;
        v = _mm_and_si128(
            v, _mm_loadu_si128(reinterpret_cast<const __m128i *>(detail::kKeepFirst + 16 - kept)));
      }
      widest = _mm_max_epu8(widest, v);
      counts = _mm_sub_epi8(counts, _mm_cmplt_epi8(v, below_c0));
    }
    sums = _mm_add_epi64(sums, _mm_sad_epu8(counts, zero));
  }
  // Only the order of the largest byte matters: a byte at or above 80 sets
  // its lane's top bit, and the kind thresholds are read from the maximum.
  widest = _mm_max_epu8(widest, _mm_srli_si128(widest, 8));
  widest = _mm_max_epu8(widest, _mm_srli_si128(widest, 4));
  widest = _mm_max_epu8(widest, _mm_srli_si128(widest, 2));
  widest = _mm_max_epu8(widest, _mm_srli_si128(widest, 1));
  const auto top = static_cast<unsigned>(_mm_cvtsi128_si32(widest)) & 0xFFu;
  const auto continuation =
      static_cast<std::size_t>(_mm_cvtsi128_si64(sums)) +
      static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#else
  unsigned top = 0;
  std::size_t continuation = 0;
  for (std::size_t i = 0; i < size; ++i) {
    top = p[i] > top ? p[i] : top;
    continuation += (p[i] & 0xC0u) == 0x80u ? 1 : 0;
  }
#endif
  return TextShape{size - continuation, detail::kind_of_top(top)};
}

// The shape of valid UTF-8 text followed by `readable_after` bytes that
// may be read: a last partial block with less than the padding after it is
// measured from a padded copy.
inline TextShape measure_utf8(const char *text, std::size_t size, std::size_t readable_after) {
  if (readable_after >= kShapePadding || size % 16 == 0) return measure_padded_utf8(text, size);
  const std::size_t whole = size / 16 * 16;
  alignas(16) char last[16 + kShapePadding] = {};
  std::memcpy(last, text + whole, size - whole);
  const TextShape head = measure_padded_utf8(text, whole);
  const TextShape tail = measure_padded_utf8(last, size - whole);
  return TextShape{head.length + tail.length, head.kind > tail.kind ? head.kind : tail.kind};
}

// A stored text with its shape.
struct ShapedText {
  std::string_view utf8;
  TextShape shape;
};

} // namespace velmora_py
