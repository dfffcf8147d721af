#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include "tables/column.hpp"
#include "velmora/tables/statement_tables.hpp"

namespace velmora::tables {

// A column as one file left it: finished, or a decimal column waiting for
// its table's scale.
using RawColumn = std::variant<std::shared_ptr<const ColumnData>, DecimalColumn>;

// One file's rows of one table, the columns after `source`.
struct RawBatch {
  std::int64_t rows = 0;
  std::vector<RawColumn> columns;
};

// The rows of one statement for every table that files give rows to
// (documents, intervals, header, warnings), indexed by TableKind: a batch
// per part of the statement that was read on a thread of its own, in order.
struct FileRows {
  std::array<std::vector<RawBatch>, kTableCount - 1> tables;
  const std::vector<RawBatch> &operator[](TableKind kind) const {
    return tables[static_cast<std::size_t>(kind)];
  }
  std::vector<RawBatch> &operator[](TableKind kind) {
    return tables[static_cast<std::size_t>(kind)];
  }
};

} // namespace velmora::tables
