#include "text/windows1251_internal.hpp"

#if VELMORA_SIMD_X86

#include <immintrin.h>

#include <array>
#include <cstdint>

// Statement text is Cyrillic letters between ASCII blanks, digits and
// punctuation; the few other bytes (80..BF: №, «», ё, ...) are left to the
// table path a block at a time. A Cyrillic byte C0..FF is U+0410..U+044F,
// two UTF-8 bytes computed with a handful of vector operations: the lead is
// D0 below F0 and D1 from there, the trail ((b - 0x30) & 0x3F) | 0x80. Leads
// and trails are interleaved, and each group of eight input bytes is
// compacted by one shuffle chosen by which of them are Cyrillic, dropping
// the trails of the ASCII bytes.

namespace velmora::text::detail {
namespace {

constexpr std::size_t kGroup = 8;

// For each set of Cyrillic bytes among eight (bit j for byte j), the shuffle
// that keeps lead 2j always and trail 2j+1 only for the Cyrillic ones.
struct alignas(16) CompactShuffle {
  std::uint8_t index[16];
};

constexpr auto kCompact = [] {
  std::array<CompactShuffle, 256> rows{};
  for (unsigned mask = 0; mask < 256; ++mask) {
    unsigned out = 0;
    for (unsigned j = 0; j < kGroup; ++j) {
      rows[mask].index[out++] = static_cast<std::uint8_t>(2 * j);
      if ((mask >> j) & 1) rows[mask].index[out++] = static_cast<std::uint8_t>(2 * j + 1);
    }
    while (out < 16) rows[mask].index[out++] = 0x80; // zero, past the group's output
  }
  return rows;
}();

// Bytes a group's output takes: one per byte and one more per Cyrillic byte.
// A table, since popcount is no part of SSSE3.
constexpr auto kCompactSize = [] {
  std::array<std::uint8_t, 256> sizes{};
  for (unsigned mask = 0; mask < 256; ++mask) {
    sizes[mask] =
        static_cast<std::uint8_t>(kGroup + static_cast<unsigned>(__builtin_popcount(mask)));
  }
  return sizes;
}();

// A compacted group is stored as a whole vector, up to eight bytes past its
// output, and the table path stores up to three; a block is decoded only
// while at least this many input bytes follow it, whose room takes them.
constexpr std::size_t kSpare = 8;

constexpr char kLeadBelowF0 = static_cast<char>(0xD0);
constexpr char kLastBeforeF0 = static_cast<char>(0xEF);
constexpr char kFirstCyrillic = static_cast<char>(0xC0);

} // namespace

VELMORA_TARGET_REGION_BEGIN(VELMORA_ISA_SSSE3)
namespace {

inline __m128i load_compact(unsigned mask) {
  return _mm_load_si128(reinterpret_cast<const __m128i *>(kCompact[mask].index));
}

// Sixteen bytes of ASCII and C0..FF, with high holding their sign bits.
inline char *expand16(__m128i v, unsigned high, char *w) {
  const __m128i cyrillic = _mm_cmplt_epi8(v, _mm_setzero_si128());
  // Signed: F0..FF are the only bytes above EF apart from ASCII, which
  // keeps its own byte as the lead.
  const __m128i from_f0 = _mm_cmpgt_epi8(v, _mm_set1_epi8(kLastBeforeF0));
  const __m128i cyrillic_lead = _mm_sub_epi8(_mm_set1_epi8(kLeadBelowF0), from_f0);
  const __m128i lead =
      _mm_or_si128(_mm_and_si128(cyrillic, cyrillic_lead), _mm_andnot_si128(cyrillic, v));
  const __m128i trail =
      _mm_or_si128(_mm_and_si128(_mm_add_epi8(v, _mm_set1_epi8(0x10)), _mm_set1_epi8(0x3F)),
                   _mm_set1_epi8(static_cast<char>(0x80)));
  const unsigned low_mask = high & 0xFF, high_mask = high >> 8;
  _mm_storeu_si128(reinterpret_cast<__m128i *>(w),
                   _mm_shuffle_epi8(_mm_unpacklo_epi8(lead, trail), load_compact(low_mask)));
  w += kCompactSize[low_mask];
  _mm_storeu_si128(reinterpret_cast<__m128i *>(w),
                   _mm_shuffle_epi8(_mm_unpackhi_epi8(lead, trail), load_compact(high_mask)));
  return w + kCompactSize[high_mask];
}

// 80..BF are, as signed bytes, exactly those below C0.
inline unsigned outside_cyrillic_and_ascii(__m128i v) {
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, _mm_set1_epi8(kFirstCyrillic))));
}

inline char *decode_block16(const unsigned char *p, char *w) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
  const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
  if (high == 0) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(w), v);
    return w + 16;
  }
  if (outside_cyrillic_and_ascii(v) != 0) return windows1251_decode_table_padded(p, 16, w);
  return expand16(v, high, w);
}

// The blocks of sixteen that fit with their spare room, then the table path.
inline char *decode_rest16(const unsigned char *p, std::size_t n, char *w) {
  std::size_t i = 0;
  for (; n - i >= 16 + kSpare; i += 16) w = decode_block16(p + i, w);
  return windows1251_decode_table({reinterpret_cast<const char *>(p + i), n - i}, w);
}

} // namespace

char *windows1251_decode_ssse3(std::string_view bytes, char *dst) {
  return decode_rest16(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), dst);
}
VELMORA_TARGET_REGION_END

VELMORA_TARGET_REGION_BEGIN(VELMORA_ISA_AVX2)
namespace {

inline __m256i load_compact_pair(unsigned low_lane, unsigned high_lane) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(load_compact(low_lane)),
                                 load_compact(high_lane), 1);
}

// Unpacking works within 128-bit lanes, so the low unpack holds groups 0
// and 2 and the high one groups 1 and 3; they are stored in input order.
inline char *expand32(__m256i v, unsigned high, char *w) {
  const __m256i cyrillic = _mm256_cmpgt_epi8(_mm256_setzero_si256(), v);
  const __m256i from_f0 = _mm256_cmpgt_epi8(v, _mm256_set1_epi8(kLastBeforeF0));
  const __m256i cyrillic_lead = _mm256_sub_epi8(_mm256_set1_epi8(kLeadBelowF0), from_f0);
  const __m256i lead = _mm256_blendv_epi8(v, cyrillic_lead, cyrillic);
  const __m256i trail = _mm256_or_si256(
      _mm256_and_si256(_mm256_add_epi8(v, _mm256_set1_epi8(0x10)), _mm256_set1_epi8(0x3F)),
      _mm256_set1_epi8(static_cast<char>(0x80)));
  const unsigned m0 = high & 0xFF, m1 = (high >> 8) & 0xFF, m2 = (high >> 16) & 0xFF,
                 m3 = high >> 24;
  const __m256i groups02 =
      _mm256_shuffle_epi8(_mm256_unpacklo_epi8(lead, trail), load_compact_pair(m0, m2));
  const __m256i groups13 =
      _mm256_shuffle_epi8(_mm256_unpackhi_epi8(lead, trail), load_compact_pair(m1, m3));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(w), _mm256_castsi256_si128(groups02));
  w += kCompactSize[m0];
  _mm_storeu_si128(reinterpret_cast<__m128i *>(w), _mm256_castsi256_si128(groups13));
  w += kCompactSize[m1];
  _mm_storeu_si128(reinterpret_cast<__m128i *>(w), _mm256_extracti128_si256(groups02, 1));
  w += kCompactSize[m2];
  _mm_storeu_si128(reinterpret_cast<__m128i *>(w), _mm256_extracti128_si256(groups13, 1));
  return w + kCompactSize[m3];
}

// A block with a byte in 80..BF goes by halves, so that the clean half keeps
// the vector path.
inline char *decode_block32(const unsigned char *p, char *w) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
  const unsigned high = static_cast<unsigned>(_mm256_movemask_epi8(v));
  if (high == 0) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(w), v);
    return w + 32;
  }
  const __m256i outside = _mm256_cmpgt_epi8(_mm256_set1_epi8(kFirstCyrillic), v);
  if (_mm256_testz_si256(outside, outside)) return expand32(v, high, w);
  w = decode_block16(p, w);
  return decode_block16(p + 16, w);
}

} // namespace

char *windows1251_decode_avx2(std::string_view bytes, char *dst) {
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
  const std::size_t n = bytes.size();
  char *w = dst;
  std::size_t i = 0;
  for (; n - i >= 32 + kSpare; i += 32) w = decode_block32(p + i, w);
  return decode_rest16(p + i, n - i, w);
}

// Per byte lane: minus the all-ones comparisons, one for >= 0x80 and one
// more for 80..BF. A lane gains at most two per block, so 127 blocks fit
// before the lanes are summed.
std::size_t windows1251_utf8_capacity_avx2(std::string_view bytes) {
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
  const std::size_t n = bytes.size();
  const __m256i zero = _mm256_setzero_si256();
  const __m256i first_cyrillic = _mm256_set1_epi8(kFirstCyrillic);
  std::size_t extra = 0;
  std::size_t i = 0;
  while (n - i >= 32) {
    __m256i lanes = zero;
    for (std::size_t k = 0; k < 127 && n - i >= 32; ++k, i += 32) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + i));
      lanes = _mm256_sub_epi8(lanes, _mm256_cmpgt_epi8(zero, v));
      lanes = _mm256_sub_epi8(lanes, _mm256_cmpgt_epi8(first_cyrillic, v));
    }
    const __m256i sums = _mm256_sad_epu8(lanes, zero);
    extra +=
        static_cast<std::size_t>(_mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
                                 _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3));
  }
  return i + extra + windows1251_utf8_capacity({bytes.data() + i, n - i});
}
VELMORA_TARGET_REGION_END

} // namespace velmora::text::detail

#endif
