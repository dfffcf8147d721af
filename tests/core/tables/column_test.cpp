#include "tables/column.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace velmora::tables {
namespace {

bool bit(const ColumnData &c, std::size_t i) { return (c.validity[i >> 3] >> (i & 7)) & 1u; }

// Rows of text with nulls at the given places: the bits start only with the
// first null, and must then describe every row before it as valid.
TEST(Utf8Builder, ValidityAndOffsetsWhereverTheFirstNullFalls) {
  const std::vector<std::vector<std::size_t>> null_rows = {{},  {0},     {1},          {7},
                                                           {8}, {9, 10}, {15, 16, 30}, {23}};
  for (const auto &nulls : null_rows) {
    Utf8Builder builder;
    std::string expected_text;
    for (std::size_t row = 0; row < 31; ++row) {
      if (std::find(nulls.begin(), nulls.end(), row) != nulls.end()) {
        builder.append_null();
      } else {
        std::string text(row % 4, static_cast<char>('a' + row % 26));
        builder.append(text);
        expected_text += text;
      }
    }
    auto column = builder.finish();
    ASSERT_EQ(column->length, 31);
    EXPECT_EQ(column->null_count, static_cast<std::int64_t>(nulls.size()));
    EXPECT_EQ(std::string(column->values.begin(), column->values.end()), expected_text);
    ASSERT_EQ(column->offsets.size(), 32u);
    if (nulls.empty()) {
      EXPECT_TRUE(column->validity.empty());
      continue;
    }
    ASSERT_EQ(column->validity.size(), 4u);
    for (std::size_t row = 0; row < 31; ++row) {
      const bool is_null = std::find(nulls.begin(), nulls.end(), row) != nulls.end();
      EXPECT_EQ(bit(*column, row), !is_null) << "row " << row;
      EXPECT_EQ(column->offsets[row + 1] - column->offsets[row], is_null ? 0 : int(row % 4));
    }
    EXPECT_FALSE(bit(*column, 31)); // past the last row
  }
}

TEST(FixedBuilder, NullsAfterManyValidRows) {
  FixedBuilder<std::int32_t> builder;
  for (std::int32_t i = 0; i < 100; ++i) builder.append(i);
  builder.append_null();
  builder.append(7);
  auto column = builder.finish();
  EXPECT_EQ(column->length, 102);
  EXPECT_EQ(column->null_count, 1);
  for (std::size_t row = 0; row < 102; ++row) EXPECT_EQ(bit(*column, row), row != 100) << row;
}

} // namespace
} // namespace velmora::tables
