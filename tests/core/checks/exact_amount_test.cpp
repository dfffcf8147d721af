#include <gtest/gtest.h>

#include "checks/exact_amount.hpp"
#include "parser/value_parsing.hpp"

namespace velmora {
namespace {

ExactAmount amount(const char *text) {
  const auto value = parse_amount(text);
  EXPECT_TRUE(value) << text;
  return ExactAmount(value.value_or(Decimal{}));
}

struct SumCase {
  const char *a;
  const char *b;
  const char *sum;
  const char *difference;
};

TEST(ExactAmount, AddsAndSubtractsExactlyAcrossScales) {
  for (const SumCase &c : {
           SumCase{"100.00", "50", "150.00", "50.00"},
           {"0.1", "0.2", "0.3", "-0.1"},
           {"-5.5", "5.50", "0.00", "-11.00"},
           {"0", "-0.000", "0.000", "0.000"},
           {"1500.00", "0.0000000000000000000000000001", "1500.0000000000000000000000000001",
            "1499.9999999999999999999999999999"},
           {"79228162514264337593543950335", "79228162514264337593543950335",
            "158456325028528675187087900670", "0"},
           {"-79228162514264337593543950335", "7.9228162514264337593543950335",
            "-79228162514264337593543950327.0771837485735662406456049665",
            "-79228162514264337593543950342.9228162514264337593543950335"},
       }) {
    const unsigned scale = std::max(parse_amount(c.a)->scale(), parse_amount(c.b)->scale());
    EXPECT_EQ((amount(c.a) + amount(c.b)).format(scale), c.sum) << c.a << " + " << c.b;
    EXPECT_EQ((amount(c.a) - amount(c.b)).format(scale), c.difference) << c.a << " - " << c.b;
  }
}

TEST(ExactAmount, ComparesByValue) {
  EXPECT_EQ(amount("100.00"), amount("100"));
  EXPECT_EQ(amount("-0.00"), amount("0"));
  EXPECT_LT(amount("-1"), amount("0"));
  EXPECT_LT(amount("-2"), amount("-1.99"));
  EXPECT_GT(amount("0.0000000000000000000000000001"), amount("0"));
  EXPECT_NE(amount("100.01"), amount("100.1"));
}

TEST(ExactAmount, FormatsWithTheScaleAsked) {
  EXPECT_EQ(amount("130").format(2), "130.00");
  EXPECT_EQ(amount("130.5").format(0), "130.5");
  EXPECT_EQ(amount("-0.005").format(2), "-0.005");
  EXPECT_EQ(ExactAmount{}.format(2), "0.00");
  EXPECT_EQ(ExactAmount{}.format(0), "0");
}

TEST(ExactAmount, SumsOfManyLargeAmountsDoNotOverflow) {
  ExactAmount total;
  const ExactAmount big = amount("79228162514264337593543950335");
  for (int i = 0; i < 1000; ++i) total += big;
  EXPECT_EQ(total.format(0), "79228162514264337593543950335000");
  for (int i = 0; i < 1000; ++i) total -= big;
  EXPECT_EQ(total, ExactAmount{});
}

} // namespace
} // namespace velmora
