#pragma once

#include <string_view>

namespace velmora::text {

// Removes White_Space characters at both ends of UTF-8 text (a valid UTF-8
// view is assumed; ASCII ends take a fast path).
std::string_view trim_start(std::string_view s);
std::string_view trim_end(std::string_view s);

namespace detail {

// Bytes that can lead a white-space character: ASCII blanks and controls,
// and the leads of the only sequences that encode non-ASCII white space
// (C2: U+0085, U+00A0; E1: U+1680; E2: U+2000..U+205F; E3: U+3000). Any
// other byte, such as the D0 and D1 of Cyrillic, ends the trimming at once.
constexpr bool may_lead_white_space(unsigned char c) {
  return c <= 0x20 || c == 0xC2 || c == 0xE1 || c == 0xE2 || c == 0xE3;
}

// True when the text ends in a character that is certainly not white space:
// a printable ASCII byte, or a two-byte character led by D0 or D1 (Cyrillic).
constexpr bool ends_in_plain_character(std::string_view s) {
  const auto last = static_cast<unsigned char>(s.back());
  if (last < 0x80) return last > 0x20;
  if (s.size() < 2 || (last & 0xC0) != 0x80) return false;
  const auto lead = static_cast<unsigned char>(s[s.size() - 2]);
  return lead == 0xD0 || lead == 0xD1;
}

} // namespace detail

// The same as trim_start and trim_end for text that starts, or ends, with
// a letter or digit, answered without a call.
inline std::string_view trim_start_inline(std::string_view s) {
  if (s.empty() || !detail::may_lead_white_space(static_cast<unsigned char>(s.front()))) return s;
  return trim_start(s);
}
inline std::string_view trim_end_inline(std::string_view s) {
  if (s.empty() || detail::ends_in_plain_character(s)) return s;
  return trim_end(s);
}

// Nearly every key, value and line of a statement starts and ends with a
// letter or digit; those are answered here without a call.
inline std::string_view trim(std::string_view s) {
  if (!s.empty() && !detail::may_lead_white_space(static_cast<unsigned char>(s.front())) &&
      detail::ends_in_plain_character(s)) {
    return s;
  }
  return trim_end(trim_start(s));
}

} // namespace velmora::text
