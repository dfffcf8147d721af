#include <gtest/gtest.h>

#include "velmora/model/decimal.hpp"

namespace velmora {
namespace {

constexpr u128 kMax = Decimal::kMaxMantissa;

u128 power_of_ten(unsigned n) {
  u128 p = 1;
  while (n-- != 0) {
    p *= 10;
  }
  return p;
}

struct EqualityCase {
  Decimal a;
  Decimal b;
  bool equal;
};

class DecimalEqualityTest : public testing::TestWithParam<EqualityCase> {};

TEST_P(DecimalEqualityTest, ComparesNumericValues) {
  const EqualityCase &c = GetParam();
  EXPECT_EQ(c.a == c.b, c.equal);
  EXPECT_EQ(c.b == c.a, c.equal);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DecimalEqualityTest,
    testing::Values(EqualityCase{{10000, 2, false}, {100, 0, false}, true},
                    EqualityCase{{10000, 2, false}, {1000, 1, false}, true},
                    EqualityCase{{10001, 2, false}, {100, 0, false}, false},
                    EqualityCase{{15, 1, false}, {150, 2, false}, true},
                    EqualityCase{{15, 1, false}, {15, 2, false}, false},
                    EqualityCase{{15, 1, true}, {150, 2, true}, true},
                    EqualityCase{{15, 1, true}, {15, 1, false}, false},
                    EqualityCase{{0, 0, false}, {0, 28, false}, true},
                    EqualityCase{{0, 2, true}, {0, 0, false}, true},
                    EqualityCase{{0, 0, false}, {1, 28, false}, false},
                    // Bringing these to one scale needs far more than 128 bits.
                    EqualityCase{{kMax, 0, false}, {kMax, 28, false}, false},
                    EqualityCase{{power_of_ten(28), 28, false}, {1, 0, false}, true},
                    EqualityCase{{kMax - kMax % 10, 1, false}, {kMax / 10, 0, false}, true},
                    EqualityCase{{kMax, 28, false}, {kMax / 10, 27, false}, false},
                    EqualityCase{{7, 0, false}, {7 * power_of_ten(28), 28, false}, true}));

TEST(DecimalTest, ZeroNeverCarriesSign) {
  const Decimal zero(0, 2, true);
  EXPECT_FALSE(zero.negative());
  EXPECT_EQ(zero.scale(), 2u);
  EXPECT_TRUE(Decimal(1, 0, true).negative());
}

struct FormatCase {
  Decimal value;
  const char *text;
};

class FormatDecimalTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatDecimalTest, KeepsTheScale) {
  EXPECT_EQ(format_decimal(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatDecimalTest,
    testing::Values(FormatCase{{150000, 2, true}, "-1500.00"}, FormatCase{{5, 1, false}, "0.5"},
                    FormatCase{{12, 0, false}, "12"}, FormatCase{{0, 0, false}, "0"},
                    FormatCase{{0, 2, true}, "0.00"}, FormatCase{{5, 3, false}, "0.005"},
                    FormatCase{{15000, 1, false}, "1500.0"},
                    FormatCase{{1, 28, true}, "-0.0000000000000000000000000001"},
                    FormatCase{{kMax, 0, false}, "79228162514264337593543950335"},
                    FormatCase{{kMax, 28, true}, "-7.9228162514264337593543950335"},
                    FormatCase{{kMax, 1, false}, "7922816251426433759354395033.5"}));

} // namespace
} // namespace velmora
