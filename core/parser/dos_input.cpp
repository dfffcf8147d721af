#include "velmora/dos_input.hpp"

#include "parser/input_decoding.hpp"
#include "parser/line_cursor.hpp"
#include "text/codepage.hpp"
#include "text/trim.hpp"
#include "text/utf8.hpp"
#include "velmora/model/exchange_keys.hpp"

namespace velmora {
namespace {

enum class HeaderLine { Other, EncodingIsDos, EndOfHeader };

// One trimmed, non-blank line after the magic line, classified as the
// section reader would: a line without "=" (a marker, or an error) or a
// document opening ends the header.
HeaderLine classify_header_line(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return HeaderLine::EndOfHeader;
  const std::string_view key = text::trim(line.substr(0, eq));
  if (key == kDocumentBeginKey) return HeaderLine::EndOfHeader;
  if (key == kEncodingKey && text::trim(line.substr(eq + 1)) == kEncodingDos) {
    return HeaderLine::EncodingIsDos;
  }
  return HeaderLine::Other;
}

// Whether the header, read as IBM866, says DOS.
bool header_says_dos(std::string_view bytes) {
  // Line feed and carriage return are the same bytes in IBM866 as in ASCII,
  // so the lines can be cut before decoding; only header lines are decoded.
  LineCursor cursor(bytes);
  auto first = cursor.next();
  if (!first ||
      text::trim(text::decode_code_page(text::CodePage::Ibm866, first->text)) != kMagicLine) {
    return false;
  }
  while (auto line = cursor.next()) {
    const std::string decoded = text::decode_code_page(text::CodePage::Ibm866, line->text);
    const std::string_view trimmed = text::trim(decoded);
    if (trimmed.empty()) continue;
    switch (classify_header_line(trimmed)) {
    case HeaderLine::EncodingIsDos: return true;
    case HeaderLine::EndOfHeader: return false;
    case HeaderLine::Other: break;
    }
  }
  return false;
}

} // namespace

bool is_dos_statement(std::string_view bytes) {
  // The header alone is cheap to read; checking the whole input for UTF-8
  // is left for the few that say DOS.
  if (!header_says_dos(bytes)) return false;
  return !text::is_valid_utf8(without_utf8_bom(bytes));
}

} // namespace velmora
