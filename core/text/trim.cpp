#include "text/trim.hpp"

#include "text/unicode.hpp"
#include "text/utf8_internal.hpp"

namespace velmora::text {
namespace {

inline bool is_ascii_white_space(unsigned char c) { return c == 0x20 || (c >= 0x09 && c <= 0x0D); }

} // namespace

std::string_view trim_start(std::string_view s) {
  const auto *p = reinterpret_cast<const unsigned char *>(s.data());
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      if (!is_ascii_white_space(c)) {
        break;
      }
      ++i;
      continue;
    }
    if (!detail::may_lead_white_space(c)) {
      break;
    }
    char32_t cp;
    const std::size_t len = detail::decode_one(p + i, n - i, cp);
    if (len == 0 || !is_white_space(cp)) {
      break; // ill-formed bytes are kept, like any non-whitespace
    }
    i += len;
  }
  return s.substr(i);
}

std::string_view trim_end(std::string_view s) {
  const auto *p = reinterpret_cast<const unsigned char *>(s.data());
  std::size_t end = s.size();
  while (end > 0) {
    const unsigned char c = p[end - 1];
    if (c < 0x80) {
      if (!is_ascii_white_space(c)) {
        break;
      }
      --end;
      continue;
    }
    // Step back over at most three continuation bytes to the lead byte;
    // the sequence must end exactly at `end`.
    std::size_t start = end - 1;
    while (start > 0 && end - start < 4 && (p[start] & 0xC0) == 0x80) {
      --start;
    }
    if (!detail::may_lead_white_space(p[start])) {
      break;
    }
    char32_t cp;
    const std::size_t len = detail::decode_one(p + start, end - start, cp);
    if (len != end - start || !is_white_space(cp)) {
      break;
    }
    end = start;
  }
  return s.substr(0, end);
}

} // namespace velmora::text
