#pragma once

#include <cstddef>
#include <cstring>

namespace velmora_py {

// Copies n bytes like memcpy, inline: the texts of a record are mostly a
// few dozen bytes, for which the library call costs more than the copy.
// Fixed-size memcpy calls compile to plain loads and stores; the last
// piece of each size overlaps the one before it instead of looping bytes.
inline void copy_short(void *to, const void *from, std::size_t n) {
  auto *d = static_cast<unsigned char *>(to);
  const auto *s = static_cast<const unsigned char *>(from);
  if (n > 64) {
    std::memcpy(d, s, n);
  } else if (n >= 16) {
    for (std::size_t i = 0; i + 16 < n; i += 16) std::memcpy(d + i, s + i, 16);
    std::memcpy(d + n - 16, s + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(d, s, 8);
    std::memcpy(d + n - 8, s + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(d, s, 4);
    std::memcpy(d + n - 4, s + n - 4, 4);
  } else if (n != 0) {
    d[0] = s[0];
    d[n / 2] = s[n / 2];
    d[n - 1] = s[n - 1];
  }
}

} // namespace velmora_py
