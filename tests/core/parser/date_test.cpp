#include <gtest/gtest.h>

#include "velmora/model/date.hpp"

namespace velmora {
namespace {

struct LeapCase {
  std::int64_t year;
  bool leap;
};

class LeapYearTest : public testing::TestWithParam<LeapCase> {};

TEST_P(LeapYearTest, FollowsProlepticGregorianRule) {
  const LeapCase &c = GetParam();
  EXPECT_EQ(is_leap_year(c.year), c.leap);
  EXPECT_EQ(days_in_month(c.year, 2), c.leap ? 29u : 28u);
}

INSTANTIATE_TEST_SUITE_P(Years, LeapYearTest,
                         testing::Values(LeapCase{2024, true}, LeapCase{2023, false},
                                         LeapCase{1900, false}, LeapCase{2000, true},
                                         LeapCase{2100, false}, LeapCase{0, true},
                                         LeapCase{-4, true}, LeapCase{-1, false},
                                         LeapCase{-100, false}, LeapCase{-400, true},
                                         LeapCase{262142, false}, LeapCase{-262143, false}));

TEST(DaysInMonthTest, GivesEveryMonthItsLength) {
  const unsigned expected[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (unsigned month = 1; month <= 12; ++month) {
    EXPECT_EQ(days_in_month(2023, month), expected[month - 1]) << "month " << month;
  }
  EXPECT_EQ(days_in_month(2023, 0), 0u);
  EXPECT_EQ(days_in_month(2023, 13), 0u);
}

struct FormatCase {
  Date date;
  const char *text;
};

class FormatDateTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatDateTest, WritesIsoCalendarForm) {
  EXPECT_EQ(format_date(GetParam().date), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, FormatDateTest,
    testing::Values(FormatCase{{2024, 3, 1}, "2024-03-01"}, FormatCase{{1, 1, 1}, "0001-01-01"},
                    FormatCase{{24, 3, 5}, "0024-03-05"}, FormatCase{{0, 12, 31}, "0000-12-31"},
                    FormatCase{{9999, 12, 31}, "9999-12-31"},
                    FormatCase{{10000, 1, 1}, "+10000-01-01"},
                    FormatCase{{-1, 1, 1}, "-0001-01-01"}, FormatCase{{-10, 6, 9}, "-0010-06-09"},
                    FormatCase{{-12345, 1, 1}, "-12345-01-01"},
                    FormatCase{{262142, 12, 31}, "+262142-12-31"},
                    FormatCase{{-262143, 1, 1}, "-262143-01-01"}));

// parse_iso_date reads exactly what format_date writes, across the model's
// whole range, and nothing else.
TEST(ParseIsoDateTest, ReadsBackEveryFormattedDate) {
  for (const Date date :
       {Date{2024, 3, 1}, Date{0, 1, 1}, Date{9999, 12, 31}, Date{10000, 1, 1}, Date{-1, 12, 31},
        Date{kMaxYear, 12, 31}, Date{kMinYear, 1, 1}, Date{2024, 2, 29}}) {
    const auto back = parse_iso_date(format_date(date));
    ASSERT_TRUE(back) << format_date(date);
    EXPECT_EQ(*back, date);
  }
}

TEST(ParseIsoDateTest, RefusesOtherTexts) {
  for (const char *text : {"", "2024-3-01", "2024-03-1", "24-03-01", "02024-03-01", "2024/03/01",
                           "2023-02-29", "2024-13-01", "2024-00-10", "2024-04-31", "2024-03-01 ",
                           "+262143-01-01", "-262144-01-01", "+1000000-01-01", "01.03.2024"})
    EXPECT_FALSE(parse_iso_date(text)) << text;
}

} // namespace
} // namespace velmora
