#include "tables/document_section.hpp"

#include "parser/document_draft.hpp"
#include "parser/field_lookup.hpp"
#include "parser/record_building.hpp"
#include "parser/value_parsing.hpp"

namespace velmora::tables {

namespace {

constexpr std::array<std::string_view, kDocumentFieldCount> document_keys() {
  std::array<std::string_view, kDocumentFieldCount> keys{};
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) keys[i] = kDocumentFields[i].key;
  return keys;
}
constexpr FieldLookup<kDocumentFieldCount> kFieldKeys{document_keys()};

// Converts a date or amount value as record building converts it into the
// field's member: required or optional date, or amount.
std::expected<void, std::string> convert_into(ConvertedValue &slot, const FieldInfo &field,
                                              std::string_view value) {
  if (field.kind == FieldKind::Amount) {
    auto amount = parse_amount(value);
    if (!amount) return std::unexpected(std::move(amount.error()));
    slot.amount = *amount;
  } else if (field.required) {
    auto date = parse_required_date(value);
    if (!date) return std::unexpected(std::move(date.error()));
    slot.date = *date;
  } else {
    auto date = parse_optional_date(value);
    if (!date) return std::unexpected(std::move(date.error()));
    slot.date = *date;
  }
  return {};
}

} // namespace

void DocumentSection::open(std::string_view doc_type) {
  seen_.reset();
  count_ = 0;
  extras_.clear();
  kept_.clear();
  type_ = doc_type;
}

void DocumentSection::keep_views_of(std::string_view text) {
  if (DocumentDraft::lies_in(type_, text)) type_ = kept_.emplace_back(type_);
  for (std::size_t i = 0; i < count_; ++i) {
    std::string_view &value = values_[order_[i]];
    if (DocumentDraft::lies_in(value, text)) value = kept_.emplace_back(value);
  }
}

void DocumentSection::add(std::string_view key, std::string_view value) {
  const std::size_t field = kFieldKeys.find(key);
  if (field == kFieldKeys.kNotFound) {
    extras_.insert(key, value);
    return;
  }
  if (!seen_[field]) {
    seen_.set(field);
    order_[count_++] = static_cast<std::uint8_t>(field);
  }
  values_[field] = value;
}

std::expected<ConvertedValues, std::string> DocumentSection::convert() const {
  ConvertedValues converted{};
  for (std::size_t i = 0; i < count_; ++i) {
    const std::size_t field = order_[i];
    const FieldInfo &info = kDocumentFields[field];
    if (info.kind == FieldKind::Text) continue; // a text is stored as it is
    if (auto done = convert_into(converted[kConvertedSlot[field]], info, values_[field]); !done)
      return std::unexpected(std::move(done.error()));
  }
  // The type comes after the section's own pairs, as record building adds it.
  if (seen_[kTypeField]) return std::unexpected(duplicate_field_message(kDocumentBeginKey));
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    if (kDocumentFields[i].required && i != kTypeField && !seen_[i]) {
      return std::unexpected(missing_field_message(kDocumentFields[i].key));
    }
  }
  return converted;
}

} // namespace velmora::tables
