#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "tables/buffer_pool.hpp"
#include "velmora/model/date.hpp"
#include "velmora/model/decimal.hpp"

namespace velmora::tables {

// What a column holds. Decimals get their scale and width only when the
// table they belong to is assembled.
enum class ColumnType { Utf8, Int32, Int64, Date32, Decimal, Utf8Map };

struct ColumnSpec {
  std::string_view name;
  ColumnType type;
  bool nullable;
};

// The buffers of one finished column, laid out as Arrow lays them out.
// A map column keeps its entry offsets here and its keys and values as the
// two children.
struct ColumnData {
  std::int64_t length = 0;
  std::int64_t null_count = 0;
  Buffer<std::uint8_t> validity; // one bit per row; empty when no nulls
  Buffer<std::int32_t> offsets;  // utf8 and map: length + 1 entries
  Buffer<std::uint8_t> values;   // fixed-width values, or utf8 bytes
  std::vector<std::shared_ptr<const ColumnData>> children;
  // Set when the text outgrew 32-bit offsets and was dropped: such a
  // column must not be exported.
  bool overflow = false;
};

// A decimal column before its table's scale is known.
struct DecimalColumn {
  Buffer<Decimal> values;               // a zero where the row is null
  std::shared_ptr<ColumnData> validity; // length, null count and bits
};

// One bit per row. The bits are written only once a row is null: a column
// without nulls (most of them) costs a count per row and nothing more.
class ValidityBuilder {
public:
  void append(bool valid) {
    if (!valid) {
      if (nulls_ == 0) start_bits();
      ++nulls_;
    }
    if (nulls_ > 0) {
      if ((length_ & 7) == 0) bits_.push_back(0);
      bits_.back() |= static_cast<std::uint8_t>(std::uint8_t{valid} << (length_ & 7));
    }
    ++length_;
  }
  // Moves the bits, length and null count into the column.
  void finish(ColumnData &column);

private:
  void start_bits(); // the bits of the rows so far, all valid
  Buffer<std::uint8_t> bits_;
  std::int64_t length_ = 0;
  std::int64_t nulls_ = 0;
};

class Utf8Builder {
public:
  void reserve(std::size_t rows, std::size_t bytes);
  void append(std::string_view text) {
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(text.data());
    data_.insert(data_.end(), bytes, bytes + text.size()); // no zero fill first
    push_offset();
    validity_.append(true);
  }
  void append_null() {
    push_offset();
    validity_.append(false);
  }
  // False once the text of the column no longer fits 32-bit offsets.
  bool fits() const { return fits_; }
  std::shared_ptr<ColumnData> finish();

private:
  void push_offset() {
    if (data_.size() > kMaxBytes) overflowed();
    offsets_.push_back(static_cast<std::int32_t>(data_.size()));
  }
  void overflowed();
  static constexpr std::size_t kMaxBytes = 0x7fffffff;
  ValidityBuilder validity_;
  Buffer<std::int32_t> offsets_{0};
  Buffer<std::uint8_t> data_;
  bool fits_ = true;
};

template <class T> class FixedBuilder {
public:
  void reserve(std::size_t rows) { values_.reserve(rows); }
  void append(T value) {
    values_.push_back(value);
    validity_.append(true);
  }
  void append_null() {
    values_.push_back(T{});
    validity_.append(false);
  }
  std::shared_ptr<ColumnData> finish();

private:
  ValidityBuilder validity_;
  Buffer<T> values_;
};

class DecimalBuilder {
public:
  void reserve(std::size_t rows) { values_.reserve(rows); }
  void append(const Decimal &value) {
    values_.push_back(value);
    validity_.append(true);
  }
  void append_null() {
    values_.push_back(Decimal{});
    validity_.append(false);
  }
  DecimalColumn finish();

private:
  ValidityBuilder validity_;
  Buffer<Decimal> values_;
};

// map<utf8, utf8>: rows of (key, value) entries; rows are never null.
class MapBuilder {
public:
  void add(std::string_view key, std::string_view value);
  void end_row();
  bool fits() const { return keys_.fits() && values_.fits(); }
  std::shared_ptr<ColumnData> finish();

private:
  Utf8Builder keys_;
  Utf8Builder values_;
  Buffer<std::int32_t> offsets_{0};
  std::int32_t entries_ = 0;
};

// Days since 1970-01-01 in the proleptic Gregorian calendar.
std::int32_t days_since_epoch(const Date &date);

} // namespace velmora::tables
