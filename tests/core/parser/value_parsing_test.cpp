#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "parser/value_parsing.hpp"

namespace velmora {
namespace {

constexpr const char *kPremature = "premature end of input";
constexpr const char *kInvalid = "input contains invalid characters";
constexpr const char *kTrailing = "trailing input";
constexpr const char *kOutOfRange = "input is out of range";

// ---- dates ----------------------------------------------------------------

struct DateCase {
  const char *input;
  Date date;                     // when message is null
  const char *message = nullptr; // the expected failure
};

DateCase ok(const char *input, std::int32_t year, unsigned month, unsigned day) {
  return {input, Date{year, static_cast<std::uint8_t>(month), static_cast<std::uint8_t>(day)}};
}

DateCase fails(const char *input, const char *message) { return {input, Date{}, message}; }

void PrintTo(const DateCase &c, std::ostream *os) { *os << '"' << c.input << '"'; }

class DateParsingTest : public testing::TestWithParam<DateCase> {};

TEST_P(DateParsingTest, RequiredAndOptionalAgree) {
  const DateCase &c = GetParam();
  const auto required = parse_required_date(c.input);
  const auto optional = parse_optional_date(c.input);
  if (c.message == nullptr) {
    ASSERT_TRUE(required.has_value()) << required.error();
    EXPECT_EQ(*required, c.date) << format_date(*required);
    ASSERT_TRUE(optional.has_value()) << optional.error();
    EXPECT_EQ(*optional, std::optional<Date>(c.date));
  } else {
    ASSERT_FALSE(required.has_value()) << format_date(*required);
    EXPECT_EQ(required.error(), c.message);
    ASSERT_FALSE(optional.has_value());
    EXPECT_EQ(optional.error(), c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(Accepted, DateParsingTest,
                         testing::Values(ok("05.03.2024", 2024, 3, 5), ok("5.3.2024", 2024, 3, 5),
                                         ok("05.03.24", 24, 3, 5), ok("1.1.1", 1, 1, 1),
                                         ok("01.01.0000", 0, 1, 1), ok("31.12.9999", 9999, 12, 31),
                                         ok("29.02.2024", 2024, 2, 29),
                                         ok("29.02.2000", 2000, 2, 29), ok("29.02.0", 0, 2, 29),
                                         ok("29.02.-4", -4, 2, 29), ok("31.01.2024", 2024, 1, 31),
                                         ok("30.04.2024", 2024, 4, 30)));

INSTANTIATE_TEST_SUITE_P(
    WhiteSpaceBeforeNumbers, DateParsingTest,
    testing::Values(ok(" 05.03.2024", 2024, 3, 5), ok("05. 03. 2024", 2024, 3, 5),
                    ok("\t5.\n3.\r\n2024", 2024, 3, 5), ok("\u00a005.03.2024", 2024, 3, 5),
                    ok("05.\u30003.\u2028\u00852024", 2024, 3, 5), ok("05.03. +2024", 2024, 3, 5),
                    fails("05 .03.2024", kInvalid), fails("05.03 .2024", kInvalid),
                    fails("05.03.+ 2024", kInvalid), fails("05.03.2024 ", kTrailing),
                    fails("05.03.2024\u00a0", kTrailing), fails("05.03.2024\n", kTrailing),
                    fails("05.03. ", kPremature),
                    // U+200B is not White_Space.
                    fails("\u200b05.03.2024", kInvalid)));

INSTANTIATE_TEST_SUITE_P(
    SignedYears, DateParsingTest,
    testing::Values(ok("05.03.+2024", 2024, 3, 5), ok("05.03.+00002024", 2024, 3, 5),
                    ok("05.03.-0", 0, 3, 5), ok("05.03.+0", 0, 3, 5), ok("05.03.-1", -1, 3, 5),
                    ok("31.12.+262142", 262142, 12, 31), ok("01.01.-262143", -262143, 1, 1),
                    ok("01.01.-000000000000000000000000262143", -262143, 1, 1),
                    ok("01.01.+10000", 10000, 1, 1), fails("01.01.+262143", kOutOfRange),
                    fails("01.01.-262144", kOutOfRange),
                    fails("01.01.+9223372036854775807", kOutOfRange),
                    fails("01.01.-9223372036854775808", kOutOfRange),
                    fails("01.01.+9223372036854775808", kOutOfRange),
                    fails("01.01.-99999999999999999999999999", kOutOfRange),
                    // The year's range is decided before what follows it.
                    fails("01.01.+99999999999999999999x", kOutOfRange),
                    fails("01.01.+2024x", kTrailing), fails("01.01.+", kPremature),
                    fails("01.01.-", kPremature), fails("01.01.+x", kInvalid),
                    fails("01.01.+-1", kInvalid), fails("01.01.++1", kInvalid)));

INSTANTIATE_TEST_SUITE_P(
    Refused, DateParsingTest,
    testing::Values(fails("05-03-2024", kInvalid), fails("05.03", kPremature),
                    fails("05.03.", kPremature), fails("05", kPremature), fails("05.", kPremature),
                    fails(".03.2024", kInvalid), fails("x", kInvalid), fails("05.x.2024", kInvalid),
                    fails("05.03.x", kInvalid), fails("05..2024", kInvalid),
                    fails("123.03.2024", kInvalid), fails("05.123.2024", kInvalid),
                    fails("05.03.2024.", kTrailing), fails("05.03.20245", kTrailing),
                    fails("05.03.2024x", kTrailing), fails("\xd9\xa3.03.2024", kInvalid),
                    fails("00.01.2024", kOutOfRange), fails("01.13.2024", kOutOfRange),
                    fails("01.00.2024", kOutOfRange), fails("31.04.2024", kOutOfRange),
                    fails("29.02.2023", kOutOfRange), fails("29.02.1900", kOutOfRange),
                    fails("29.02.-1", kOutOfRange)));

// Each number's range is checked as soon as it is read; the calendar check
// comes last of all.
INSTANTIATE_TEST_SUITE_P(CheckOrder, DateParsingTest,
                         testing::Values(fails("32.01", kOutOfRange), fails("32x", kOutOfRange),
                                         fails("00", kOutOfRange), fails("31.13x", kOutOfRange),
                                         fails("32.13.2024", kOutOfRange),
                                         fails("31.04.2024x", kTrailing),
                                         fails("31.02.2024 ", kTrailing),
                                         fails("31.04.", kPremature),
                                         fails("31.04.99999", kTrailing)));

TEST(BlankDateTest, RequiredFailsAndOptionalIsAbsent) {
  for (const char *blank : {"", " ", "\t \r\n", "\u00a0", "\u3000 \u2029"}) {
    const auto required = parse_required_date(blank);
    ASSERT_FALSE(required.has_value()) << '"' << blank << '"';
    EXPECT_EQ(required.error(), "empty string is not a valid date");
    const auto optional = parse_optional_date(blank);
    ASSERT_TRUE(optional.has_value()) << optional.error();
    EXPECT_FALSE(optional->has_value()) << '"' << blank << '"';
  }
}

// ---- amounts --------------------------------------------------------------

struct AmountCase {
  const char *input;
  u128 mantissa;
  unsigned scale;
  bool negative;
};

void PrintTo(const AmountCase &c, std::ostream *os) { *os << '"' << c.input << '"'; }

class AmountParsingTest : public testing::TestWithParam<AmountCase> {};

TEST_P(AmountParsingTest, KeepsWrittenScale) {
  const AmountCase &c = GetParam();
  const auto amount = parse_amount(c.input);
  ASSERT_TRUE(amount.has_value()) << amount.error();
  EXPECT_TRUE(amount->mantissa() == c.mantissa) << format_decimal(*amount);
  EXPECT_EQ(amount->scale(), c.scale);
  EXPECT_EQ(amount->negative(), c.negative);
}

constexpr u128 kMax = Decimal::kMaxMantissa;

// Mantissas beyond 64 bits have no literal form.
constexpr u128 digits(std::string_view text) {
  u128 value = 0;
  for (const char c : text) {
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value;
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, AmountParsingTest,
    testing::Values(AmountCase{"1234.56", 123456, 2, false}, AmountCase{"-10", 10, 0, true},
                    AmountCase{"+0.5", 5, 1, false}, AmountCase{"1_000.00", 100000, 2, false},
                    AmountCase{".5", 5, 1, false}, AmountCase{"5.", 5, 0, false},
                    AmountCase{"1.5E3", 15000, 1, false}, AmountCase{"-1.5e-3", 15, 4, true},
                    AmountCase{"1500.00", 150000, 2, false}, AmountCase{"-0", 0, 0, false},
                    AmountCase{"-0.00", 0, 2, false}, AmountCase{"-0e3", 0, 0, false},
                    AmountCase{"1._5", 15, 1, false}, AmountCase{"1_", 1, 0, false},
                    AmountCase{"79228162514264337593543950335", kMax, 0, false},
                    AmountCase{"-7.9228162514264337593543950335", kMax, 28, true},
                    AmountCase{"0.0000000000000000000000000001", 1, 28, false}));

// 28 fractional digits at most, rounding half up on the first dropped digit.
INSTANTIATE_TEST_SUITE_P(
    LongFractions, AmountParsingTest,
    testing::Values(AmountCase{"0.1234567890123456789012345678",
                               digits("1234567890123456789012345678"), 28, false},
                    AmountCase{"0.12345678901234567890123456784",
                               digits("1234567890123456789012345678"), 28, false},
                    AmountCase{"0.123456789012345678901234567850",
                               digits("1234567890123456789012345679"), 28, false},
                    AmountCase{"0.123456789012345678901234567849",
                               digits("1234567890123456789012345678"), 28, false},
                    AmountCase{"0.99999999999999999999999999995",
                               digits("10000000000000000000000000000"), 28, false},
                    AmountCase{"-0.000000000000000000000000000049", 0, 28, false},
                    AmountCase{"0.00000000000000000000000000005", 1, 28, false},
                    // Letters after the dropped digit still make the value invalid, but
                    // underscores do not, and neither changes the rounding.
                    AmountCase{"0.12345678901234567890123456784_9",
                               digits("1234567890123456789012345678"), 28, false},
                    // The carry outgrows 96 bits: one kept digit fewer, rounded afresh.
                    AmountCase{"7922816251426433759354395033.59", kMax / 10 + 1, 0, false},
                    AmountCase{"7922816251426433759354395033.5", kMax, 1, false},
                    AmountCase{"7922816251426433759354395033.54", kMax, 1, false}));

struct RefusedAmountCase {
  const char *input;
  const char *message;
};

void PrintTo(const RefusedAmountCase &c, std::ostream *os) { *os << '"' << c.input << '"'; }

class RefusedAmountTest : public testing::TestWithParam<RefusedAmountCase> {};

TEST_P(RefusedAmountTest, NamesQuotedValue) {
  const auto amount = parse_amount(GetParam().input);
  ASSERT_FALSE(amount.has_value()) << format_decimal(*amount);
  EXPECT_EQ(amount.error(), std::string("invalid value: string ") + GetParam().message +
                                ", expected a Decimal type representing a fixed-point number");
}

INSTANTIATE_TEST_SUITE_P(
    Values, RefusedAmountTest,
    testing::Values(
        RefusedAmountCase{"12,50", R"("12,50")"}, RefusedAmountCase{"1 000.00", R"("1 000.00")"},
        RefusedAmountCase{"", R"("")"}, RefusedAmountCase{"-", R"("-")"},
        RefusedAmountCase{".", R"(".")"}, RefusedAmountCase{"_1", R"("_1")"},
        RefusedAmountCase{"abc", R"("abc")"}, RefusedAmountCase{"сто рублей", R"("сто рублей")"},
        RefusedAmountCase{"it's", R"("it's")"}, RefusedAmountCase{"a\"b\\c", R"("a\"b\\c")"},
        RefusedAmountCase{"1\t0\r\n", R"("1\t0\r\n")"},
        RefusedAmountCase{"1\u00a0000", R"("1\u{a0}000")"},
        RefusedAmountCase{"0.1234567890123456789012345678_9x",
                          R"("0.1234567890123456789012345678_9x")"},
        RefusedAmountCase{"79228162514264337593543950336", R"("79228162514264337593543950336")"},
        RefusedAmountCase{"1e-29", R"("1e-29")"},
        RefusedAmountCase{"1e4294967296", R"("1e4294967296")"}));

TEST(AmountMessageTest, QuotesEmbeddedNul) {
  const auto amount = parse_amount(std::string_view("1\0"
                                                    "2",
                                                    3));
  ASSERT_FALSE(amount.has_value());
  EXPECT_EQ(amount.error(), "invalid value: string \"1\\02\", expected a Decimal type "
                            "representing a fixed-point number");
}

// ---- generated against exact decimal arithmetic ---------------------------

struct GeneratedAmountCase {
  const char *input;
  const char *rendered; // null when the value is refused
};

constexpr GeneratedAmountCase kGeneratedCases[] = {
#include "decimal_cases.inc"
};

void PrintTo(const GeneratedAmountCase &c, std::ostream *os) { *os << '"' << c.input << '"'; }

class GeneratedAmountTest : public testing::TestWithParam<GeneratedAmountCase> {};

TEST_P(GeneratedAmountTest, MatchesExactArithmetic) {
  const GeneratedAmountCase &c = GetParam();
  const auto amount = parse_amount(c.input);
  if (c.rendered == nullptr) {
    EXPECT_FALSE(amount.has_value()) << format_decimal(*amount);
  } else {
    ASSERT_TRUE(amount.has_value()) << amount.error();
    EXPECT_EQ(format_decimal(*amount), c.rendered);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, GeneratedAmountTest, testing::ValuesIn(kGeneratedCases));

// The reader's amount syntax reads back what format_decimal writes with the
// same scale, as the conversion of Python values relies on.
TEST(FormattedAmountTest, ReadsBackWithTheSameScale) {
  for (const Decimal value : {Decimal(150000, 2, false), Decimal(5, 1, false), Decimal(12, 0, true),
                              Decimal(0, 2, false), Decimal(Decimal::kMaxMantissa, 0, false),
                              Decimal(1, 28, false), Decimal(Decimal::kMaxMantissa, 28, true)}) {
    const auto back = parse_amount(format_decimal(value));
    ASSERT_TRUE(back) << format_decimal(value);
    EXPECT_TRUE(back->mantissa() == value.mantissa()) << format_decimal(value);
    EXPECT_EQ(back->scale(), value.scale());
    EXPECT_EQ(back->negative(), value.negative());
  }
}

} // namespace
} // namespace velmora
