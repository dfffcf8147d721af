#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "velmora/model/date.hpp"
#include "velmora/model/document.hpp"
#include "velmora/writer/write_options.hpp"

namespace velmora {

// Payment orders: the file that accounting software hands to the bank-client
// program, with one document section per order.

// One order as given, one value per field of kDocumentFields (same order):
// none for a value not given, dates in ISO form ("2024-03-05"), amounts in
// the reader's amount syntax ("1500.00", "1_500.5"), other fields as text.
using OrderValues = std::array<std::optional<std::string>, kDocumentFieldCount>;

// The values of a document, as write_orders takes them.
OrderValues order_values(const Document &document);

// A value's text as write_orders reads a field of this kind, in the form the
// writer writes it (an amount as format_decimal gives it, keeping its scale;
// a date in ISO form; a text unchanged), or why it does not read.
std::expected<std::string, std::string> canonical_order_value(FieldKind kind,
                                                              std::string_view text);

// The defaults of a payment order's fields that are not given.
inline constexpr std::string_view kOrderDocType = "Платежное поручение";
inline constexpr std::string_view kOrderPaymentType = "01";
inline constexpr std::string_view kOrderOrdering = "5";

// The longest purpose, in characters, that a bank takes.
inline constexpr std::size_t kMaxPurposeLength = 210;

struct TimeOfDay {
  std::uint8_t hour = 0;   // 0 ..= 23
  std::uint8_t minute = 0; // 0 ..= 59
  std::uint8_t second = 0; // 0 ..= 59
};

struct OrderFileOptions {
  std::string account;    // the payer's account: "РасчСчет", and every counterparty_account
  std::string sender;     // "Отправитель"
  std::string receiver;   // "Получатель"
  Date created_date;      // "ДатаСоздания"
  TimeOfDay created_time; // "ВремяСоздания"
  // "ДатаНачала" and "ДатаКонца"; none: the earliest and latest doc_date.
  std::optional<Date> date_start;
  std::optional<Date> date_end;
  WriteOptions write;
};

// Why an order (or the file's own settings) cannot be written.
struct OrderProblem {
  std::optional<std::size_t> order; // index into the orders; none: the file's settings
  std::string attribute;            // the order's attribute, or the setting's name
  std::string message;

  friend bool operator==(const OrderProblem &, const OrderProblem &) = default;
};

using OrdersResult = std::expected<std::string, std::vector<OrderProblem>>;

// Reads one order's values into a document and checks it as a bank would,
// appending a problem for each fault:
// - a required field missing or empty, a date or amount that does not read;
// - counterparty_account other than `account`;
// - an amount not above zero or with more than two fractional digits;
// - an INN other than "0" that is not 10 or 12 digits with valid check
//   digits; a KPP neither empty, "0" nor of the KPP's form; a BIC that is not
//   9 digits; an account that is not 20 digits or whose control key does not
//   agree with the BIC of its side;
// - a purpose longer than kMaxPurposeLength characters.
// The document holds every value that was read (defaults for the others).
Document read_order(const OrderValues &values, std::size_t index, std::string_view account,
                    std::vector<OrderProblem> &problems);

// Writes the payment-order file: the magic line, the header ("ВерсияФормата=1.03",
// "Кодировка", "Отправитель", "Получатель", "ДатаСоздания", "ВремяСоздания",
// "ДатаНачала", "ДатаКонца", "РасчСчет" and one "Документ" line per document
// type), one document section per order, then "КонецФайла". Every order is
// read and checked (read_order) and every line checked as write_statement
// checks it; the bytes come only when there is no problem at all, and
// otherwise every problem, ordered by order (the settings' first).
OrdersResult write_orders(std::span<const OrderValues> orders, const OrderFileOptions &options);

} // namespace velmora
