#include "text/codepage.hpp"

#include <algorithm>
#include <array>

#include "text/utf8.hpp"

namespace velmora::text {
namespace {

#include "text/ibm866_table.inc"
#include "text/windows1251_table.inc"

// The encoder of a code page is its decoding table turned around: the 128
// high bytes as (code point, byte) pairs sorted by code point. ASCII maps to
// itself in both code pages (the generator checks it).
struct Pair {
  char32_t code_point;
  unsigned char byte;
};
using Inverse = std::array<Pair, 128>;

constexpr Inverse invert(const char32_t (&table)[256]) {
  Inverse pairs{};
  for (std::size_t b = 0; b < 128; ++b) {
    pairs[b] = {table[0x80 + b], static_cast<unsigned char>(0x80 + b)};
  }
  std::sort(pairs.begin(), pairs.end(),
            [](const Pair &a, const Pair &b) { return a.code_point < b.code_point; });
  return pairs;
}

constexpr Inverse kWindows1251Inverse = invert(kWindows1251);
constexpr Inverse kIbm866Inverse = invert(kIbm866);

constexpr bool ascii_is_identity(const char32_t (&table)[256]) {
  for (std::size_t b = 0; b < 0x80; ++b) {
    if (table[b] != b) return false;
  }
  return true;
}
static_assert(ascii_is_identity(kWindows1251) && ascii_is_identity(kIbm866));

const char32_t (&table_of(CodePage page))[256] {
  return page == CodePage::Ibm866 ? kIbm866 : kWindows1251;
}

const Inverse &inverse_of(CodePage page) {
  return page == CodePage::Ibm866 ? kIbm866Inverse : kWindows1251Inverse;
}

std::size_t utf8_size(char32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : 3; }

} // namespace

char32_t code_page_to_code_point(CodePage page, unsigned char byte) { return table_of(page)[byte]; }

std::optional<unsigned char> code_point_to_code_page(CodePage page, char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  const Inverse &pairs = inverse_of(page);
  auto it = std::lower_bound(pairs.begin(), pairs.end(), cp,
                             [](const Pair &p, char32_t c) { return p.code_point < c; });
  if (it == pairs.end() || it->code_point != cp) return std::nullopt;
  return it->byte;
}

std::size_t decoded_code_page_size(CodePage page, std::string_view bytes) {
  const char32_t(&table)[256] = table_of(page);
  std::size_t size = 0;
  for (unsigned char b : bytes) size += utf8_size(table[b]);
  return size;
}

char *decode_code_page_into(CodePage page, std::string_view bytes, char *dst) {
  const char32_t(&table)[256] = table_of(page);
  for (unsigned char b : bytes) {
    const char32_t cp = table[b];
    if (cp < 0x80) {
      *dst++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
      *dst++ = static_cast<char>(0xC0 | (cp >> 6));
      *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *dst++ = static_cast<char>(0xE0 | (cp >> 12));
      *dst++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return dst;
}

std::string decode_code_page(CodePage page, std::string_view bytes) {
  std::string out;
  out.resize_and_overwrite(decoded_code_page_size(page, bytes), [&](char *dst, std::size_t) {
    return static_cast<std::size_t>(decode_code_page_into(page, bytes, dst) - dst);
  });
  return out;
}

std::expected<void, Unencodable> encode_code_page(CodePage page, std::string_view utf8,
                                                  std::string &out) {
  const std::size_t start = out.size();
  std::size_t position = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) { // ASCII runs are the common case: no lookup
      out.push_back(static_cast<char>(lead));
      ++i;
      ++position;
      continue;
    }
    const char32_t cp = next_code_point(utf8, i);
    const std::optional<unsigned char> byte = code_point_to_code_page(page, cp);
    if (!byte) {
      out.resize(start);
      return std::unexpected(Unencodable{cp, position});
    }
    out.push_back(static_cast<char>(*byte));
    ++position;
  }
  return {};
}

} // namespace velmora::text
