#include "convert/ucs2_decode.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "convert/short_copy.hpp"
#include "convert/ucs2_decode_avx512.hpp"

#if VELMORA_SIMD_X86
#include <immintrin.h>
#endif

namespace velmora_py {
namespace {

using velmora::text::simd::Isa;

void decode_scalar(std::string_view text, std::uint16_t *out, std::size_t units) {
  const auto *p = reinterpret_cast<const unsigned char *>(text.data());
  const unsigned char *const end = p + text.size();
  std::uint16_t *const stop = out + units;
  while (out < stop && p < end) {
    const unsigned b = *p;
    if (b < 0x80) {
      *out++ = static_cast<std::uint16_t>(b);
      p += 1;
    } else if (b < 0xE0) {
      *out++ = static_cast<std::uint16_t>((b & 0x1F) << 6 | (p[1] & 0x3F));
      p += 2;
    } else {
      *out++ = static_cast<std::uint16_t>((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
      p += 3;
    }
  }
  if (out < stop) std::memset(out, 0, (stop - out) * sizeof *out);
}

#if VELMORA_SIMD_X86

// For each set of kept lanes among eight 16-bit lanes, the byte shuffle that
// moves them to the front in order, and how many there are.
struct Compaction {
  std::array<std::array<unsigned char, 16>, 256> shuffle{};
  std::array<unsigned char, 256> kept{};
};

constexpr Compaction make_compaction() {
  Compaction c;
  for (unsigned mask = 0; mask < 256; ++mask) {
    unsigned n = 0;
    for (unsigned lane = 0; lane < 8; ++lane) {
      if (!((mask >> lane) & 1)) continue;
      c.shuffle[mask][2 * n] = static_cast<unsigned char>(2 * lane);
      c.shuffle[mask][2 * n + 1] = static_cast<unsigned char>(2 * lane + 1);
      ++n;
    }
    for (unsigned i = 2 * n; i < 16; ++i) c.shuffle[mask][i] = 0x80; // zero
    c.kept[mask] = static_cast<unsigned char>(n);
  }
  return c;
}

alignas(64) constexpr Compaction kCompaction = make_compaction();

// The input of one step: 16 positions, each with the two bytes after it.
// A step emits the characters that start at its positions; continuation
// bytes at its start belong to a character the step before emitted.
constexpr std::size_t kStep = 16;
constexpr std::size_t kStepReach = kStep + 2;

// What is left after the main loop: fewer than kStepReach bytes, or fewer
// than 16 characters (at most 45 bytes) after up to two continuation bytes.
constexpr std::size_t kRestMax = 47;
constexpr std::size_t kRestSteps = (kRestMax + kStep - 1) / kStep;

#define VELMORA_UCS2_KERNEL_NAMESPACE ssse3
#define VELMORA_UCS2_KERNEL_AVX2 0
VELMORA_TARGET_REGION_BEGIN(VELMORA_ISA_SSSE3)
#include "convert/ucs2_decode_kernel.inc"
VELMORA_TARGET_REGION_END
#undef VELMORA_UCS2_KERNEL_NAMESPACE
#undef VELMORA_UCS2_KERNEL_AVX2

#define VELMORA_UCS2_KERNEL_NAMESPACE avx2
#define VELMORA_UCS2_KERNEL_AVX2 1
VELMORA_TARGET_REGION_BEGIN(VELMORA_ISA_AVX2)
#include "convert/ucs2_decode_kernel.inc"
VELMORA_TARGET_REGION_END
#undef VELMORA_UCS2_KERNEL_NAMESPACE
#undef VELMORA_UCS2_KERNEL_AVX2

#endif

template <Isa isa> bool isa_runs_here() { return velmora::text::simd::runs_here(isa); }

constexpr ucs2::Kernel kKernels[] = {
    {"scalar", isa_runs_here<Isa::Baseline>, decode_scalar},
#if VELMORA_SIMD_X86
    {"ssse3", isa_runs_here<Isa::Ssse3>, ssse3::decode},
    {"avx2", isa_runs_here<Isa::Avx2>, avx2::decode},
    {"avx512", ucs2::avx512_runs_here, ucs2::decode_avx512},
#endif
};

const ucs2::Kernel &fastest() {
  for (std::size_t i = std::size(kKernels); i-- > 1;)
    if (kKernels[i].runs_here()) return kKernels[i];
  return kKernels[0];
}

} // namespace

namespace ucs2 {
std::span<const Kernel> kernels() { return kKernels; }
} // namespace ucs2

void decode_utf8_to_ucs2(std::string_view text, std::uint16_t *out, std::size_t units) {
  // Chosen on the first call; a function-local static is initialised once
  // even when threads race to it.
  static const auto decode = fastest().decode;
  decode(text, out, units);
}

} // namespace velmora_py
