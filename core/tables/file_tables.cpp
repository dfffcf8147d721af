#include "parser/document_observer.hpp"
#include "tables/file_rows.hpp"
#include "tables/line_collector.hpp"

namespace velmora::tables {

namespace {

template <class B> RawColumn finished(B &builder) {
  return std::shared_ptr<const ColumnData>(builder.finish());
}

void append_optional(DecimalBuilder &column, const std::optional<Decimal> &value) {
  if (value)
    column.append(*value);
  else
    column.append_null();
}

RawBatch interval_rows(const AccountMap &accounts) {
  Utf8Builder account;
  FixedBuilder<std::int32_t> start, end;
  DecimalBuilder start_amount, end_amount, income, expense;
  RawBatch batch;
  for (const Account &a : accounts) {
    for (const Interval &iv : a.intervals) {
      account.append(a.number);
      start.append(days_since_epoch(iv.date_start));
      if (iv.date_end)
        end.append(days_since_epoch(*iv.date_end));
      else
        end.append_null();
      start_amount.append(iv.start_amount);
      append_optional(end_amount, iv.end_amount);
      append_optional(income, iv.total_income);
      append_optional(expense, iv.total_expense);
      ++batch.rows;
    }
  }
  batch.columns = {finished(account),   finished(start), finished(end),   start_amount.finish(),
                   end_amount.finish(), income.finish(), expense.finish()};
  return batch;
}

RawBatch header_rows(LineCollector &lines) {
  RawBatch batch;
  batch.rows = lines.header_rows();
  batch.columns = {finished(lines.header_lines()), finished(lines.header_keys()),
                   finished(lines.header_values())};
  return batch;
}

RawBatch warning_rows(const std::vector<Warning> &warnings) {
  FixedBuilder<std::int64_t> line;
  Utf8Builder message;
  for (const Warning &w : warnings) {
    line.append(static_cast<std::int64_t>(w.lineno));
    message.append(w.message);
  }
  RawBatch batch;
  batch.rows = static_cast<std::int64_t>(warnings.size());
  batch.columns = {finished(line), finished(message)};
  return batch;
}

bool fits(const ColumnData &column) {
  if (column.overflow) return false;
  for (const auto &child : column.children) {
    if (!fits(*child)) return false;
  }
  return true;
}

bool all_fit(const RawBatch &batch) {
  for (const RawColumn &column : batch.columns) {
    const auto *data = std::get_if<std::shared_ptr<const ColumnData>>(&column);
    if (data && !fits(**data)) return false;
  }
  return true;
}

} // namespace

std::string_view error_class_name(ParseError::Kind kind) {
  switch (kind) {
  case ParseError::Kind::Unfinished: return "UnfinishedError";
  case ParseError::Kind::NotStatement: return "NotStatementError";
  case ParseError::Kind::EmptyInput: return "EmptyInputError";
  default: return "SyntaxError";
  }
}

SourceFailure failure_of(const ParseError &error) {
  SourceFailure failure{std::string(error_class_name(error.kind())), error.display(), {}};
  if (error.has_lineno()) failure.line = error.lineno();
  return failure;
}

std::int64_t FileTables::document_count() const { return (*rows_)[TableKind::Documents].rows; }

std::expected<FileTables, SourceFailure> read_file_tables(std::string_view bytes) {
  LineCollector lines;
  auto parsed = parse_statement_observed(bytes, lines);
  if (!parsed) return std::unexpected(failure_of(parsed.error()));
  auto rows = std::make_shared<FileRows>();
  rows->tables[0] = lines.documents().finish();
  rows->tables[1] = interval_rows(parsed->accounts);
  rows->tables[2] = header_rows(lines);
  rows->tables[3] = warning_rows(lines.warnings());
  bool fits = true;
  for (const RawBatch &batch : rows->tables) fits = fits && all_fit(batch);
  if (!fits) {
    return std::unexpected(SourceFailure{
        "ValueError", "a column of this statement holds more than 2 GiB of text", {}});
  }
  return FileTables(std::move(rows));
}

} // namespace velmora::tables
