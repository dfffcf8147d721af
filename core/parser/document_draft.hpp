#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "velmora/model/document.hpp"

namespace velmora {

// A document section read without hooks: nothing can look at its attribute
// map, so the reader keeps only what building needs, as views into the
// decoded text: the last value of each known key and the order in which the
// keys first appeared. Building from it gives exactly what building from
// the section's map gives, without a map, a hash or a copied key.
class DocumentDraft {
public:
  // Records the value of one document field (its index in the key table),
  // or nothing for any larger index (a key that no field uses). Without a
  // branch on either: attribute lines come in no order a predictor learns.
  void add(std::size_t field, std::string_view value) {
    field = field < kDocumentFieldCount ? field : kSpare;
    const bool first = !seen_[field];
    seen_.set(field);
    order_[count_] = static_cast<std::uint8_t>(field);
    count_ += first;
    values_[field] = value;
  }
  void clear() {
    seen_.reset();
    seen_.set(kSpare); // never first, so never in the order
    count_ = 0;
  }

  // Re-points every recorded value that lies inside `text` at a copy kept
  // in `storage`, so that `text` may go away while the section is open.
  void keep_out_of(std::string_view text, std::deque<std::string> &storage) {
    for (std::size_t i = 0; i < count_; ++i) {
      std::string_view &value = values_[order_[i]];
      if (lies_in(value, text)) value = storage.emplace_back(value);
    }
  }
  static bool lies_in(std::string_view part, std::string_view text) {
    const auto begin = reinterpret_cast<std::uintptr_t>(text.data());
    const auto at = reinterpret_cast<std::uintptr_t>(part.data());
    return !part.empty() && at >= begin && at < begin + text.size();
  }

  std::size_t count() const { return count_; }
  // The i-th distinct field in order of first appearance.
  std::size_t field_at(std::size_t i) const { return order_[i]; }
  std::string_view value_of(std::size_t field) const { return values_[field]; }
  bool has(std::size_t field) const { return seen_[field]; }

private:
  // Where the values of keys that no field uses go.
  static constexpr std::size_t kSpare = kDocumentFieldCount;

  std::array<std::string_view, kDocumentFieldCount + 1> values_{};
  // One more than the fields: add writes a place ahead before it counts.
  std::array<std::uint8_t, kDocumentFieldCount + 1> order_{};
  std::bitset<kDocumentFieldCount + 1> seen_{std::bitset<kDocumentFieldCount + 1>{}.set(kSpare)};
  std::size_t count_ = 0;
};

} // namespace velmora
