#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "velmora/model/interval.hpp"

namespace velmora_py {

// An interval as Python sees it: dates and amounts already rendered, so that
// equality is by text (100.00 and 100 differ here, unlike in the model). One
// member per model member, of the same name: std::string where the model's is
// required, std::optional<std::string> where it is optional.
struct IntervalRecord {
#define VELMORA_PY_TEXT_MEMBER(member, key, kind, required, attribute)                             \
  std::conditional_t<required, std::string, std::optional<std::string>> member;
  VELMORA_INTERVAL_FIELDS(VELMORA_PY_TEXT_MEMBER)
#undef VELMORA_PY_TEXT_MEMBER

  friend bool operator==(const IntervalRecord &, const IntervalRecord &) = default;
};

// Member i is the one that kIntervalFields[i] describes.
#define VELMORA_PY_RECORD_POINTER(member, key, kind, required, attribute) &IntervalRecord::member,
inline constexpr std::tuple kIntervalRecordMembers{
    VELMORA_INTERVAL_FIELDS(VELMORA_PY_RECORD_POINTER)};
#undef VELMORA_PY_RECORD_POINTER

// The attribute names in the order the Python class declares them.
inline constexpr std::array<std::string_view, velmora::kIntervalFieldCount> kIntervalAttributeOrder =
    velmora::attribute_order(velmora::kIntervalFields);

IntervalRecord render_interval(const velmora::Interval &interval);

} // namespace velmora_py
