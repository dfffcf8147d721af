#include "tables/table_columns.hpp"

namespace velmora::tables {

namespace {

std::vector<ColumnSpec> document_columns() {
  std::vector<ColumnSpec> columns{{"document", ColumnType::Int32, false}};
  for (std::size_t field : kDocumentColumnFields) {
    columns.push_back(field_column(kDocumentFields[field]));
  }
  columns.push_back({"extra", ColumnType::Utf8Map, false});
  return columns;
}

} // namespace

std::vector<ColumnSpec> columns_after_source(TableKind kind) {
  switch (kind) {
  case TableKind::Documents: return document_columns();
  case TableKind::Intervals:
    return {
        {"account", ColumnType::Utf8, false},        {"date_start", ColumnType::Date32, false},
        {"date_end", ColumnType::Date32, true},      {"start_amount", ColumnType::Decimal, false},
        {"end_amount", ColumnType::Decimal, true},   {"total_income", ColumnType::Decimal, true},
        {"total_expense", ColumnType::Decimal, true}};
  case TableKind::Header:
    return {{"line", ColumnType::Int64, false},
            {"key", ColumnType::Utf8, false},
            {"value", ColumnType::Utf8, false}};
  case TableKind::Warnings:
    return {{"line", ColumnType::Int64, false}, {"message", ColumnType::Utf8, false}};
  case TableKind::Errors:
    return {{"error", ColumnType::Utf8, false},
            {"message", ColumnType::Utf8, false},
            {"line", ColumnType::Int64, true}};
  }
  return {};
}

std::vector<ColumnSpec> table_columns(TableKind kind) {
  std::vector<ColumnSpec> columns{{"source", ColumnType::Utf8, false}};
  for (const ColumnSpec &spec : columns_after_source(kind)) columns.push_back(spec);
  return columns;
}

} // namespace velmora::tables
