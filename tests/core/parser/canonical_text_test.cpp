#include <gtest/gtest.h>

#include "velmora/model/canonical_text.hpp"

namespace velmora {
namespace {

TEST(CanonicalText, DatesRoundTripThroughTheirText) {
  for (const Date date : {Date{2024, 3, 1}, Date{0, 1, 1}, Date{9999, 12, 31}, Date{10000, 1, 1},
                          Date{-1, 12, 31}, Date{kMaxYear, 12, 31}, Date{kMinYear, 1, 1},
                          Date{2024, 2, 29}}) {
    const auto back = parse_iso_date(format_date(date));
    ASSERT_TRUE(back) << format_date(date);
    EXPECT_EQ(*back, date);
  }
}

TEST(CanonicalText, RefusedDates) {
  for (const char *text : {"", "2024-3-01", "2024-03-1", "24-03-01", "02024-03-01", "2024/03/01",
                           "2023-02-29", "2024-13-01", "2024-00-10", "2024-04-31", "2024-03-01 ",
                           "+262143-01-01", "-262144-01-01", "+1000000-01-01", "01.03.2024"})
    EXPECT_FALSE(parse_iso_date(text)) << text;
}

TEST(CanonicalText, DecimalsKeepTheirScale) {
  struct Case {
    const char *text;
    Decimal value;
  };
  for (const Case &c : {Case{"1500.00", Decimal(150000, 2, false)}, {"0.5", Decimal(5, 1, false)},
                        {"-12", Decimal(12, 0, true)}, {"-0.00", Decimal(0, 2, false)},
                        {"79228162514264337593543950335", Decimal(Decimal::kMaxMantissa, 0, false)},
                        {"0.0000000000000000000000000001", Decimal(1, 28, false)}}) {
    const auto value = parse_decimal_text(c.text);
    ASSERT_TRUE(value) << c.text;
    EXPECT_EQ(value->mantissa(), c.value.mantissa());
    EXPECT_EQ(value->scale(), c.value.scale());
    EXPECT_EQ(value->negative(), c.value.negative());
    EXPECT_EQ(format_decimal(*value), c.text[0] == '-' && value->mantissa() == 0 ? c.text + 1 : c.text);
  }
}

TEST(CanonicalText, RefusedDecimals) {
  for (const char *text : {"", "-", ".5", "5.", "1,5", "+1", "1e3", "1_000", " 1", "1.2.3",
                           "79228162514264337593543950336", "0.00000000000000000000000000001"})
    EXPECT_FALSE(parse_decimal_text(text)) << text;
}

} // namespace
} // namespace velmora
