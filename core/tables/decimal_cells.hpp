#pragma once

#include <memory>

#include "tables/column.hpp"

namespace velmora::tables {

// The Arrow type of a table's amount columns: decimal128(38, scale), or
// decimal256(76, scale) when some value needs more than 38 digits there.
struct DecimalLayout {
  unsigned scale = 0;
  bool wide = false;
  int byte_width() const { return wide ? 32 : 16; }
  unsigned precision() const { return wide ? 76 : 38; }
};

// The largest scale among the column's non-null values (0 for none).
unsigned max_scale(const DecimalColumn &column);
// Whether some value needs more than 38 digits at this scale.
bool needs_wide(const DecimalColumn &column, unsigned scale);
// The values as little-endian two's complement integers of the layout's
// width, each multiplied by 10^(layout scale - its own scale): exact.
std::shared_ptr<ColumnData> encode_decimals(const DecimalColumn &column, DecimalLayout layout);

} // namespace velmora::tables
