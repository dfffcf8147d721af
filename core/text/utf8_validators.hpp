#pragma once

// Internal to core/text: the ways is_valid_utf8 can be carried out, exposed
// so that tests can hold each one against the strict scalar check on the
// machine they run on, whatever the dispatch would pick there.

#include <span>
#include <string_view>

#include "text/simd_dispatch.hpp"

namespace velmora::text::detail {

using Utf8Check = bool (*)(std::string_view bytes);

// One strict UTF-8 check; every one gives the same answer on every input.
struct Utf8Validator {
  const char *name;
  // The instructions the check is built for (see simd_dispatch.hpp).
  simd::Isa isa;
  Utf8Check check;
};

bool valid_utf8_scalar(std::string_view bytes);
#if defined(__SSE2__)
bool valid_utf8_sse2(std::string_view bytes);
#endif
#if VELMORA_SIMD_X86
bool valid_utf8_ssse3(std::string_view bytes);
bool valid_utf8_avx2(std::string_view bytes);
#endif

// Every check built into this binary, slowest first.
std::span<const Utf8Validator> utf8_validators();

} // namespace velmora::text::detail
