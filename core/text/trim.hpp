#pragma once

#include <string_view>

namespace velmora::text {

// Removes White_Space characters at both ends of UTF-8 text (a valid UTF-8
// view is assumed; ASCII ends take a fast path).
std::string_view trim(std::string_view s);
std::string_view trim_start(std::string_view s);
std::string_view trim_end(std::string_view s);

} // namespace velmora::text
