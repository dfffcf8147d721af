#include "velmora/writer/exchange_writer.hpp"

#include <cstdio>
#include <cstdlib>

#include "parser/input_decoding.hpp"
#include "text/codepage.hpp"
#include "text/quote.hpp"
#include "text/trim.hpp"
#include "text/utf8.hpp"
#include "velmora/model/exchange_keys.hpp"

namespace velmora {
namespace {

void append_number(std::string &out, unsigned value, unsigned width) {
  char digits[16];
  unsigned count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (unsigned i = count; i < width; ++i) out.push_back('0');
  while (count != 0) out.push_back(digits[--count]);
}

bool has_line_break(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool is_ascii(std::string_view bytes) {
  for (unsigned char b : bytes) {
    if (b >= 0x80) return false;
  }
  return true;
}

// 'character U+20AC "€" at position 3 cannot be written in cp866'
std::string unencodable_message(const text::Unencodable &u, OutputEncoding encoding) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(u.code_point));
  std::string ch;
  text::append_utf8(ch, u.code_point);
  std::string message = "character ";
  message += code;
  message += ' ';
  text::append_quoted(message, ch);
  message += " at position " + std::to_string(u.position) + " cannot be written in ";
  message += output_encoding_name(encoding);
  return message;
}

} // namespace

std::string format_exchange_date(const Date &date) {
  std::string out;
  out.reserve(16);
  append_number(out, date.day, 2);
  out.push_back('.');
  append_number(out, date.month, 2);
  out.push_back('.');
  // The reader takes at most four unsigned digits; any other year needs a
  // sign, after which it takes any number of them.
  if (date.year >= 0 && date.year <= 9999) {
    append_number(out, static_cast<unsigned>(date.year), 4);
  } else {
    out.push_back(date.year < 0 ? '-' : '+');
    append_number(out, static_cast<unsigned>(std::abs(date.year)), 1);
  }
  return out;
}

std::string format_exchange_amount(const Decimal &amount) { return format_decimal(amount); }

std::string_view encoding_header_value(OutputEncoding encoding) {
  switch (encoding) {
  case OutputEncoding::Utf8: return kEncodingUtf8;
  case OutputEncoding::Ibm866: return kEncodingDos;
  case OutputEncoding::Windows1251: break;
  }
  return kEncodingWindows;
}

ExchangeWriter::ExchangeWriter(const WriteOptions &options) : options_(options) {}

void ExchangeWriter::begin_place(std::string where) { where_ = std::move(where); }

void ExchangeWriter::problem(std::string_view key, std::string message) {
  problems_.push_back(WriteProblem{where_, std::string(key), std::move(message)});
}

void ExchangeWriter::magic_line() { plain_line(kMagicLine); }
void ExchangeWriter::account_begin() { plain_line(kAccountBeginMarker); }
void ExchangeWriter::account_end() { plain_line(kAccountEndMarker); }
void ExchangeWriter::document_end() { plain_line(kDocumentEndMarker); }
void ExchangeWriter::file_end() { plain_line(kFileEndMarker); }

// The type is read back as the text after the "=", trimmed like a value.
void ExchangeWriter::document_begin(std::string_view doc_type) {
  entry(kDocumentBeginKey, doc_type);
}

void ExchangeWriter::header_entry(std::string_view key, std::string_view value) {
  check_key(key);
  if (key == kEncodingKey && value == kEncodingDos) dos_marked_ = true;
  line(key, value);
}

void ExchangeWriter::entry(std::string_view key, std::string_view value) { line(key, value); }

void ExchangeWriter::entry(std::string_view key, const std::optional<std::string> &value) {
  if (value) line(key, *value);
}

void ExchangeWriter::entry(std::string_view key, const Date &value) {
  line(key, format_exchange_date(value));
}

void ExchangeWriter::entry(std::string_view key, const std::optional<Date> &value) {
  if (value) entry(key, *value);
}

void ExchangeWriter::entry(std::string_view key, const Decimal &value) {
  line(key, format_exchange_amount(value));
}

void ExchangeWriter::entry(std::string_view key, const std::optional<Decimal> &value) {
  if (value) entry(key, *value);
}

// The reader splits a line at its first "=" and trims both sides, and takes
// a key of "СекцияДокумент" as a document's opening line.
void ExchangeWriter::check_key(std::string_view key) {
  if (!text::is_valid_utf8(key)) {
    problem(key, "key is not valid UTF-8 text");
    return;
  }
  if (has_line_break(key)) problem(key, "key holds a line break");
  if (key.find('=') != std::string_view::npos) problem(key, "key holds \"=\"");
  if (text::trim(key) != key)
    problem(key, "key begins or ends with white space, which readers trim away");
  if (key == kDocumentBeginKey)
    problem(key, "key would be read as the start of a document section");
}

void ExchangeWriter::check_value(std::string_view key, std::string_view value) {
  if (!text::is_valid_utf8(value)) {
    problem(key, "value is not valid UTF-8 text");
    return;
  }
  if (has_line_break(value)) problem(key, "value holds a line break");
  if (text::trim(value) != value) {
    problem(key, "value begins or ends with white space, which readers trim away");
  }
}

void ExchangeWriter::line(std::string_view key, std::string_view value) {
  check_value(key, value);
  // Once anything is refused no output is kept, but checking goes on.
  append_encoded(key, key, true);
  if (problems_.empty()) out_.push_back('=');
  append_encoded(key, value, false);
  if (problems_.empty()) out_.append(newline_text(options_.newline));
}

// The markers are ASCII or Cyrillic, which every encoding carries.
void ExchangeWriter::plain_line(std::string_view text) {
  append_encoded({}, text, false);
  if (problems_.empty()) out_.append(newline_text(options_.newline));
}

void ExchangeWriter::append_encoded(std::string_view key, std::string_view text, bool is_key) {
  if (!text::is_valid_utf8(text)) return; // reported by the checks
  if (options_.encoding == OutputEncoding::Utf8) {
    if (problems_.empty()) out_.append(text);
    return;
  }
  const auto page = options_.encoding == OutputEncoding::Ibm866 ? text::CodePage::Ibm866
                                                                : text::CodePage::Windows1251;
  std::string scratch;
  std::string &target = problems_.empty() ? out_ : scratch;
  auto encoded = text::encode_code_page(page, text, target);
  if (!encoded) {
    problem(key, (is_key ? "key: " : "") + unencodable_message(encoded.error(), options_.encoding));
  }
}

// A file is read back in the encoding it was written in only if the reader
// picks that encoding: windows-1251 and DOS bytes must not pass for UTF-8
// (pure ASCII reads the same either way), windows-1251 text must look
// plausible to the reader's test, and a DOS file is recognised only by its
// "Кодировка=DOS" header line.
void ExchangeWriter::check_file() {
  if (options_.encoding == OutputEncoding::Utf8 || is_ascii(out_)) return;
  begin_place("statement");
  if (text::is_valid_utf8(out_)) {
    problem({}, std::string("the ") + std::string(output_encoding_name(options_.encoding)) +
                    " bytes would be read as UTF-8");
  }
  if (options_.encoding == OutputEncoding::Windows1251) {
    // The reader looks at no more than 20480 characters, one per byte here.
    const std::string_view head = std::string_view(out_).substr(0, 20480);
    if (!looks_like_text(text::decode_code_page(text::CodePage::Windows1251, head))) {
      problem({}, "too many control or other unusual characters: readers would not take the "
                  "cp1251 bytes for a statement");
    }
  }
  if (options_.encoding == OutputEncoding::Ibm866 && !dos_marked_) {
    problem(kEncodingKey, "a cp866 file needs a \"Кодировка\" header line to be read back as DOS");
  }
}

WriteResult ExchangeWriter::finish() && {
  if (problems_.empty()) check_file();
  if (!problems_.empty()) return std::unexpected(std::move(problems_));
  return std::move(out_);
}

} // namespace velmora
