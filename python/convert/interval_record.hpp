#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "convert/compact_texts.hpp"
#include "velmora/model/interval.hpp"

namespace velmora_py {

// An interval as Python sees it: dates and amounts already rendered, so that
// equality is by text (100.00 and 100 differ here, unlike in the model). Slot
// i is kIntervalFields[i]; required slots are always present.
using IntervalRecord = CompactTexts;

// The attribute names in the order the Python class declares them.
inline constexpr std::array<std::string_view, velmora::kIntervalFieldCount>
    kIntervalAttributeOrder = velmora::attribute_order(velmora::kIntervalFields);

// The record slot of a model member, by name.
constexpr std::size_t interval_slot(std::string_view name) {
  return velmora::field_index(velmora::kIntervalFields, name);
}

IntervalRecord render_interval(const velmora::Interval &interval);

} // namespace velmora_py
