#include "text/line_masks.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using velmora::text::kMaskBlock;
using velmora::text::LineMaskImplementation;
namespace simd = velmora::text::simd;

// The masks by definition, a byte at a time.
void reference(const std::string &text, std::vector<std::uint64_t> &feeds,
               std::vector<std::uint64_t> &equals) {
  const std::size_t blocks = text.size() / kMaskBlock;
  feeds.assign(blocks, 0);
  equals.assign(blocks, 0);
  for (std::size_t i = 0; i < blocks * kMaskBlock; ++i) {
    if (text[i] == '\n') feeds[i / kMaskBlock] |= std::uint64_t{1} << (i % kMaskBlock);
    if (text[i] == '=') equals[i / kMaskBlock] |= std::uint64_t{1} << (i % kMaskBlock);
  }
}

class LineMasksTest : public ::testing::TestWithParam<LineMaskImplementation> {
protected:
  void SetUp() override {
    if (!simd::runs_here(GetParam().isa)) GTEST_SKIP() << GetParam().name << " does not run here";
  }

  void expect_masks(const std::string &text) {
    std::vector<std::uint64_t> want_feeds, want_equals;
    reference(text, want_feeds, want_equals);
    const std::size_t blocks = want_feeds.size();
    std::vector<std::uint64_t> feeds(blocks + 1, 0xDEAD), equals(blocks + 1, 0xDEAD);
    GetParam().masks(text.data(), blocks, feeds.data(), equals.data());
    for (std::size_t b = 0; b < blocks; ++b) {
      ASSERT_EQ(feeds[b], want_feeds[b]) << GetParam().name << " block " << b;
      ASSERT_EQ(equals[b], want_equals[b]) << GetParam().name << " block " << b;
    }
    EXPECT_EQ(feeds[blocks], 0xDEADu) << "written past the last block";
    EXPECT_EQ(equals[blocks], 0xDEADu) << "written past the last block";
  }
};

TEST_P(LineMasksTest, EachPositionOfABlock) {
  // One marked byte at every place, among bytes that look alike in some
  // bits (0x0A | 0x80, 0x3D | 0x80, CR, and the high bytes of Cyrillic).
  for (char mark : {'\n', '='}) {
    for (std::size_t at = 0; at < 2 * kMaskBlock; ++at) {
      std::string text(2 * kMaskBlock, '\x8A');
      for (std::size_t i = 0; i < text.size(); i += 3) text[i] = i % 2 ? '\xBD' : '\r';
      text[at] = mark;
      expect_masks(text);
    }
  }
}

TEST_P(LineMasksTest, FullAndEmptyBlocks) {
  expect_masks(std::string(4 * kMaskBlock, '\n'));
  expect_masks(std::string(4 * kMaskBlock, '='));
  expect_masks(std::string(4 * kMaskBlock, '\0'));
  expect_masks(std::string(4 * kMaskBlock, '\xFF'));
  expect_masks("");
}

TEST_P(LineMasksTest, RandomTextMatchesTheDefinition) {
  std::mt19937 rng(18);
  const char alphabet[] = {'\n', '=', '\r', ' ', 'a', '1', '\xD0', '\x9F', '\xFF', '\x8A', '\xBD'};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
  std::uniform_int_distribution<int> any(0, 255);
  for (int round = 0; round < 200; ++round) {
    std::string text(kMaskBlock * (1 + round % 9), ' ');
    for (char &c : text) c = round % 2 ? alphabet[pick(rng)] : static_cast<char>(any(rng));
    expect_masks(text);
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, LineMasksTest,
                         ::testing::ValuesIn(velmora::text::line_mask_implementations().begin(),
                                             velmora::text::line_mask_implementations().end()),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
