#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "velmora/model/date.hpp"
#include "velmora/model/decimal.hpp"
#include "velmora/writer/write_options.hpp"

namespace velmora {

// A value's text in the exchange format, as the reader reads it back:
// dates DD.MM.YYYY (years outside 0..=9999 signed: "01.01.+10000"), amounts
// in plain form with their scale ("-1500.00").
std::string format_exchange_date(const Date &date);
std::string format_exchange_amount(const Decimal &amount);

// The "Кодировка" header value that names an encoding: Windows, UTF-8, DOS.
std::string_view encoding_header_value(OutputEncoding encoding);

// Writes an exchange file line by line, straight into the chosen encoding,
// and refuses every line that would not read back as written: a key or value
// holding a line break, a value with white space at either end (readers trim
// it), a character the encoding has no byte for, a key that would be read as
// something else. Problems are collected with the place named by
// begin_place() and writing goes on, so that one pass reports all of them;
// finish() then gives the bytes only if there were none.
class ExchangeWriter {
public:
  explicit ExchangeWriter(const WriteOptions &options);

  // Names the place that the following lines belong to ("header",
  // "document 3", ...), for the problems found in them.
  void begin_place(std::string where);

  // The fixed lines: the magic line, the markers, the document opening line.
  void magic_line();
  void account_begin();
  void account_end();
  void document_begin(std::string_view doc_type);
  void document_end();
  void file_end();

  // A header line: its key is free text, checked as well as its value.
  void header_entry(std::string_view key, std::string_view value);

  // A section line under a fixed key. Absent values write nothing; a
  // present empty text writes "Key=".
  void entry(std::string_view key, std::string_view value);
  void entry(std::string_view key, const std::string &value) {
    entry(key, std::string_view(value));
  }
  void entry(std::string_view key, const std::optional<std::string> &value);
  void entry(std::string_view key, const Date &value);
  void entry(std::string_view key, const std::optional<Date> &value);
  void entry(std::string_view key, const Decimal &value);
  void entry(std::string_view key, const std::optional<Decimal> &value);

  // A problem found by the caller's own checks, at the current place.
  void problem(std::string_view key, std::string message);
  bool has_problems() const { return !problems_.empty(); }

  // The file, or every problem. File-wide checks run here: the bytes must
  // be read back in the encoding they were written in.
  WriteResult finish() &&;

private:
  void line(std::string_view key, std::string_view value);
  void plain_line(std::string_view text);
  void check_key(std::string_view key);
  void check_value(std::string_view key, std::string_view value);
  void append_encoded(std::string_view key, std::string_view text, bool is_key);
  void check_file();

  WriteOptions options_;
  std::string out_;
  std::string where_;
  std::vector<WriteProblem> problems_;
  bool dos_marked_ = false;
};

} // namespace velmora
