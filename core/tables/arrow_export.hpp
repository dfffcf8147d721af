#pragma once

#include <memory>
#include <span>
#include <vector>

#include "tables/column.hpp"
#include "tables/decimal_cells.hpp"
#include "velmora/tables/arrow_c_data.hpp"

namespace velmora::tables {

// A table's schema: its columns, with the amount columns' layout.
struct TableSchema {
  std::vector<ColumnSpec> columns;
  DecimalLayout decimals;
};

// One record batch: a finished column per column of the schema.
struct Batch {
  std::int64_t rows = 0;
  std::vector<std::shared_ptr<const ColumnData>> columns;
};

// Fill *out as a struct schema with one child per column. The caller owns
// *out and must release it. Throws only std::bad_alloc.
void export_schema(const TableSchema &schema, ArrowSchema *out);

// Fill *out as a struct array over the batch; the exported array keeps the
// batch's buffers alive until released. Throws only std::bad_alloc.
void export_batch(const TableSchema &schema, std::shared_ptr<const Batch> batch, ArrowArray *out);

} // namespace velmora::tables
