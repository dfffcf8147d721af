#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::text {

// Strict UTF-8 validation: no overlongs, no surrogates, nothing above
// U+10FFFF, no sequence cut short. Uses the widest vector check the CPU
// offers (see utf8_validators.hpp); every one gives the same answer.
bool is_valid_utf8(std::string_view bytes);

// Appends the UTF-8 encoding of a scalar value.
void append_utf8(std::string &out, char32_t cp);

// Decodes one scalar value from valid UTF-8 at s[i], advancing i.
char32_t next_code_point(std::string_view s, std::size_t &i);

} // namespace velmora::text
