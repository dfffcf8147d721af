#pragma once

// Internal to core/text: the ways is_valid_utf8 can be carried out, exposed
// so that tests can hold each one against the strict scalar check on the
// machine they run on, whatever the dispatch would pick there.

#include <span>
#include <string_view>

#if defined(__x86_64__) || defined(__i386__)
#define VELMORA_UTF8_X86 1
#endif

namespace velmora::text::detail {

using Utf8Check = bool (*)(std::string_view bytes);

// One strict UTF-8 check; every one gives the same answer on every input.
struct Utf8Validator {
    const char *name;
    Utf8Check check;
    // Whether this CPU has the instructions the check is built for.
    bool (*runs_here)();
};

bool valid_utf8_scalar(std::string_view bytes);
#if defined(__SSE2__)
bool valid_utf8_sse2(std::string_view bytes);
#endif
#if defined(VELMORA_UTF8_X86)
bool valid_utf8_ssse3(std::string_view bytes);
bool valid_utf8_avx2(std::string_view bytes);
#endif

// Every check built into this binary, slowest first.
std::span<const Utf8Validator> utf8_validators();

} // namespace velmora::text::detail
