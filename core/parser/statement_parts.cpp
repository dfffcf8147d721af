#include "parser/statement_parts.hpp"

#include <algorithm>
#include <string>

#include "parser/input_decoding.hpp"
#include "parser/line_feeding.hpp"
#include "parser/section_reader.hpp"
#include "text/codepage.hpp"
#include "text/legacy_decode.hpp"
#include "text/utf8.hpp"
#include "velmora/model/exchange_keys.hpp"

namespace velmora {

namespace {

// A line feed and the opening of a document section, in the input's bytes.
std::string document_opening(Encoding encoding) {
  std::string opening = "\n";
  if (encoding == Encoding::Utf8) return opening.append(kDocumentBeginKey);
  // The key is Cyrillic letters only, all of which windows-1251 has.
  (void)text::encode_code_page(text::CodePage::Windows1251, kDocumentBeginKey, opening);
  return opening;
}

// Where each part starts: just after a line feed that a document opening
// follows, at or past an even share of the text, leaving every part at
// least `min_part_bytes` long.
std::vector<std::size_t> cuts(std::string_view text, Encoding encoding, std::size_t parts,
                              std::size_t min_part_bytes) {
  const std::string opening = document_opening(encoding);
  std::vector<std::size_t> starts{0};
  for (std::size_t k = 1; k < parts; ++k) {
    const std::size_t target = std::max(text.size() / parts * k, starts.back() + min_part_bytes);
    if (target >= text.size()) break;
    const std::size_t at = text.find(opening, target - 1);
    if (at == std::string_view::npos || text.size() - (at + 1) < min_part_bytes) break;
    starts.push_back(at + 1);
  }
  return starts;
}

} // namespace

std::optional<StatementParts> StatementParts::plan(std::string_view bytes, std::size_t parts,
                                                   std::size_t min_part_bytes) {
  // The first part is judged for plausibility as the whole would be.
  min_part_bytes = std::max(min_part_bytes, kPlausibilityWindow);
  if (parts < 2 || bytes.size() < 2 * min_part_bytes || is_blank_input(bytes)) return std::nullopt;
  const std::string_view text = without_utf8_bom(bytes);
  // Whether the whole is UTF-8 is known only once every part has checked
  // its own bytes (see read): here the lines of the first stretch decide
  // which bytes to cut at. Text that fails there is not UTF-8 as a whole.
  std::string_view head = text.substr(0, kStretchBytes);
  if (head.size() < text.size()) head = head.substr(0, head.rfind('\n') + 1);
  Encoding encoding;
  if (text::is_valid_utf8(head))
    encoding = Encoding::Utf8;
  else if (text::is_windows1251_fallback(text))
    encoding = Encoding::Cp1251;
  else
    return std::nullopt; // the other byte order marks: decoded whole
  std::vector<std::size_t> starts = cuts(text, encoding, parts, min_part_bytes);
  if (starts.size() < 2) return std::nullopt;
  return StatementParts(text, encoding, std::move(starts));
}

std::string_view StatementParts::part(std::size_t k) const {
  const std::size_t end = k + 1 < starts_.size() ? starts_[k + 1] : text_.size();
  return text_.substr(starts_[k], end - starts_[k]);
}

StatementParts::Outcome StatementParts::read(std::size_t k, DocumentObserver &observer) const {
  Outcome outcome;
  const std::string_view bytes = part(k);
  SectionReader reader(encoding_, {});
  reader.leave_documents_to(observer);
  if (k > 0) reader.start_between_sections();
  std::expected<std::uint64_t, ParseError> read;
  if (encoding_ == Encoding::Utf8) {
    // Each part is cut after a line feed, so the whole is valid UTF-8
    // exactly when every part is. When one is not, the whole is read as
    // windows-1251: that is for reading it whole to do.
    if (!text::is_valid_utf8(bytes)) return outcome;
    if (k == 0 && !starts_with_magic_line(bytes)) {
      outcome.error = ParseError::not_statement();
      return outcome;
    }
    read = read_lines(reader, bytes, 0);
  } else {
    std::string text;
    std::size_t end;
    if (k == 0) {
      const std::optional<std::size_t> opened = open_windows1251(bytes, text);
      if (!opened) {
        outcome.error = ParseError::not_statement();
        return outcome;
      }
      end = *opened;
    } else {
      end = stretch_end(bytes, 0);
      text::decode_windows1251_into(bytes.substr(0, end), text);
    }
    read = read_windows1251_stretches(reader, bytes, text, end, 0);
  }
  if (!read) {
    outcome.error = std::move(read.error());
    return outcome;
  }
  outcome.lines = *read;
  const bool last = k + 1 == starts_.size();
  outcome.statement = reader.take_statement();
  outcome.joins = (last ? reader.finished() : reader.state() == ReaderState::ReadNextSection) &&
                  (k == 0 || outcome.statement.accounts.empty());
  return outcome;
}

} // namespace velmora
