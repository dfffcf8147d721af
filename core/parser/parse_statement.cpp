#include "velmora/parse_statement.hpp"

#include "parser/input_decoding.hpp"
#include "parser/line_cursor.hpp"
#include "parser/section_reader.hpp"
#include "text/trim.hpp"
#include "velmora/model/exchange_keys.hpp"

namespace velmora {

namespace {

bool starts_with_magic_line(std::string_view text) {
  LineCursor cursor(text);
  auto first = cursor.next();
  return first && text::trim(first->text) == kMagicLine;
}

std::expected<Statement, ParseError> read_sections(std::string_view text, Encoding encoding,
                                                   std::span<SectionHook *const> hooks,
                                                   DocumentSink *sink) {
  SectionReader reader(encoding, hooks, sink);
  reader.expect_text_size(text.size());
  LineCursor cursor(text);
  while (auto line = cursor.next()) {
    std::string_view trimmed = text::trim(line->text);
    if (trimmed.empty()) continue;
    auto item = classify_line(trimmed, line->lineno);
    if (!item) return std::unexpected(std::move(item.error()));
    if (auto step = reader.read_line(line->lineno, *item); !step) {
      return std::unexpected(std::move(step.error()));
    }
  }
  if (!reader.finished()) return std::unexpected(ParseError::unfinished());
  return reader.take_statement();
}

std::expected<Statement, ParseError>
parse_with(std::string_view bytes, std::span<SectionHook *const> hooks, DocumentSink *sink) {
  if (is_blank_input(bytes)) return std::unexpected(ParseError::empty_input());
  std::optional<DecodedText> decoded = decode_input(bytes);
  if (!decoded || !starts_with_magic_line(decoded->text())) {
    return std::unexpected(ParseError::not_statement());
  }
  return read_sections(decoded->text(), decoded->encoding(), hooks, sink);
}

} // namespace

std::expected<Statement, ParseError> parse_statement(std::string_view bytes,
                                                     std::span<SectionHook *const> hooks) {
  return parse_with(bytes, hooks, nullptr);
}

std::expected<Statement, ParseError>
parse_statement(std::string_view bytes, std::span<SectionHook *const> hooks, DocumentSink &sink) {
  return parse_with(bytes, hooks, &sink);
}

} // namespace velmora
