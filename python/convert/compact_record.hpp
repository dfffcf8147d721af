#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "convert/compact_texts.hpp"
#include "velmora/model/fields.hpp"

namespace velmora_py {

// Renders a model record into the texts Python sees, slot i holding field i
// (kFields order): texts as they are, dates in ISO form, amounts in their
// canonical text with the written scale; absent optionals are absent slots.
// Pure C++: it may run while the interpreter lock is released.
template <class Record> CompactTexts compact_record(const Record &record);

namespace detail {

template <std::size_t N>
constexpr std::size_t typed_field_count(const std::array<velmora::FieldInfo, N> &f) {
  std::size_t n = 0;
  for (const velmora::FieldInfo &info : f) n += info.kind != velmora::FieldKind::Text ? 1 : 0;
  return n;
}

// The values of one record as views, with room for the rendered ones.
template <class Record> class SlotViews {
  using Fields = velmora::RecordFields<Record>;
  static constexpr std::size_t kSlots = Fields::kFields.size();
  static_assert(kSlots <= CompactTexts::kMaxSlots);

public:
  void put(std::size_t slot, const std::string &text) { set(slot, text); }
  void put(std::size_t slot, const std::optional<std::string> &text) {
    if (text) set(slot, *text);
  }
  void put(std::size_t slot, const velmora::Date &date) { keep(slot, velmora::format_date(date)); }
  void put(std::size_t slot, const std::optional<velmora::Date> &date) {
    if (date) put(slot, *date);
  }
  void put(std::size_t slot, const velmora::Decimal &amount) {
    keep(slot, velmora::format_decimal(amount));
  }
  void put(std::size_t slot, const std::optional<velmora::Decimal> &amount) {
    if (amount) put(slot, *amount);
  }

  CompactTexts build() const { return CompactTexts(present_, views_); }

private:
  void set(std::size_t slot, std::string_view text) {
    views_[slot] = text;
    present_ |= std::uint64_t{1} << slot;
  }
  void keep(std::size_t slot, std::string &&text) {
    rendered_[used_] = std::move(text);
    set(slot, rendered_[used_++]);
  }

  std::array<std::string_view, kSlots> views_{};
  std::uint64_t present_ = 0;
  std::array<std::string, typed_field_count(Fields::kFields)> rendered_;
  std::size_t used_ = 0;
};

} // namespace detail

template <class Record> CompactTexts compact_record(const Record &record) {
  detail::SlotViews<Record> views;
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    (views.put(I, velmora::field<I>(record)), ...);
  }(std::make_index_sequence<velmora::RecordFields<Record>::kFields.size()>{});
  return views.build();
}

} // namespace velmora_py
