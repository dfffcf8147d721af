#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/simd_dispatch.hpp"

namespace velmora_py::ucs2 {

#if VELMORA_SIMD_X86
// Whether this processor runs decode_avx512 (AVX-512 BW, VL and VBMI2, whose
// compress instruction packs the units of 32 positions in one step).
bool avx512_runs_here();

// decode_utf8_to_ucs2 for processors where avx512_runs_here().
void decode_avx512(std::string_view text, std::uint16_t *out, std::size_t count);
#endif

} // namespace velmora_py::ucs2
