#include "tables/document_columns.hpp"

#include "tables/table_columns.hpp"

namespace velmora::tables {

namespace {

// Documents hold no optional amount: an amount cell is never null.
static_assert([] {
  for (const FieldInfo &f : kDocumentFields) {
    if (f.kind == FieldKind::Amount && !f.required) return false;
  }
  return true;
}());

constexpr std::size_t count_of(FieldKind kind) {
  std::size_t n = 0;
  for (const FieldInfo &f : kDocumentFields) n += f.kind == kind;
  return n;
}

// The fields of one kind, in declaration order: entry i is the field that
// the kind's i-th builder takes.
template <FieldKind K> constexpr auto fields_of() {
  std::array<std::size_t, count_of(K)> fields{};
  std::size_t n = 0;
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    if (kDocumentFields[i].kind == K) fields[n++] = i;
  }
  return fields;
}
constexpr auto kTextFields = fields_of<FieldKind::Text>();
constexpr auto kDateFields = fields_of<FieldKind::Date>();
constexpr auto kAmountFields = fields_of<FieldKind::Amount>();

// A field's builder among those of its kind.
constexpr std::array<std::size_t, kDocumentFieldCount> kBuilderOf = [] {
  std::array<std::size_t, kDocumentFieldCount> index{};
  std::array<std::size_t, 3> count{};
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    index[i] = count[static_cast<std::size_t>(kDocumentFields[i].kind)]++;
  }
  return index;
}();

template <class B> RawColumn finished(B &builder) {
  return std::shared_ptr<const ColumnData>(builder.finish());
}

} // namespace

DocumentColumns::DocumentColumns()
    : texts_(kTextFields.size()), dates_(kDateFields.size()), amounts_(kAmountFields.size()) {}

void DocumentColumns::append(const DocumentSection &section, const ConvertedValues &converted) {
  ++rows_;
  for (std::size_t i = 0; i < kTextFields.size(); ++i) {
    if (auto text = section.value(kTextFields[i]))
      texts_[i].append(*text);
    else
      texts_[i].append_null();
  }
  for (std::size_t i = 0; i < kDateFields.size(); ++i) {
    if (const auto &date = converted[kConvertedSlot[kDateFields[i]]].date)
      dates_[i].append(days_since_epoch(*date));
    else
      dates_[i].append_null();
  }
  for (std::size_t i = 0; i < kAmountFields.size(); ++i) {
    amounts_[i].append(converted[kConvertedSlot[kAmountFields[i]]].amount);
  }
  for (const DocumentSection::Extra &extra : section.extras()) extras_.add(extra.key, extra.value);
  extras_.end_row();
}

RawBatch DocumentColumns::finish(std::int32_t first) {
  RawBatch batch;
  batch.rows = rows_;
  FixedBuilder<std::int32_t> position;
  position.reserve(static_cast<std::size_t>(rows_));
  for (std::int32_t i = 0; i < rows_; ++i) position.append(first + i);
  batch.columns.push_back(finished(position));
  rows_ = 0;
  for (std::size_t field : kDocumentColumnFields) {
    const std::size_t b = kBuilderOf[field];
    switch (kDocumentFields[field].kind) {
    case FieldKind::Text: batch.columns.push_back(finished(texts_[b])); break;
    case FieldKind::Date: batch.columns.push_back(finished(dates_[b])); break;
    case FieldKind::Amount: batch.columns.push_back(amounts_[b].finish()); break;
    }
  }
  batch.columns.push_back(finished(extras_));
  return batch;
}

} // namespace velmora::tables
