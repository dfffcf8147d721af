#include "tables/document_columns.hpp"

#include "tables/table_columns.hpp"

namespace velmora::tables {

namespace {

// A field's builder among those of its kind.
constexpr std::array<std::size_t, kDocumentFieldCount> kBuilderOf = [] {
  std::array<std::size_t, kDocumentFieldCount> index{};
  std::array<std::size_t, 3> count{};
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    index[i] = count[static_cast<std::size_t>(kDocumentFields[i].kind)]++;
  }
  return index;
}();

constexpr std::size_t builders_of(FieldKind kind) {
  std::size_t n = 0;
  for (const FieldInfo &f : kDocumentFields) n += f.kind == kind;
  return n;
}

// Documents hold no optional amount: an amount cell is never null.
static_assert([] {
  for (const FieldInfo &f : kDocumentFields) {
    if (f.kind == FieldKind::Amount && !f.required) return false;
  }
  return true;
}());

template <class B> RawColumn finished(B &builder) {
  return std::shared_ptr<const ColumnData>(builder.finish());
}

} // namespace

DocumentColumns::DocumentColumns()
    : texts_(builders_of(FieldKind::Text)), dates_(builders_of(FieldKind::Date)),
      amounts_(builders_of(FieldKind::Amount)) {}

void DocumentColumns::append(const DocumentSection &section, const ConvertedValues &converted) {
  position_.append(rows_++);
  for (std::size_t field = 0; field < kDocumentFieldCount; ++field) {
    const std::size_t b = kBuilderOf[field];
    switch (kDocumentFields[field].kind) {
    case FieldKind::Text:
      if (auto text = section.value(field))
        texts_[b].append(*text);
      else
        texts_[b].append_null();
      break;
    case FieldKind::Date:
      if (const auto &date = converted[kConvertedSlot[field]].date)
        dates_[b].append(days_since_epoch(*date));
      else
        dates_[b].append_null();
      break;
    case FieldKind::Amount: amounts_[b].append(converted[kConvertedSlot[field]].amount); break;
    }
  }
  for (const AttributeMap::Entry &extra : section.extras()) extras_.add(extra.key, extra.value);
  extras_.end_row();
}

RawBatch DocumentColumns::finish() {
  RawBatch batch;
  batch.rows = rows_;
  batch.columns.push_back(finished(position_));
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
