#include "parser/input_decoding.hpp"

#include "parser/line_cursor.hpp"
#include "parser/line_feeding.hpp"
#include "text/legacy_decode.hpp"
#include "text/trim.hpp"
#include "text/utf8.hpp"
#include "velmora/model/exchange_keys.hpp"

namespace velmora {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool is_plausible(char32_t cp) {
  return (cp >= 0x21 && cp <= 0x7E) || cp == ' ' || cp == '\t' || cp == '\n' || cp == '\f' ||
         cp == '\r' || cp >= 0x400;
}

} // namespace

std::string_view without_utf8_bom(std::string_view bytes) {
  return bytes.starts_with(kUtf8Bom) ? bytes.substr(kUtf8Bom.size()) : bytes;
}

bool is_blank_input(std::string_view bytes) {
  for (char c : bytes) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\f' && c != '\r') return false;
  }
  return true;
}

bool looks_like_text(std::string_view utf8) {
  std::size_t looked = 0;
  std::size_t plausible = 0;
  std::size_t i = 0;
  while (i < utf8.size() && looked < kPlausibilityWindow) {
    char32_t cp = text::next_code_point(utf8, i);
    ++looked;
    if (is_plausible(cp)) ++plausible;
  }
  return looked != 0 && plausible * 100 / looked >= 96;
}

bool starts_with_magic_line(std::string_view text) {
  LineCursor cursor(text);
  auto first = cursor.next();
  return first && text::trim(first->text) == kMagicLine;
}

std::optional<std::size_t> open_windows1251(std::string_view bytes, std::string &text) {
  // One character per byte: the window's bytes are enough to judge by.
  text::decode_windows1251_into(bytes.substr(0, kPlausibilityWindow), text);
  if (!looks_like_text(text)) return std::nullopt;
  const std::size_t end = stretch_end(bytes, 0);
  text::decode_windows1251_into(bytes.substr(0, end), text);
  // The first stretch holds the whole first line.
  if (!starts_with_magic_line(text)) return std::nullopt;
  return end;
}

std::optional<DecodedText> decode_input(std::string_view bytes) {
  const std::string_view candidate = without_utf8_bom(bytes);
  if (text::is_valid_utf8(candidate)) return DecodedText::view_of(candidate);

  std::optional<std::string> decoded = text::decode_legacy(candidate);
  if (!decoded || !looks_like_text(*decoded)) return std::nullopt;
  return DecodedText::owning(std::move(*decoded));
}

} // namespace velmora
