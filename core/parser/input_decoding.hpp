#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "parser/model/encoding.hpp"

namespace velmora {

// The decoded text of one input: a view of the input on the UTF-8 path, or
// of `owned` after a fallback decoding.
struct DecodedText {
  Encoding encoding;
  std::string owned;
  std::string_view text;
};

// Whether the bytes are empty or only ASCII space, tab, LF, FF and CR.
bool is_blank_input(std::string_view bytes);

// Picks the encoding and decodes; nothing when the input cannot be a
// statement (malformed fallback decoding or implausible text).
std::optional<DecodedText> decode_input(std::string_view bytes);

// At least 96 % of the first 20480 characters are plausible statement text.
bool looks_like_text(std::string_view utf8);

} // namespace velmora
