#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// One document that could not be built, at its closing line.
struct Warning {
  std::uint64_t lineno = 0;
  std::string message;

  friend bool operator==(const Warning &, const Warning &) = default;
};

} // namespace velmora
