#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "velmora/model/encoding.hpp"

namespace velmora {

// The decoded text of one input: a view of the input on the UTF-8 path, or
// a string of its own after a fallback decoding. The view into the owned
// string is formed on each access, so moving or copying the object (which
// relocates a short string's characters) never leaves it dangling.
class DecodedText {
public:
  static DecodedText view_of(std::string_view utf8) {
    return DecodedText(Encoding::Utf8, {}, utf8);
  }
  static DecodedText owning(std::string utf8) {
    return DecodedText(Encoding::Cp1251, std::move(utf8), {});
  }

  Encoding encoding() const { return encoding_; }
  std::string_view text() const {
    return encoding_ == Encoding::Utf8 ? view_ : std::string_view(owned_);
  }

private:
  DecodedText(Encoding encoding, std::string owned, std::string_view view)
      : encoding_(encoding), owned_(std::move(owned)), view_(view) {}

  Encoding encoding_;
  std::string owned_;
  std::string_view view_;
};

// The bytes without a leading UTF-8 byte order mark, if they have one.
std::string_view without_utf8_bom(std::string_view bytes);

// Whether the bytes are empty or only ASCII space, tab, LF, FF and CR.
bool is_blank_input(std::string_view bytes);

// Picks the encoding and decodes; nothing when the input cannot be a
// statement (malformed fallback decoding or implausible text).
std::optional<DecodedText> decode_input(std::string_view bytes);

// How many characters the plausibility test looks at.
inline constexpr std::size_t kPlausibilityWindow = 20480;

// At least 96 % of the first kPlausibilityWindow characters are plausible
// statement text.
bool looks_like_text(std::string_view utf8);

// The first line of the text, trimmed, is the magic line.
bool starts_with_magic_line(std::string_view text);

// The start of windows-1251 input (after its byte order mark): once the
// text proves plausible and opens with the magic line, its first stretch
// (see stretch_end) is decoded into `text` and its end returned; nothing
// when the input is not a statement.
std::optional<std::size_t> open_windows1251(std::string_view bytes, std::string &text);

} // namespace velmora
