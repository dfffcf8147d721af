#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace velmora_py {

// Writes exactly `units` UCS-2 code units, the characters of `text`, to
// `out`. The text must be valid UTF-8 of `units` characters, none above
// U+FFFF (sequences of one to three bytes): the parse has checked the text
// and the record measured it, so nothing is checked again here.
void decode_utf8_to_ucs2(std::string_view text, std::uint16_t *out, std::size_t units);

namespace ucs2 {

struct Kernel {
  const char *name;
  bool (*runs_here)(); // whether this processor has the instructions
  void (*decode)(std::string_view text, std::uint16_t *out, std::size_t units);
};

// Every kernel built in, slowest first; the first needs only the baseline.
// The instruction sets are those of text/simd_dispatch.hpp, and AVX-512
// (BW, VL, VBMI2) for the last.
std::span<const Kernel> kernels();

} // namespace ucs2
} // namespace velmora_py
