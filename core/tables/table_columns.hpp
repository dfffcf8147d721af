#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "tables/column.hpp"
#include "velmora/model/document.hpp"
#include "velmora/model/document_attribute_order.hpp"
#include "velmora/tables/statement_tables.hpp"

namespace velmora::tables {

// The column of a document field of this kind.
constexpr ColumnSpec field_column(const FieldInfo &field) {
  const bool nullable = !field.required;
  switch (field.kind) {
  case FieldKind::Text: return {field.name, ColumnType::Utf8, nullable};
  case FieldKind::Date: return {field.name, ColumnType::Date32, nullable};
  case FieldKind::Amount: return {field.name, ColumnType::Decimal, nullable};
  }
  return {field.name, ColumnType::Utf8, true};
}

// The document fields in the order of the table's columns: each entry is
// an index into kDocumentFields (and kDocumentMembers). This is the one
// place that walks the field table for the tables.
constexpr std::array<std::size_t, kDocumentFieldCount> document_column_fields() {
  std::array<std::size_t, kDocumentFieldCount> fields{};
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    fields[i] = document_field_index(kDocumentAttributeOrder[i]);
  }
  return fields;
}
inline constexpr auto kDocumentColumnFields = document_column_fields();

// Every table's columns after `source`, which all of them start with.
std::vector<ColumnSpec> columns_after_source(TableKind kind);

// Every table's columns, `source` first.
std::vector<ColumnSpec> table_columns(TableKind kind);

} // namespace velmora::tables
