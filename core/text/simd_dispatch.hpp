#pragma once

// Internal to core/text: how a capability with vector kernels picks one at
// run time. The library itself asks only for the x86-64 baseline; a kernel
// for a wider instruction set is compiled inside a target region, and is
// run only where the processor has those instructions.
//
// The pattern, the same for every such capability:
// - a kernel is a struct of function pointers with a `name` and the `Isa`
//   it needs;
// - the capability lists every kernel built into the binary, slowest first,
//   with a baseline kernel first;
// - callers take `best<list>()`, the fastest kernel this processor runs,
//   chosen on first use; tests walk the whole list and skip what
//   `runs_here` refuses.

#include <span>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define VELMORA_SIMD_X86 1
#else
#define VELMORA_SIMD_X86 0
#endif

// Instruction sets by the names the compiler and the processor check share.
#define VELMORA_ISA_SSSE3 "ssse3"
#define VELMORA_ISA_AVX2 "avx2"

// Every function defined between the two marks, kernels and the vector
// helpers they inline alike, is compiled for the instruction set named.
// Include the intrinsics headers before the region, not inside it.
#define VELMORA_SIMD_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define VELMORA_TARGET_REGION_BEGIN(isa)                                                           \
  VELMORA_SIMD_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define VELMORA_TARGET_REGION_END _Pragma("clang attribute pop")
#elif defined(__GNUC__)
#define VELMORA_TARGET_REGION_BEGIN(isa)                                                           \
  _Pragma("GCC push_options") VELMORA_SIMD_PRAGMA(GCC target(isa))
#define VELMORA_TARGET_REGION_END _Pragma("GCC pop_options")
#endif

namespace velmora::text::simd {

// Ordered: code built for one runs wherever a later one does.
enum class Isa : unsigned char { Baseline, Ssse3, Avx2 };

// Whether this processor runs code built for isa. The processor does not
// change under a running program, so it is asked once.
inline bool runs_here(Isa isa) {
  static const unsigned usable = [] {
    unsigned bits = 1u << static_cast<unsigned>(Isa::Baseline);
#if VELMORA_SIMD_X86
    // Normally run by a constructor; again here in case the first
    // question comes from another static initialiser.
    __builtin_cpu_init();
    if (__builtin_cpu_supports(VELMORA_ISA_SSSE3)) {
      bits |= 1u << static_cast<unsigned>(Isa::Ssse3);
    }
    if (__builtin_cpu_supports(VELMORA_ISA_AVX2)) {
      bits |= 1u << static_cast<unsigned>(Isa::Avx2);
    }
#endif
    return bits;
  }();
  return (usable >> static_cast<unsigned>(isa)) & 1u;
}

// The last kernel of the list that this processor runs; the first one
// needs only the baseline.
template <class Kernel> const Kernel &fastest(std::span<const Kernel> kernels) {
  for (auto k = kernels.rbegin(); k != kernels.rend(); ++k) {
    if (runs_here(k->isa)) return *k;
  }
  return kernels.front();
}

// fastest(list()), chosen on the first call; a function-local static is
// initialised once even when threads race to it.
template <auto list> const auto &best() {
  static const auto &chosen = fastest(list());
  return chosen;
}

} // namespace velmora::text::simd
