#include "tables/column.hpp"

namespace velmora::tables {

void ValidityBuilder::start_bits() {
  bits_.assign(static_cast<std::size_t>((length_ + 7) / 8), 0xff);
  // The bits past the last row start clear, as appending expects.
  if (length_ % 8 != 0) bits_.back() = static_cast<std::uint8_t>((1u << (length_ % 8)) - 1);
}

void ValidityBuilder::finish(ColumnData &column) {
  column.length = length_;
  column.null_count = nulls_;
  if (nulls_ > 0) column.validity = std::move(bits_);
  bits_.clear();
  length_ = nulls_ = 0;
}

void Utf8Builder::reserve(std::size_t rows, std::size_t bytes) {
  offsets_.reserve(rows + 1);
  data_.reserve(bytes);
}

void Utf8Builder::overflowed() {
  // Past this the column cannot be exported; the caller reports it.
  fits_ = false;
  data_.clear();
}

std::shared_ptr<ColumnData> Utf8Builder::finish() {
  auto column = std::make_shared<ColumnData>();
  validity_.finish(*column);
  column->offsets = std::move(offsets_);
  column->values = std::move(data_);
  column->overflow = !fits_;
  offsets_ = {0};
  fits_ = true;
  data_.clear();
  return column;
}

template <class T> std::shared_ptr<ColumnData> FixedBuilder<T>::finish() {
  auto column = std::make_shared<ColumnData>();
  validity_.finish(*column);
  const auto *bytes = reinterpret_cast<const std::uint8_t *>(values_.data());
  column->values.assign(bytes, bytes + values_.size() * sizeof(T));
  values_.clear();
  return column;
}

template class FixedBuilder<std::int32_t>;
template class FixedBuilder<std::int64_t>;

DecimalColumn DecimalBuilder::finish() {
  DecimalColumn column;
  column.validity = std::make_shared<ColumnData>();
  validity_.finish(*column.validity);
  column.values = std::move(values_);
  values_.clear();
  return column;
}

void MapBuilder::add(std::string_view key, std::string_view value) {
  keys_.append(key);
  values_.append(value);
  ++entries_;
}

void MapBuilder::end_row() { offsets_.push_back(entries_); }

std::shared_ptr<ColumnData> MapBuilder::finish() {
  auto column = std::make_shared<ColumnData>();
  column->length = static_cast<std::int64_t>(offsets_.size()) - 1;
  column->offsets = std::move(offsets_);
  column->children = {keys_.finish(), values_.finish()};
  offsets_ = {0};
  entries_ = 0;
  return column;
}

std::int32_t days_since_epoch(const Date &date) {
  // Howard Hinnant's days_from_civil, on 64-bit integers.
  std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t m = date.month;
  const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + date.day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int32_t>(era * 146097 + doe - 719468);
}

} // namespace velmora::tables
