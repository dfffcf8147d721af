#include <array>
#include <cstddef>

#include "text/windows1251_internal.hpp"

namespace velmora::text::detail {
namespace {

struct Candidate {
    Windows1251Implementation implementation;
    bool (*supported)();
};

bool always() { return true; }

#if VELMORA_WINDOWS1251_X86
bool has_ssse3() { return __builtin_cpu_supports("ssse3"); }
bool has_avx2() { return __builtin_cpu_supports("avx2"); }
#endif

// Slowest first, so that the last supported one is the best.
constexpr Candidate kCandidates[] = {
    {{"table", windows1251_utf8_capacity, windows1251_decode_table}, always},
#if VELMORA_WINDOWS1251_X86
    {{"ssse3", windows1251_utf8_capacity, windows1251_decode_ssse3}, has_ssse3},
    {{"avx2", windows1251_utf8_capacity_avx2, windows1251_decode_avx2}, has_avx2},
#endif
};

constexpr std::size_t kCandidateCount = sizeof(kCandidates) / sizeof(kCandidates[0]);

struct Supported {
    std::array<Windows1251Implementation, kCandidateCount> list{};
    std::size_t count = 0;
};

// The processor does not change under a running program: asked once.
const Supported &supported() {
    static const Supported found = [] {
#if VELMORA_WINDOWS1251_X86
        __builtin_cpu_init(); // in case the first call comes from a static constructor
#endif
        Supported s;
        for (const Candidate &c : kCandidates) {
            if (c.supported()) s.list[s.count++] = c.implementation;
        }
        return s;
    }();
    return found;
}

} // namespace

std::span<const Windows1251Implementation> windows1251_implementations() {
    const Supported &s = supported();
    return {s.list.data(), s.count};
}

const Windows1251Implementation &windows1251_best() {
    return windows1251_implementations().back();
}

} // namespace velmora::text::detail
