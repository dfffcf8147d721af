#pragma once

#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::text {

// The single-byte code pages of the exchange format, as the WHATWG indexes
// define them: windows-1251 ("Windows") and IBM866 ("DOS"). Every one of
// the 256 bytes decodes; 0x98 of windows-1251 is U+0098.
enum class CodePage { Windows1251, Ibm866 };

// Byte to code point.
char32_t code_page_to_code_point(CodePage page, unsigned char byte);

// Code point to byte, or nothing when the code page has no byte for it.
std::optional<unsigned char> code_point_to_code_page(CodePage page, char32_t cp);

// Decodes every byte through the code page's table into UTF-8.
std::string decode_code_page(CodePage page, std::string_view bytes);

// The length of decode_code_page's output, counted without writing it.
std::size_t decoded_code_page_size(CodePage page, std::string_view bytes);

// Writes the UTF-8 form of bytes at dst, which holds
// decoded_code_page_size(page, bytes) bytes, and returns the end.
char *decode_code_page_into(CodePage page, std::string_view bytes, char *dst);

// A character that the code page cannot represent: its code point and its
// position in the text, counted in characters from 0.
struct Unencodable {
  char32_t code_point;
  std::size_t position;
};

// Appends valid UTF-8 text in the code page. On the first character without
// a byte, out is left as it was and the character is reported: nothing is
// ever replaced.
std::expected<void, Unencodable> encode_code_page(CodePage page, std::string_view utf8,
                                                  std::string &out);

} // namespace velmora::text
