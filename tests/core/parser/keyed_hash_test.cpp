#include "parser/model/keyed_hash.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {
namespace {

std::vector<unsigned char> counting_bytes(std::size_t n) {
  std::vector<unsigned char> out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(i);
  return out;
}

// The reference key 00 01 .. 0f.
constexpr SipKey kReferenceKey{0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull};

// SipHash-2-4 of the messages 00, 00 01, .., from the reference
// implementation's vectors (64-bit output); index = message length.
TEST(SipHash, TwoFourMatchesTheReferenceVectors) {
  constexpr std::array<std::uint64_t, 16> kVectors{
      0x726fdb47dd0e0e31ull, 0x74f839c593dc67fdull, 0x0d6c8009d9a94f5aull, 0x85676696d7fb7e2dull,
      0xcf2794e0277187b7ull, 0x18765564cd99a68dull, 0xcbc9466e58fee3ceull, 0xab0200f58b01d137ull,
      0x93f5f5799a932462ull, 0x9e0082df0ba9e4b0ull, 0x7a5dbbc594ddb9f3ull, 0xf4b32f46226bada7ull,
      0x751e8fbc860ee5fbull, 0x14ea5627c0843d90ull, 0xf723ca908e7af2eeull, 0xa129ca6149be45e5ull};
  for (std::size_t n = 0; n < kVectors.size(); ++n) {
    auto message = counting_bytes(n);
    EXPECT_EQ((siphash<2, 4>(kReferenceKey, message.data(), n)), kVectors[n]) << "length " << n;
  }
}

// SipHash-1-3 under the all-zero key is what CPython's hash() of bytes
// gives with PYTHONHASHSEED=0 (as unsigned 64-bit numbers).
TEST(SipHash, OneThreeMatchesCPython) {
  struct Case {
    std::string message;
    std::uint64_t expected;
  };
  const auto counting = [](std::size_t n) {
    auto b = counting_bytes(n);
    return std::string(b.begin(), b.end());
  };
  const Case cases[] = {
      {std::string(1, '\0'), 0x68a914128e01e473ull}, {counting(7), 0x2f098ab0c751325aull},
      {counting(8), 0xead411e67ebe2eeaull},          {counting(15), 0xf30eb725bb91c9eaull},
      {"ПлательщикИНН", 0xea4e8512dfac158bull},      {counting(64), 0x75e05fd5bbc870c6ull},
  };
  for (const Case &c : cases) {
    EXPECT_EQ((siphash<1, 3>(SipKey{}, c.message.data(), c.message.size())), c.expected)
        << c.message.size() << " bytes";
  }
}

TEST(SipHash, ProcessKeyIsDrawnOnceAndUsed) {
  const SipKey &a = process_sip_key();
  const SipKey &b = process_sip_key();
  EXPECT_EQ(&a, &b);
  EXPECT_FALSE(a.k0 == 0 && a.k1 == 0);
  const std::string text = "ДатаНачала";
  EXPECT_EQ(keyed_hash(text), (siphash<1, 3>(a, text.data(), text.size())));
  EXPECT_NE(keyed_hash(text), (siphash<1, 3>(SipKey{}, text.data(), text.size())));
}

} // namespace
} // namespace velmora
