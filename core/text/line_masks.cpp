#include "text/line_masks.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if VELMORA_SIMD_X86
#include <immintrin.h>
#endif

namespace velmora::text {

namespace detail {

void line_masks_scalar(const char *p, std::size_t blocks, std::uint64_t *feeds,
                       std::uint64_t *equals) {
  for (std::size_t b = 0; b < blocks; ++b, p += kMaskBlock) {
    std::uint64_t f = 0;
    std::uint64_t e = 0;
    for (std::size_t i = 0; i < kMaskBlock; ++i) {
      f |= std::uint64_t{p[i] == '\n'} << i;
      e |= std::uint64_t{p[i] == '='} << i;
    }
    feeds[b] = f;
    equals[b] = e;
  }
}

#if defined(__SSE2__)
// SSE2 is part of the x86-64 baseline: no target region is needed.
void line_masks_sse2(const char *p, std::size_t blocks, std::uint64_t *feeds,
                     std::uint64_t *equals) {
  const __m128i feed = _mm_set1_epi8('\n');
  const __m128i equal = _mm_set1_epi8('=');
  for (std::size_t b = 0; b < blocks; ++b, p += kMaskBlock) {
    std::uint64_t f = 0;
    std::uint64_t e = 0;
    for (unsigned part = 0; part < 4; ++part) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * part));
      const auto fm = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, feed)));
      const auto em = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, equal)));
      f |= std::uint64_t{fm} << (16 * part);
      e |= std::uint64_t{em} << (16 * part);
    }
    feeds[b] = f;
    equals[b] = e;
  }
}
#endif

#if VELMORA_SIMD_X86
VELMORA_TARGET_REGION_BEGIN(VELMORA_ISA_AVX2)
void line_masks_avx2(const char *p, std::size_t blocks, std::uint64_t *feeds,
                     std::uint64_t *equals) {
  const __m256i feed = _mm256_set1_epi8('\n');
  const __m256i equal = _mm256_set1_epi8('=');
  for (std::size_t b = 0; b < blocks; ++b, p += kMaskBlock) {
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 32));
    const auto flo = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(lo, feed)));
    const auto fhi = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hi, feed)));
    const auto elo = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(lo, equal)));
    const auto ehi = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hi, equal)));
    feeds[b] = std::uint64_t{flo} | (std::uint64_t{fhi} << 32);
    equals[b] = std::uint64_t{elo} | (std::uint64_t{ehi} << 32);
  }
}
VELMORA_TARGET_REGION_END
#endif

} // namespace detail

namespace {

// Slowest first, so that the last one this processor runs is the best.
constexpr LineMaskImplementation kImplementations[] = {
    {"scalar", simd::Isa::Baseline, detail::line_masks_scalar},
#if defined(__SSE2__)
    {"sse2", simd::Isa::Baseline, detail::line_masks_sse2},
#endif
#if VELMORA_SIMD_X86
    {"avx2", simd::Isa::Avx2, detail::line_masks_avx2},
#endif
};

} // namespace

std::span<const LineMaskImplementation> line_mask_implementations() { return kImplementations; }

} // namespace velmora::text
