#include "velmora/parse_statement.hpp"

#include "parser/document_observer.hpp"
#include "parser/input_decoding.hpp"
#include "parser/line_feeding.hpp"
#include "parser/section_reader.hpp"
#include "text/legacy_decode.hpp"
#include "text/utf8.hpp"
#include "velmora/model/exchange_keys.hpp"
#include "velmora/parse_observer.hpp"

namespace velmora {

namespace {

std::expected<Statement, ParseError> finish(SectionReader &reader) {
  if (!reader.finished()) return std::unexpected(ParseError::unfinished());
  return reader.take_statement();
}

// Where a parse's lines and outcomes go besides the statement; all optional.
struct Consumers {
  ParseObserver *observer = nullptr;
  DocumentSink *sink = nullptr;
  DocumentObserver *documents = nullptr; // takes the document sections over
};

std::expected<Statement, ParseError> read_sections(std::string_view text, Encoding encoding,
                                                   std::span<SectionHook *const> hooks,
                                                   Consumers consumers) {
  SectionReader reader(encoding, hooks, consumers.observer, consumers.sink);
  if (consumers.documents != nullptr) reader.leave_documents_to(*consumers.documents);
  reader.expect_text_size(text.size());
  if (auto read = read_lines(reader, text, 0); !read)
    return std::unexpected(std::move(read.error()));
  return finish(reader);
}

std::expected<Statement, ParseError>
read_windows1251(std::string_view bytes, std::span<SectionHook *const> hooks, Consumers consumers) {
  std::string text;
  const std::optional<std::size_t> end = open_windows1251(bytes, text);
  if (!end) return std::unexpected(ParseError::not_statement());
  SectionReader reader(Encoding::Cp1251, hooks, consumers.observer, consumers.sink);
  if (consumers.documents != nullptr) reader.leave_documents_to(*consumers.documents);
  // Its text is up to twice as long as its bytes (a Cyrillic letter takes
  // two bytes in UTF-8): sizing the list of documents from the bytes alone
  // makes it move all its documents once it fills up.
  reader.expect_text_size(2 * bytes.size());
  if (auto read = read_windows1251_stretches(reader, bytes, text, *end, 0); !read)
    return std::unexpected(std::move(read.error()));
  return finish(reader);
}

std::expected<Statement, ParseError>
parse_with(std::string_view bytes, std::span<SectionHook *const> hooks, Consumers consumers) {
  if (is_blank_input(bytes)) return std::unexpected(ParseError::empty_input());
  const std::string_view unmarked = without_utf8_bom(bytes);
  std::optional<DecodedText> decoded;
  if (text::is_valid_utf8(unmarked)) {
    decoded = DecodedText::view_of(unmarked);
  } else if (text::is_windows1251_fallback(unmarked)) {
    return read_windows1251(unmarked, hooks, consumers);
  } else {
    decoded = decode_input(bytes); // the other byte order marks
  }
  if (!decoded || !starts_with_magic_line(decoded->text())) {
    return std::unexpected(ParseError::not_statement());
  }
  return read_sections(decoded->text(), decoded->encoding(), hooks, consumers);
}

} // namespace

std::expected<Statement, ParseError> parse_statement(std::string_view bytes,
                                                     std::span<SectionHook *const> hooks,
                                                     ParseObserver *observer) {
  return parse_with(bytes, hooks, Consumers{observer, nullptr});
}

std::expected<Statement, ParseError>
parse_statement(std::string_view bytes, std::span<SectionHook *const> hooks, DocumentSink &sink) {
  return parse_with(bytes, hooks, Consumers{nullptr, &sink});
}

std::expected<Statement, ParseError> parse_statement_observed(std::string_view bytes,
                                                              DocumentObserver &observer) {
  return parse_with(bytes, {}, Consumers{nullptr, nullptr, &observer});
}

} // namespace velmora
