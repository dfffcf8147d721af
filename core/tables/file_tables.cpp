#include <algorithm>
#include <atomic>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "parser/document_observer.hpp"
#include "parser/statement_parts.hpp"
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

// The warnings of a part whose first line follows `lines_before` lines.
RawBatch warning_rows(const std::vector<Warning> &warnings, std::uint64_t lines_before) {
  FixedBuilder<std::int64_t> line;
  Utf8Builder message;
  for (const Warning &w : warnings) {
    line.append(static_cast<std::int64_t>(lines_before + w.lineno));
    message.append(w.message);
  }
  RawBatch batch;
  batch.rows = static_cast<std::int64_t>(warnings.size());
  batch.columns = {finished(line), finished(message)};
  return batch;
}

// Adds the document and warning rows of a statement's part (or of the whole
// statement) whose first document follows `documents_before` documents and
// whose first line follows `lines_before` lines.
void add_part_rows(FileRows &rows, LineCollector &lines, std::int32_t documents_before,
                   std::uint64_t lines_before) {
  rows[TableKind::Documents].push_back(lines.documents().finish(documents_before));
  rows[TableKind::Warnings].push_back(warning_rows(lines.warnings(), lines_before));
}

// Adds the rows that the statement has once: its intervals, and its header
// lines, which its first part (or the whole) collected.
void add_statement_rows(FileRows &rows, const AccountMap &accounts, LineCollector &first_part) {
  rows[TableKind::Intervals].push_back(interval_rows(accounts));
  rows[TableKind::Header].push_back(header_rows(first_part));
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

std::expected<FileTables, SourceFailure> checked(std::shared_ptr<FileRows> rows) {
  for (const std::vector<RawBatch> &batches : rows->tables) {
    for (const RawBatch &batch : batches) {
      if (!all_fit(batch)) {
        return std::unexpected(SourceFailure{
            "ValueError", "a column of this statement holds more than 2 GiB of text", {}});
      }
    }
  }
  return FileTables(std::move(rows));
}

// What one part of a statement leaves behind.
struct PartRows {
  LineCollector lines;
  StatementParts::Outcome outcome;
};

// Runs work(k) for every k < parts on up to `threads` threads: this one
// and threads of its own (fewer, when no more can be started), each taking
// the next part left until none is. An allocation failure in any part is
// raised again here, once all ended.
template <class Work> void run_parts(std::size_t parts, std::size_t threads, Work &&work) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> no_memory{false};
  auto worker = [&] {
    for (std::size_t k; (k = next.fetch_add(1)) < parts;) {
      try {
        work(k);
      } catch (const std::bad_alloc &) {
        no_memory = true;
      }
    }
  };
  std::vector<std::thread> helpers;
  const std::size_t started = std::min(threads, parts);
  helpers.reserve(started);
  for (std::size_t t = 1; t < started; ++t) {
    try {
      helpers.emplace_back(worker);
    } catch (const std::system_error &) {
      break; // the threads started so far take the parts
    }
  }
  worker();
  for (std::thread &helper : helpers) helper.join();
  if (no_memory) throw std::bad_alloc();
}

// The rows of the statement read in parts at once, or nothing when it is
// to be read whole (see StatementParts).
std::optional<std::shared_ptr<FileRows>> read_in_parts(std::string_view bytes, std::size_t threads,
                                                       std::size_t min_part_bytes) {
  const auto plan = StatementParts::plan(bytes, threads, min_part_bytes);
  if (!plan) return std::nullopt;
  std::vector<PartRows> parts(plan->size());
  run_parts(parts.size(), threads,
            [&](std::size_t k) { parts[k].outcome = plan->read(k, parts[k].lines); });
  for (const PartRows &part : parts) {
    if (part.outcome.error || !part.outcome.joins) return std::nullopt;
  }
  auto rows = std::make_shared<FileRows>();
  std::int32_t documents = 0;
  std::uint64_t lines = 0;
  for (PartRows &part : parts) {
    add_part_rows(*rows, part.lines, documents, lines);
    documents += static_cast<std::int32_t>((*rows)[TableKind::Documents].back().rows);
    lines += part.outcome.lines;
  }
  add_statement_rows(*rows, parts[0].outcome.statement.accounts, parts[0].lines);
  return rows;
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

std::int64_t FileTables::document_count() const {
  std::int64_t count = 0;
  for (const RawBatch &batch : (*rows_)[TableKind::Documents]) count += batch.rows;
  return count;
}

std::expected<FileTables, SourceFailure>
read_file_tables(std::string_view bytes, std::size_t threads, std::size_t min_part_bytes) {
  if (threads > 1) {
    if (auto rows = read_in_parts(bytes, threads, min_part_bytes)) return checked(std::move(*rows));
  }
  LineCollector lines;
  auto parsed = parse_statement_observed(bytes, lines);
  if (!parsed) return std::unexpected(failure_of(parsed.error()));
  auto rows = std::make_shared<FileRows>();
  add_part_rows(*rows, lines, 0, 0);
  add_statement_rows(*rows, parsed->accounts, lines);
  return checked(std::move(rows));
}

} // namespace velmora::tables
