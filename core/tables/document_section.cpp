#include "tables/document_section.hpp"

#include "parser/document_draft.hpp"
#include "parser/known_keys.hpp"
#include "parser/model/keyed_hash.hpp"
#include "parser/record_building.hpp"
#include "parser/value_parsing.hpp"

namespace velmora::tables {

namespace {

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

std::size_t DocumentSection::KeyHash::operator()(std::string_view key) const {
  // Keyed: the keys come from the input.
  return static_cast<std::size_t>(keyed_hash(key));
}

void DocumentSection::open(std::string_view doc_type) {
  seen_.reset();
  count_ = 0;
  extras_.clear();
  if (!extra_index_.empty()) extra_index_.clear();
  kept_.clear();
  type_ = doc_type;
}

void DocumentSection::keep_views_of(std::string_view text) {
  auto keep = [&](std::string_view &view) {
    if (DocumentDraft::lies_in(view, text)) view = kept_.emplace_back(view);
  };
  keep(type_);
  for (std::size_t i = 0; i < count_; ++i) keep(values_[order_[i]]);
  for (Extra &extra : extras_) {
    keep(extra.key);
    keep(extra.value);
  }
  if (!extra_index_.empty()) index_extras(); // its keys viewed the old text
}

void DocumentSection::index_extras() {
  extra_index_.clear();
  for (std::size_t i = 0; i < extras_.size(); ++i) extra_index_.emplace(extras_[i].key, i);
}

void DocumentSection::add_extra(std::string_view key, std::string_view value) {
  // A repeated key keeps its place and takes the later value.
  if (extras_.size() <= kScannedExtras) {
    for (Extra &extra : extras_) {
      if (extra.key == key) {
        extra.value = value;
        return;
      }
    }
    extras_.push_back({key, value});
    if (extras_.size() > kScannedExtras) index_extras();
    return;
  }
  auto [at, added] = extra_index_.try_emplace(key, extras_.size());
  if (!added) {
    extras_[at->second].value = value;
    return;
  }
  extras_.push_back({key, value});
}

void DocumentSection::add(std::uint8_t field, std::string_view key, std::string_view value) {
  if (field == KnownKey::kNone) {
    add_extra(key, value);
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
