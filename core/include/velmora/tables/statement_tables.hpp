#pragma once

// Statements as Arrow tables. One statement's bytes are parsed and kept as
// rows (read_file_tables); the rows of many statements are then combined
// into five tables (assemble_tables) that export themselves through the
// Arrow C data and stream interfaces, sharing their buffers with every
// consumer instead of copying them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "velmora/parse_error.hpp"
#include "velmora/tables/arrow_c_data.hpp"

namespace velmora::tables {

enum class TableKind { Documents, Intervals, Header, Warnings, Errors };
inline constexpr std::size_t kTableCount = 5;
inline constexpr std::array<std::string_view, kTableCount> kTableNames{
    "documents", "intervals", "header", "warnings", "errors"};

// Why a source gave no rows: the name of the error class (as Python names
// it: "SyntaxError", "NotStatementError", "OSError"…), its text, and the
// line it points at when it has one.
struct SourceFailure {
  std::string error;
  std::string message;
  std::optional<std::uint64_t> line;
};

// The class name under which a parse error reaches Python.
std::string_view error_class_name(ParseError::Kind kind);
SourceFailure failure_of(const ParseError &error);

struct FileRows; // defined in the implementation

// The rows of one parsed statement, for every table but errors. Immutable
// once made; cheap to share.
class FileTables {
public:
  explicit FileTables(std::shared_ptr<const FileRows> rows) : rows_(std::move(rows)) {}
  const FileRows &rows() const { return *rows_; }
  std::int64_t document_count() const;

private:
  std::shared_ptr<const FileRows> rows_;
};

// Parses one statement, with no hooks, and keeps every value of it: the
// documents with the keys that no field takes, the intervals, every header
// line and the warnings. With threads > 1 a statement of at least twice
// min_part_bytes is read in up to that many parts at once, cut between
// document sections; the rows are the same, in as many batches.
inline constexpr std::size_t kMinPartBytes = std::size_t{1} << 20;
std::expected<FileTables, SourceFailure>
read_file_tables(std::string_view bytes, std::size_t threads = 1,
                 std::size_t min_part_bytes = kMinPartBytes);

// One source in the order of the result: its label and its rows or failure.
struct SourceRows {
  std::string source;
  std::variant<FileTables, SourceFailure> rows;
};

struct TableData; // defined in the implementation

// One finished table: a schema and its record batches, one per source that
// has rows (or one per part of a source read in parts). Copies share the
// data.
class Table {
public:
  Table() = default;
  explicit Table(std::shared_ptr<const TableData> data) : data_(std::move(data)) {}

  std::int64_t num_rows() const;
  std::size_t num_columns() const;
  std::string_view column_name(std::size_t i) const;

  // Both return 0, or an errno value (ENOMEM) with *out left released.
  int export_schema(ArrowSchema *out) const;
  int export_stream(ArrowArrayStream *out) const;

private:
  std::shared_ptr<const TableData> data_;
};

struct StatementTables {
  std::array<Table, kTableCount> tables;
  const Table &operator[](TableKind kind) const { return tables[static_cast<std::size_t>(kind)]; }
};

// Combines the sources, in order, into the five tables. Amount columns get
// the largest scale written in their table, and 256-bit decimals when some
// value then needs more than 38 digits.
StatementTables assemble_tables(std::span<const SourceRows> sources);

} // namespace velmora::tables
