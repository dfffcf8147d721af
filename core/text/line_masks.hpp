#pragma once

// Internal to core/text: the structural index of a text's lines, the line
// feeds and the equals signs of each 64-byte block as two bit masks, one
// kernel per instruction set (see simd_dispatch.hpp). The line scanner of
// the parser walks these masks instead of searching each line twice.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "text/simd_dispatch.hpp"

namespace velmora::text {

inline constexpr std::size_t kMaskBlock = 64;

// For each of `blocks` blocks of 64 bytes at p: bit i of feeds[b] is set
// when p[64 b + i] is a line feed, bit i of equals[b] when it is "=".
using LineMaskKernel = void (*)(const char *p, std::size_t blocks, std::uint64_t *feeds,
                                std::uint64_t *equals);

struct LineMaskImplementation {
  std::string_view name;
  simd::Isa isa;
  LineMaskKernel masks;
};

namespace detail {
void line_masks_scalar(const char *p, std::size_t blocks, std::uint64_t *feeds,
                       std::uint64_t *equals);
#if defined(__SSE2__)
void line_masks_sse2(const char *p, std::size_t blocks, std::uint64_t *feeds,
                     std::uint64_t *equals);
#endif
#if VELMORA_SIMD_X86
void line_masks_avx2(const char *p, std::size_t blocks, std::uint64_t *feeds,
                     std::uint64_t *equals);
#endif
} // namespace detail

// Every kernel built into this binary, slowest first; all give the same masks.
std::span<const LineMaskImplementation> line_mask_implementations();

// The fastest kernel this processor runs.
inline LineMaskKernel line_masks() { return simd::best<line_mask_implementations>().masks; }

} // namespace velmora::text
