#include "text/quote.hpp"

#include "text/unicode.hpp"
#include "text/utf8_internal.hpp"

namespace velmora::text {
namespace {

constexpr char kHex[] = "0123456789abcdef";

// Appends `prefix` "{" hex "}" with lower-case digits, no leading zeros.
void append_hex_escape(std::string &out, const char *prefix, char32_t v) {
  char buf[8];
  int k = 0;
  do {
    buf[k++] = kHex[v & 0xF];
    v >>= 4;
  } while (v != 0);
  out += prefix;
  out.push_back('{');
  while (k > 0) {
    out.push_back(buf[--k]);
  }
  out.push_back('}');
}

} // namespace

void append_quoted(std::string &out, std::string_view s) {
  const auto *p = reinterpret_cast<const unsigned char *>(s.data());
  const std::size_t n = s.size();
  out.reserve(out.size() + n + 2);
  out.push_back('"');
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\0': out += "\\0"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          append_hex_escape(out, "\\u", c);
        } else {
          out.push_back(static_cast<char>(c));
        }
      }
      ++i;
      continue;
    }
    char32_t cp;
    const std::size_t len = detail::decode_one(p + i, n - i, cp);
    if (len == 0) {
      // Not valid UTF-8 (callers never pass such text): each byte that
      // does not start a well-formed sequence is written as \x{hh}, so
      // the output stays valid UTF-8 and loses no information.
      append_hex_escape(out, "\\x", c);
      ++i;
      continue;
    }
    if (needs_unicode_escape(cp)) {
      append_hex_escape(out, "\\u", cp);
    } else {
      out.append(s.data() + i, len);
    }
    i += len;
  }
  out.push_back('"');
}

std::string quote(std::string_view s) {
  std::string out;
  append_quoted(out, s);
  return out;
}

} // namespace velmora::text
