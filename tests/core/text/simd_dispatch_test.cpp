#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "text/line_masks.hpp"
#include "text/simd_dispatch.hpp"
#include "text/utf8_validators.hpp"
#include "text/windows1251_internal.hpp"

namespace {

namespace simd = velmora::text::simd;
using velmora::text::detail::utf8_validators;
using velmora::text::detail::windows1251_implementations;

// What every kernel list promises the dispatcher: a baseline kernel first,
// then kernels that need no less than the one before, each named once; and
// the kernel chosen is the last one this processor runs.
template <auto list> void expect_dispatchable() {
  const auto kernels = list();
  ASSERT_FALSE(kernels.empty());
  EXPECT_EQ(kernels.front().isa, simd::Isa::Baseline);
  std::set<std::string> names;
  for (std::size_t i = 0; i < kernels.size(); ++i) {
    EXPECT_TRUE(names.insert(std::string(kernels[i].name)).second) << kernels[i].name;
    if (i > 0) {
      EXPECT_LE(kernels[i - 1].isa, kernels[i].isa) << kernels[i].name;
    }
  }
  const auto &chosen = simd::best<list>();
  EXPECT_EQ(&chosen, &simd::fastest(kernels));
  ASSERT_TRUE(simd::runs_here(chosen.isa)) << chosen.name;
  for (const auto *later = &chosen + 1; later != kernels.data() + kernels.size(); ++later) {
    EXPECT_FALSE(simd::runs_here(later->isa)) << chosen.name << " chosen before " << later->name;
  }
}

TEST(TextSimdDispatch, Utf8ValidatorsAreDispatchable) { expect_dispatchable<utf8_validators>(); }

TEST(TextSimdDispatch, Windows1251ImplementationsAreDispatchable) {
  expect_dispatchable<windows1251_implementations>();
}

TEST(TextSimdDispatch, LineMaskKernelsAreDispatchable) {
  expect_dispatchable<velmora::text::line_mask_implementations>();
}

TEST(TextSimdDispatch, WiderInstructionSetsImplyNarrowerOnes) {
  EXPECT_TRUE(simd::runs_here(simd::Isa::Baseline));
  EXPECT_TRUE(!simd::runs_here(simd::Isa::Avx2) || simd::runs_here(simd::Isa::Ssse3));
}

#if VELMORA_SIMD_X86 && defined(__linux__)
// The processor's answer as the kernel reports it, independently of the
// compiler's runtime.
std::set<std::string> cpu_flags() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("flags", 0) != 0) continue;
    std::istringstream words(line.substr(line.find(':') + 1));
    std::set<std::string> flags;
    for (std::string w; words >> w;) flags.insert(w);
    return flags;
  }
  return {};
}

TEST(TextSimdDispatch, DetectionAgreesWithTheKernel) {
  const std::set<std::string> flags = cpu_flags();
  if (flags.empty()) GTEST_SKIP() << "no flags in /proc/cpuinfo";
  EXPECT_EQ(simd::runs_here(simd::Isa::Ssse3), flags.contains(VELMORA_ISA_SSSE3));
  EXPECT_EQ(simd::runs_here(simd::Isa::Avx2), flags.contains(VELMORA_ISA_AVX2));
}
#endif

} // namespace
