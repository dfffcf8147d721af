#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "convert/short_copy.hpp"

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

// The first `kept` bytes of v (1 to 16), zeros after them: a zero byte is
// ASCII and no continuation byte, so it changes neither figure.
inline __m128i keep_first(__m128i v, std::size_t kept) {
  return _mm_and_si128(v,
                       _mm_loadu_si128(reinterpret_cast<const __m128i *>(kKeepFirst + 16 - kept)));
}

inline std::size_t sum_lanes(__m128i sums) {
  return static_cast<std::size_t>(_mm_cvtsi128_si64(sums)) +
         static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
}

// The kind of a text from its bytes' lane-wise maximum: no top bit set is
// ASCII; otherwise the thresholds C4 and F0, tested as max(x, t) == x.
inline TextKind kind_of_widest(__m128i widest) {
  if (_mm_movemask_epi8(widest) == 0) return TextKind::Ascii;
  const auto reaches = [widest](unsigned char threshold) {
    const __m128i t = _mm_set1_epi8(static_cast<char>(threshold));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(widest, t), widest)) != 0;
  };
  return reaches(0xF0) ? TextKind::Astral : reaches(0xC4) ? TextKind::Bmp : TextKind::Latin1;
}
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
// summed before they can wrap. A text of one step that is all ASCII, the
// common case, is answered from its top bits alone.
inline TextShape measure_padded_utf8(const char *text, std::size_t size) {
  const auto *p = reinterpret_cast<const unsigned char *>(text);
  if (size == 0) return TextShape{0, TextKind::Ascii};
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i below_c0 = _mm_set1_epi8(-64); // signed, 80..BF are below C0
  // Most values take one step, and most of those are ASCII.
  if (size <= 16) {
    const __m128i v =
        detail::keep_first(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), size);
    if (_mm_movemask_epi8(v) == 0) return TextShape{size, TextKind::Ascii};
    const __m128i sums =
        _mm_sad_epu8(_mm_and_si128(_mm_cmplt_epi8(v, below_c0), _mm_set1_epi8(1)), zero);
    return TextShape{size - detail::sum_lanes(sums), detail::kind_of_widest(v)};
  }
  // Whole blocks, then the last one (1 to 16 bytes) masked.
  const std::size_t whole = (size - 1) / 16;
  __m128i widest = zero;
  __m128i sums = zero;
  __m128i counts = zero;
  for (std::size_t done = 0; done < whole;) {
    const std::size_t batch_end = whole - done < 255 ? whole : done + 255;
    for (; done < batch_end; ++done) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * done));
      widest = _mm_max_epu8(widest, v);
      counts = _mm_sub_epi8(counts, _mm_cmplt_epi8(v, below_c0));
    }
    sums = _mm_add_epi64(sums, _mm_sad_epu8(counts, zero));
    counts = zero;
  }
  const __m128i last = detail::keep_first(
      _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * whole)), size - 16 * whole);
  widest = _mm_max_epu8(widest, last);
  sums = _mm_add_epi64(
      sums, _mm_sad_epu8(_mm_and_si128(_mm_cmplt_epi8(last, below_c0), _mm_set1_epi8(1)), zero));
  return TextShape{size - detail::sum_lanes(sums), detail::kind_of_widest(widest)};
#else
  unsigned top = 0;
  std::size_t continuation = 0;
  for (std::size_t i = 0; i < size; ++i) {
    top = p[i] > top ? p[i] : top;
    continuation += (p[i] & 0xC0u) == 0x80u ? 1 : 0;
  }
  return TextShape{size - continuation, detail::kind_of_top(top)};
#endif
}

// The shape of valid UTF-8 text followed by `readable_after` bytes that
// may be read: a last partial block with less than the padding after it is
// measured from a padded copy.
inline TextShape measure_utf8(const char *text, std::size_t size, std::size_t readable_after) {
  if (readable_after >= kShapePadding || size % 16 == 0) return measure_padded_utf8(text, size);
  const std::size_t whole = size / 16 * 16;
  alignas(16) char last[16 + kShapePadding] = {};
  copy_short(last, text + whole, size - whole);
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
