#include <cerrno>
#include <new>
#include <string>

#include "tables/arrow_export.hpp"
#include "tables/file_rows.hpp"
#include "tables/table_columns.hpp"

namespace velmora::tables {

struct TableData {
  TableSchema schema;
  std::vector<std::shared_ptr<const Batch>> batches;
  std::int64_t rows = 0;
};

namespace {

const FileRows *rows_of(const SourceRows &source) {
  const auto *tables = std::get_if<FileTables>(&source.rows);
  return tables ? &tables->rows() : nullptr;
}

// The amount layout of one table: the largest scale in any of its decimal
// columns over all sources, then whether some value needs 256 bits there.
DecimalLayout decimal_layout(std::span<const SourceRows> sources, TableKind kind) {
  DecimalLayout layout;
  auto each_decimal = [&](auto &&visit) {
    for (const SourceRows &source : sources) {
      const FileRows *rows = rows_of(source);
      if (!rows) continue;
      for (const RawBatch &batch : (*rows)[kind]) {
        for (const RawColumn &column : batch.columns) {
          if (const auto *d = std::get_if<DecimalColumn>(&column)) visit(*d);
        }
      }
    }
  };
  each_decimal(
      [&](const DecimalColumn &d) { layout.scale = std::max(layout.scale, max_scale(d)); });
  each_decimal(
      [&](const DecimalColumn &d) { layout.wide = layout.wide || needs_wide(d, layout.scale); });
  return layout;
}

std::shared_ptr<const ColumnData> repeated(std::string_view text, std::int64_t rows) {
  Utf8Builder column;
  column.reserve(static_cast<std::size_t>(rows), text.size() * static_cast<std::size_t>(rows));
  for (std::int64_t i = 0; i < rows; ++i) column.append(text);
  return column.finish();
}

std::shared_ptr<const ColumnData> finish_column(const RawColumn &column, DecimalLayout layout) {
  if (const auto *done = std::get_if<std::shared_ptr<const ColumnData>>(&column)) return *done;
  return encode_decimals(std::get<DecimalColumn>(column), layout);
}

std::shared_ptr<const TableData> file_table(std::span<const SourceRows> sources, TableKind kind) {
  auto table = std::make_shared<TableData>();
  table->schema.columns = table_columns(kind);
  table->schema.decimals = decimal_layout(sources, kind);
  for (const SourceRows &source : sources) {
    const FileRows *rows = rows_of(source);
    if (!rows) continue;
    for (const RawBatch &raw : (*rows)[kind]) {
      if (raw.rows == 0) continue;
      auto batch = std::make_shared<Batch>();
      batch->rows = raw.rows;
      batch->columns.push_back(repeated(source.source, raw.rows));
      for (const RawColumn &column : raw.columns) {
        batch->columns.push_back(finish_column(column, table->schema.decimals));
      }
      table->rows += raw.rows;
      table->batches.push_back(std::move(batch));
    }
  }
  return table;
}

std::shared_ptr<const TableData> error_table(std::span<const SourceRows> sources) {
  auto table = std::make_shared<TableData>();
  table->schema.columns = table_columns(TableKind::Errors);
  Utf8Builder source, error, message;
  FixedBuilder<std::int64_t> line;
  for (const SourceRows &s : sources) {
    const auto *failure = std::get_if<SourceFailure>(&s.rows);
    if (!failure) continue;
    source.append(s.source);
    error.append(failure->error);
    message.append(failure->message);
    if (failure->line)
      line.append(static_cast<std::int64_t>(*failure->line));
    else
      line.append_null();
    ++table->rows;
  }
  if (table->rows > 0) {
    auto batch = std::make_shared<Batch>();
    batch->rows = table->rows;
    batch->columns = {source.finish(), error.finish(), message.finish(), line.finish()};
    table->batches.push_back(std::move(batch));
  }
  return table;
}

// --- the stream -------------------------------------------------------------

struct StreamHolder {
  std::shared_ptr<const TableData> table;
  std::size_t next = 0;
  std::string error;
};

StreamHolder *holder_of(ArrowArrayStream *stream) {
  return static_cast<StreamHolder *>(stream->private_data);
}

int stream_schema(ArrowArrayStream *stream, ArrowSchema *out) {
  StreamHolder *holder = holder_of(stream);
  try {
    export_schema(holder->table->schema, out);
    return 0;
  } catch (const std::bad_alloc &) {
    holder->error = "out of memory while exporting a schema";
    return ENOMEM;
  }
}

int stream_next(ArrowArrayStream *stream, ArrowArray *out) {
  StreamHolder *holder = holder_of(stream);
  if (holder->next == holder->table->batches.size()) {
    *out = ArrowArray{}; // a released array marks the end of the stream
    return 0;
  }
  try {
    export_batch(holder->table->schema, holder->table->batches[holder->next], out);
    ++holder->next;
    return 0;
  } catch (const std::bad_alloc &) {
    holder->error = "out of memory while exporting a record batch";
    return ENOMEM;
  }
}

const char *stream_error(ArrowArrayStream *stream) {
  StreamHolder *holder = holder_of(stream);
  return holder->error.empty() ? nullptr : holder->error.c_str();
}

void stream_release(ArrowArrayStream *stream) {
  delete holder_of(stream);
  stream->release = nullptr;
}

} // namespace

std::int64_t Table::num_rows() const { return data_ ? data_->rows : 0; }
std::size_t Table::num_columns() const { return data_ ? data_->schema.columns.size() : 0; }
std::string_view Table::column_name(std::size_t i) const {
  return data_->schema.columns.at(i).name;
}

int Table::export_schema(ArrowSchema *out) const {
  *out = ArrowSchema{};
  try {
    tables::export_schema(data_->schema, out);
    return 0;
  } catch (const std::bad_alloc &) {
    return ENOMEM;
  }
}

int Table::export_stream(ArrowArrayStream *out) const {
  *out = ArrowArrayStream{};
  StreamHolder *holder = new (std::nothrow) StreamHolder{data_, 0, {}};
  if (!holder) return ENOMEM;
  out->get_schema = stream_schema;
  out->get_next = stream_next;
  out->get_last_error = stream_error;
  out->release = stream_release;
  out->private_data = holder;
  return 0;
}

StatementTables assemble_tables(std::span<const SourceRows> sources) {
  StatementTables result;
  for (TableKind kind :
       {TableKind::Documents, TableKind::Intervals, TableKind::Header, TableKind::Warnings}) {
    result.tables[static_cast<std::size_t>(kind)] = Table(file_table(sources, kind));
  }
  result.tables[static_cast<std::size_t>(TableKind::Errors)] = Table(error_table(sources));
  return result;
}

} // namespace velmora::tables
