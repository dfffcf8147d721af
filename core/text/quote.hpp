#pragma once

#include <string>
#include <string_view>

namespace velmora::text {

// Quoted text: the value in double quotes with \\, \", \t, \r, \n, \0 and
// \u{hex} escapes, as shown in messages and reprs. Input is valid UTF-8.
std::string quote(std::string_view s);
void append_quoted(std::string &out, std::string_view s);

} // namespace velmora::text
