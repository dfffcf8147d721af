#include "parser/input_decoding.hpp"

#include "text/legacy_decode.hpp"
#include "text/utf8.hpp"

namespace velmora {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kPlausibilityWindow = 20480;

bool is_plausible(char32_t cp) {
  return (cp >= 0x21 && cp <= 0x7E) || cp == ' ' || cp == '\t' || cp == '\n' || cp == '\f' ||
         cp == '\r' || cp >= 0x400;
}

} // namespace

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

std::optional<DecodedText> decode_input(std::string_view bytes) {
  std::string_view candidate = bytes;
  if (candidate.starts_with(kUtf8Bom)) candidate.remove_prefix(kUtf8Bom.size());
  if (text::is_valid_utf8(candidate)) return DecodedText::view_of(candidate);

  std::optional<std::string> decoded = text::decode_legacy(candidate);
  if (!decoded || !looks_like_text(*decoded)) return std::nullopt;
  return DecodedText::owning(std::move(*decoded));
}

} // namespace velmora
