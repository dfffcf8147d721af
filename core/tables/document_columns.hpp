#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "tables/column.hpp"
#include "tables/document_section.hpp"
#include "tables/file_rows.hpp"

namespace velmora::tables {

// The documents table of one statement, after `source`, built a row at a
// time from each document section that builds: its position, the 53
// fields, and the keys that no field takes.
class DocumentColumns {
public:
  DocumentColumns();
  void append(const DocumentSection &section, const ConvertedValues &converted);
  // The rows so far; `first` is the position of the first of them in the
  // statement's documents (not 0 for a later part of a statement).
  RawBatch finish(std::int32_t first = 0);

private:
  std::int32_t rows_ = 0;
  // Per field, in declaration order; each field uses the builder of its kind.
  std::vector<Utf8Builder> texts_;
  std::vector<FixedBuilder<std::int32_t>> dates_;
  std::vector<DecimalBuilder> amounts_;
  MapBuilder extras_;
};

} // namespace velmora::tables
