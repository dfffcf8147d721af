#pragma once

#include <optional>
#include <string>

#include "velmora/model/date.hpp"
#include "velmora/model/decimal.hpp"

namespace velmora_py {

// The Python view keeps every scalar as text: dates in ISO form, amounts in
// their canonical text with the written scale. Text fields pass through.
inline std::optional<std::string> render(std::string &&text) { return std::move(text); }
inline std::optional<std::string> render(std::optional<std::string> &&text) {
  return std::move(text);
}
inline std::optional<std::string> render(const velmora::Date &date) {
  return velmora::format_date(date);
}
inline std::optional<std::string> render(const std::optional<velmora::Date> &date) {
  if (!date) return std::nullopt;
  return velmora::format_date(*date);
}
inline std::optional<std::string> render(const velmora::Decimal &amount) {
  return velmora::format_decimal(amount);
}
inline std::optional<std::string> render(const std::optional<velmora::Decimal> &amount) {
  if (!amount) return std::nullopt;
  return velmora::format_decimal(*amount);
}

} // namespace velmora_py
