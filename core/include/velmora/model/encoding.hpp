#pragma once

#include <string_view>

namespace velmora {

enum class Encoding { Cp1251, Utf8 };

// The name shown to users: "cp1251" or "utf-8".
constexpr std::string_view encoding_name(Encoding e) {
  return e == Encoding::Utf8 ? "utf-8" : "cp1251";
}

} // namespace velmora
