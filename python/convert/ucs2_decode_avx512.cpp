#include "convert/ucs2_decode_avx512.hpp"

#if VELMORA_SIMD_X86
#include <immintrin.h>
#endif

namespace velmora_py::ucs2 {

#if VELMORA_SIMD_X86

bool avx512_runs_here() {
  // The compiler's check includes the operating system's saving of the
  // 512-bit registers.
  static const bool usable = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512vbmi2");
  }();
  return usable;
}

VELMORA_TARGET_REGION_BEGIN("avx512bw,avx512vl,avx512vbmi2")

namespace {

// 32 positions a step, each with the two bytes after it. Masked loads and
// stores do the last step in place: the bytes and units outside the masks
// are neither read nor written.
constexpr std::size_t kWideStep = 32;

__mmask32 first_bits(std::size_t n) {
  return n >= 32 ? ~__mmask32{0} : static_cast<__mmask32>((std::uint32_t{1} << n) - 1);
}

__m512i load_units(const unsigned char *p, __mmask32 readable) {
  return _mm512_cvtepu8_epi16(_mm256_maskz_loadu_epi8(readable, p));
}

// As in the SSSE3 and AVX2 kernels: each lane's unit if a character starts
// there, from its byte and the two after it.
__m512i units(__m512i b0, __m512i b1, __m512i b2) {
  const __m512i low6 = _mm512_set1_epi16(0x3F);
  const __m512i c1 = _mm512_and_si512(b1, low6);
  const __m512i c2 = _mm512_and_si512(b2, low6);
  const __m512i two =
      _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(b0, _mm512_set1_epi16(0x1F)), 6), c1);
  const __m512i three =
      _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi16(b0, 12), _mm512_slli_epi16(c1, 6)), c2);
  const __m512i multi =
      _mm512_mask_blend_epi16(_mm512_cmpgt_epu16_mask(b0, _mm512_set1_epi16(0xDF)), two, three);
  return _mm512_mask_blend_epi16(_mm512_cmpgt_epu16_mask(b0, _mm512_set1_epi16(0x7F)), b0, multi);
}

} // namespace

void decode_avx512(std::string_view text, std::uint16_t *out, std::size_t count) {
  const auto *p = reinterpret_cast<const unsigned char *>(text.data());
  std::size_t left = text.size();
  std::size_t room = count;
  while (left != 0 && room != 0) {
    const __mmask32 readable = first_bits(left);
    const __m256i v0 = _mm256_maskz_loadu_epi8(readable, p);
    // Signed, the bytes that start a character (00..7F, C0..FF) are above
    // BF and the continuation bytes (80..BF) are not.
    const __mmask32 starts = _mm256_cmpgt_epi8_mask(v0, _mm256_set1_epi8(-65)) & readable;
    const __m512i all = units(_mm512_cvtepu8_epi16(v0), load_units(p + 1, first_bits(left - 1)),
                              load_units(p + 2, first_bits(left > 1 ? left - 2 : 0)));
    const __m512i packed = _mm512_maskz_compress_epi16(starts, all);
    const std::size_t made = static_cast<std::size_t>(__builtin_popcount(starts));
    const std::size_t kept = made < room ? made : room;
    _mm512_mask_storeu_epi16(out, first_bits(kept), packed);
    out += kept;
    room -= kept;
    const std::size_t step = left < kWideStep ? left : kWideStep;
    p += step;
    left -= step;
  }
  for (; room != 0; --room) *out++ = 0; // only for inconsistent input
}

VELMORA_TARGET_REGION_END

#endif

} // namespace velmora_py::ucs2
