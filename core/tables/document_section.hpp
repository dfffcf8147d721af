#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "velmora/model/document.hpp"
#include "velmora/model/exchange_keys.hpp"

namespace velmora::tables {

// The date and amount fields, the only ones whose values are converted: a
// section's converted values are kept in this order.
inline constexpr std::size_t kConvertedFieldCount = [] {
  std::size_t n = 0;
  for (const FieldInfo &f : kDocumentFields) n += f.kind != FieldKind::Text;
  return n;
}();

// The converted value of a date or amount field: a date (absent for an
// optional date left blank) or an amount.
struct ConvertedValue {
  std::optional<Date> date;
  Decimal amount;
};
using ConvertedValues = std::array<ConvertedValue, kConvertedFieldCount>;

// Where a field's converted value sits in ConvertedValues (for date and
// amount fields).
inline constexpr std::array<std::size_t, kDocumentFieldCount> kConvertedSlot = [] {
  std::array<std::size_t, kDocumentFieldCount> slots{};
  std::size_t n = 0;
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    slots[i] = kDocumentFields[i].kind != FieldKind::Text ? n++ : kDocumentFieldCount;
  }
  return slots;
}();

// One document section as the tables read it, from the lines the reader
// shows an observer: the last value of each field's key, at the place of
// the key's first appearance (what the section's attribute map holds), the
// type from the opening line, and the keys that no field takes, in the
// order of their first line with their last value. The texts are the
// reader's own views, valid until the section closes (DocumentObserver).
class DocumentSection {
public:
  void open(std::string_view doc_type);
  // An attribute whose key names `field` (KnownKey::kNone for none), as
  // the reader found it.
  void add(std::uint8_t field, std::string_view key, std::string_view value);
  // Copies what the section views of `text` before the text is replaced.
  void keep_views_of(std::string_view text);

  // Whether the section builds, decided exactly as record building decides
  // it for a section read without hooks: each value converted in the order
  // of its key's first appearance, the first failure winning; then the
  // type; then the required fields in declaration order. A failure is the
  // warning's message.
  std::expected<ConvertedValues, std::string> convert() const;

  // The text of a field: the section's type for doc_type; nothing when the
  // key did not appear.
  std::optional<std::string_view> value(std::size_t field) const {
    if (field == kTypeField) return type_;
    if (!seen_[field]) return std::nullopt;
    return values_[field];
  }
  // The keys that no field takes, as the section's map would hold them.
  struct Extra {
    std::string_view key;
    std::string_view value;
  };
  std::span<const Extra> extras() const { return extras_; }

  // The field that the opening line's type supplies.
  static constexpr std::size_t kTypeField = [] {
    std::size_t i = 0;
    while (i < kDocumentFieldCount && kDocumentFields[i].key != kDocumentBeginKey) ++i;
    return i;
  }();
  static_assert(kTypeField < kDocumentFieldCount);

private:
  // Up to this many unknown keys a section finds a repeated one by
  // comparing it with each; past it, through an index by key, so that a
  // section with many such keys costs no more than a hashed map.
  static constexpr std::size_t kScannedExtras = 16;
  struct KeyHash {
    std::size_t operator()(std::string_view key) const;
  };

  void add_extra(std::string_view key, std::string_view value);
  void index_extras();

  std::string_view type_;
  std::array<std::string_view, kDocumentFieldCount> values_{};
  std::array<std::uint8_t, kDocumentFieldCount> order_{};
  std::bitset<kDocumentFieldCount> seen_;
  std::size_t count_ = 0;
  std::vector<Extra> extras_;
  std::unordered_map<std::string_view, std::size_t, KeyHash> extra_index_;
  std::deque<std::string> kept_; // what keep_views_of copied
};

} // namespace velmora::tables
