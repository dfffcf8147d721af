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

// Whether decode_legacy reads these bytes as windows-1251 (no byte order
// mark selects another decoder).
bool is_windows1251_fallback(std::string_view bytes);

// windows-1251 bytes into `out`, replacing its content and reusing its
// capacity: byte for byte what decode_legacy gives for that stretch, since
// the code page maps each byte to one code point on its own.
void decode_windows1251_into(std::string_view bytes, std::string &out);

// windows-1251 byte to code point, from the WHATWG index (all 256 bytes map).
char32_t windows1251_to_code_point(unsigned char byte);

} // namespace velmora::text
