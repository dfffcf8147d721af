#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "parser/section_reader.hpp"
#include "velmora/parse_error.hpp"

namespace velmora {

// Feeds the lines of `text` to the reader, numbered after `lines_before`;
// returns the number of the last line.
std::expected<std::uint64_t, ParseError> read_lines(SectionReader &reader, std::string_view text,
                                                    std::uint64_t lines_before);

// windows-1251 input is decoded a stretch of whole lines at a time into one
// reused buffer, not into a copy of the whole text (half as large again as
// the input, and all of it alive until the end of the parse). Each byte is
// one character, so stretches cut after a line feed decode to exactly the
// lines of the whole text.
inline constexpr std::size_t kStretchBytes = std::size_t{256} << 10;

// The end of the stretch that starts at `from`: after the last line feed
// within kStretchBytes, or after the first one beyond if there is none (a
// long line), or the end of the input.
std::size_t stretch_end(std::string_view bytes, std::size_t from);

// Reads windows-1251 `bytes` a stretch at a time, the first stretch,
// bytes[0, end), being decoded in `text` already; lines are numbered after
// `lines_before`. Returns the number of the last line.
std::expected<std::uint64_t, ParseError>
read_windows1251_stretches(SectionReader &reader, std::string_view bytes, std::string &text,
                           std::size_t end, std::uint64_t lines_before);

} // namespace velmora
