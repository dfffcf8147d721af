#include "velmora/parse_statement.hpp"

#include "parser/document_observer.hpp"
#include "parser/input_decoding.hpp"
#include "parser/line_cursor.hpp"
#include "parser/line_scanner.hpp"
#include "parser/section_reader.hpp"
#include "text/legacy_decode.hpp"
#include "text/trim.hpp"
#include "text/utf8.hpp"
#include "velmora/model/exchange_keys.hpp"
#include "velmora/parse_observer.hpp"

namespace velmora {

namespace {

bool starts_with_magic_line(std::string_view text) {
  LineCursor cursor(text);
  auto first = cursor.next();
  return first && text::trim(first->text) == kMagicLine;
}

// The line trimmed, with its first "=" (npos for none) moved to match.
// Most lines start and end with a letter or digit and are left as they are.
LineScanner::Line trimmed(const LineScanner::Line &line) {
  const std::string_view text = text::trim(line.text);
  if (text.size() == line.text.size() || line.eq == LineScanner::npos) return {text, line.eq};
  return {text, line.eq - static_cast<std::size_t>(text.data() - line.text.data())};
}

// Feeds the lines of `text` to the reader, numbered after `lines_before`;
// returns the number of the last line.
std::expected<std::uint64_t, ParseError> read_lines(SectionReader &reader, std::string_view text,
                                                    std::uint64_t lines_before) {
  LineScanner scanner(text);
  std::uint64_t lineno = lines_before;
  LineScanner::Line line;
  while (scanner.next(line)) {
    ++lineno;
    const LineScanner::Line kept = trimmed(line);
    if (kept.text.empty()) continue;
    if (kept.eq != LineScanner::npos) {
      const LineItem item = classify_split(kept.text, kept.eq);
      if (reader.took_document_attribute(lineno, item)) continue;
      if (auto step = reader.read_line(lineno, item); !step)
        return std::unexpected(std::move(step.error()));
      continue;
    }
    auto item = classify_line(kept.text, lineno);
    if (!item) return std::unexpected(std::move(item.error()));
    if (auto step = reader.read_line(lineno, *item); !step)
      return std::unexpected(std::move(step.error()));
  }
  return lineno;
}

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

// windows-1251 input is decoded a stretch of whole lines at a time into one
// reused buffer, not into a copy of the whole text (half as large again as
// the input, and all of it alive until the end of the parse). Each byte is
// one character, so stretches cut after a line feed decode to exactly the
// lines of the whole text.
constexpr std::size_t kStretchBytes = std::size_t{256} << 10;
constexpr std::size_t kPlausibilityBytes = 20480; // one character per byte

// The end of the stretch that starts at `from`: after the last line feed
// within kStretchBytes, or after the first one beyond if there is none (a
// long line), or the end of the input.
std::size_t stretch_end(std::string_view bytes, std::size_t from) {
  if (bytes.size() - from <= kStretchBytes) return bytes.size();
  std::string_view window = bytes.substr(from, kStretchBytes);
  std::size_t feed = window.rfind('\n');
  if (feed != std::string_view::npos) return from + feed + 1;
  feed = bytes.find('\n', from + kStretchBytes);
  return feed == std::string_view::npos ? bytes.size() : feed + 1;
}

std::expected<Statement, ParseError>
read_windows1251(std::string_view bytes, std::span<SectionHook *const> hooks, Consumers consumers) {
  std::string text;
  text::decode_windows1251_into(bytes.substr(0, kPlausibilityBytes), text);
  if (!looks_like_text(text)) return std::unexpected(ParseError::not_statement());
  std::size_t end = stretch_end(bytes, 0);
  text::decode_windows1251_into(bytes.substr(0, end), text);
  // The first stretch holds the whole first line.
  if (!starts_with_magic_line(text)) return std::unexpected(ParseError::not_statement());
  SectionReader reader(Encoding::Cp1251, hooks, consumers.observer, consumers.sink);
  if (consumers.documents != nullptr) reader.leave_documents_to(*consumers.documents);
  // Its text is up to twice as long as its bytes (a Cyrillic letter takes
  // two bytes in UTF-8): sizing the list of documents from the bytes alone
  // makes it move all its documents once it fills up.
  reader.expect_text_size(2 * bytes.size());
  std::uint64_t lines = 0;
  while (true) {
    auto read = read_lines(reader, text, lines);
    if (!read) return std::unexpected(std::move(read.error()));
    lines = *read;
    if (end == bytes.size()) break;
    reader.keep_views_of(text);
    const std::size_t from = end;
    end = stretch_end(bytes, from);
    text::decode_windows1251_into(bytes.substr(from, end - from), text);
  }
  return finish(reader);
}

std::expected<Statement, ParseError>
parse_with(std::string_view bytes, std::span<SectionHook *const> hooks, Consumers consumers) {
  if (is_blank_input(bytes)) return std::unexpected(ParseError::empty_input());
  std::string_view unmarked = bytes;
  if (unmarked.starts_with("\xEF\xBB\xBF")) unmarked.remove_prefix(3);
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
