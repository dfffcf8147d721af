#pragma once

// Internal to core/text: the windows-1251 to UTF-8 decoders, one per
// instruction set, so that legacy_decode picks one and the tests can hold
// every one of them to the table path.

#include <cstddef>
#include <span>
#include <string_view>

#include "text/simd_dispatch.hpp"

namespace velmora::text::detail {

// Output room for bytes: one per byte, one more for each byte >= 0x80 and
// one more again for 80..BF, the only bytes with three-byte forms. It is a
// sum over the bytes, so the room left after any prefix still covers the
// rest; the decoders rely on that to store whole vectors near the end.
std::size_t windows1251_utf8_capacity(std::string_view bytes);
using Windows1251Capacity = std::size_t (*)(std::string_view bytes);

// A decoder writes the UTF-8 form of bytes at dst, which holds
// windows1251_utf8_capacity(bytes) bytes, writes nothing past that, and
// returns the end of its output.
using Windows1251Decoder = char *(*)(std::string_view bytes, char *dst);

// The table path: every byte through a 256-entry table of UTF-8 forms.
char *windows1251_decode_table(std::string_view bytes, char *dst);

// The table path for a run inside a longer input: it stores four bytes per
// input byte, so up to three bytes past its output are overwritten and the
// caller keeps that room free.
char *windows1251_decode_table_padded(const unsigned char *p, std::size_t n, char *dst);

#if VELMORA_SIMD_X86
char *windows1251_decode_ssse3(std::string_view bytes, char *dst);
char *windows1251_decode_avx2(std::string_view bytes, char *dst);
// The same count as windows1251_utf8_capacity, 32 bytes at a time.
std::size_t windows1251_utf8_capacity_avx2(std::string_view bytes);
#endif

// A decoder with the count that sizes its output; every capacity function
// gives the same number.
struct Windows1251Implementation {
  std::string_view name;
  // The instructions both functions are built for (see simd_dispatch.hpp).
  simd::Isa isa;
  Windows1251Capacity capacity;
  Windows1251Decoder decode;
};

// Every implementation built into this binary, the table path first, the
// fastest last.
std::span<const Windows1251Implementation> windows1251_implementations();

} // namespace velmora::text::detail
