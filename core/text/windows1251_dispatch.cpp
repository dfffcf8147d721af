#include "text/windows1251_internal.hpp"

namespace velmora::text::detail {
namespace {

// Slowest first, so that the last one this processor runs is the best.
constexpr Windows1251Implementation kImplementations[] = {
    {"table", simd::Isa::Baseline, windows1251_utf8_capacity, windows1251_decode_table},
#if VELMORA_SIMD_X86
    {"ssse3", simd::Isa::Ssse3, windows1251_utf8_capacity, windows1251_decode_ssse3},
    {"avx2", simd::Isa::Avx2, windows1251_utf8_capacity_avx2, windows1251_decode_avx2},
#endif
};

} // namespace

std::span<const Windows1251Implementation> windows1251_implementations() {
  return kImplementations;
}

} // namespace velmora::text::detail
