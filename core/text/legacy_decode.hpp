#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora::text {

// Decoding of bytes that are not valid UTF-8, as the WHATWG Encoding
// Standard decodes with BOM sniffing and windows-1251 as the fallback:
// FF FE selects UTF-16LE, FE FF UTF-16BE, EF BB BF UTF-8 (the mark is
// removed), anything else windows-1251. Returns the UTF-8 text, or nothing
// where the standard would produce U+FFFD (a malformed sequence).
std::optional<std::string> decode_legacy(std::string_view bytes);

// windows-1251 byte to code point, from the WHATWG index (all 256 bytes map).
char32_t windows1251_to_code_point(unsigned char byte);

} // namespace velmora::text
