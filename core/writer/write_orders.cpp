#include "velmora/writer/write_orders.hpp"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <utility>

#include "velmora/model/exchange_keys.hpp"
#include "velmora/model/interval.hpp"
#include "velmora/writer/exchange_writer.hpp"
#include "writer/document_fields.hpp"

namespace velmora {
namespace {

// The header keys of a payment-order file beyond those the reader knows.
constexpr std::string_view kFormatVersionKey = "ВерсияФормата";
constexpr std::string_view kFormatVersion = "1.03";
constexpr std::string_view kSenderKey = "Отправитель";
constexpr std::string_view kReceiverKey = "Получатель";
constexpr std::string_view kCreatedDateKey = "ДатаСоздания";
constexpr std::string_view kCreatedTimeKey = "ВремяСоздания";
constexpr std::string_view kDocumentTypeKey = "Документ";

// Where a problem of the writer's line checks belongs: the setting that
// supplies a header line, by its key. The places are "header" and the
// order's index.
constexpr std::pair<std::string_view, std::string_view> kHeaderSettings[] = {
    {kSenderKey, "sender"},
    {kReceiverKey, "receiver"},
    {kAccountNumberKey, "account"},
    {kDocumentTypeKey, "doc_type"},
};

std::string two_digits(unsigned value) {
  return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

std::string format_time(const TimeOfDay &time) {
  return two_digits(time.hour) + ':' + two_digits(time.minute) + ':' + two_digits(time.second);
}

void check_settings(const OrderFileOptions &options, std::vector<OrderProblem> &problems) {
  const TimeOfDay &t = options.created_time;
  if (t.hour > 23 || t.minute > 59 || t.second > 59)
    problems.push_back({std::nullopt, "created", "is not a time of day"});
  if (options.date_start && options.date_end && *options.date_end < *options.date_start)
    problems.push_back({std::nullopt, "date_end", "is before date_start"});
}

// The period the file covers: as given, else the span of the orders' dates.
std::pair<std::optional<Date>, std::optional<Date>> period(const std::vector<Document> &documents,
                                                           const OrderFileOptions &options) {
  std::optional<Date> first = options.date_start, last = options.date_end;
  if (!documents.empty()) {
    const auto [min, max] = std::minmax_element(
        documents.begin(), documents.end(),
        [](const Document &a, const Document &b) { return a.doc_date < b.doc_date; });
    if (!first) first = min->doc_date;
    if (!last) last = max->doc_date;
  }
  return {first, last};
}

void write_header(ExchangeWriter &w, const std::vector<Document> &documents,
                  const OrderFileOptions &options) {
  w.begin_place("header");
  w.magic_line();
  w.header_entry(kFormatVersionKey, kFormatVersion);
  w.header_entry(kEncodingKey, encoding_header_value(options.write.encoding));
  w.header_entry(kSenderKey, options.sender);
  w.header_entry(kReceiverKey, options.receiver);
  w.header_entry(kCreatedDateKey, format_exchange_date(options.created_date));
  w.header_entry(kCreatedTimeKey, format_time(options.created_time));
  const auto [first, last] = period(documents, options);
  if (first) w.header_entry(kIntervalFields[0].key, format_exchange_date(*first));
  if (last) w.header_entry(kIntervalFields[1].key, format_exchange_date(*last));
  w.header_entry(kAccountNumberKey, options.account);
  // One line per document type, in the order the orders bring them.
  std::vector<std::string_view> types;
  for (const Document &d : documents) {
    if (std::find(types.begin(), types.end(), d.doc_type) != types.end()) continue;
    types.push_back(d.doc_type);
    w.header_entry(kDocumentTypeKey, d.doc_type);
  }
}

std::string_view attribute_of_key(std::string_view key) {
  for (const FieldInfo &info : kDocumentFields)
    if (info.key == key) return info.name;
  return key;
}

// The writer's problems, named as the orders name them.
void add_line_problems(std::vector<WriteProblem> &&found, std::vector<OrderProblem> &problems) {
  for (WriteProblem &p : found) {
    if (p.where == "header") {
      std::string_view attribute = p.key;
      for (const auto &[key, setting] : kHeaderSettings)
        if (key == p.key) attribute = setting;
      problems.push_back({std::nullopt, std::string(attribute), std::move(p.message)});
    } else if (p.where == "statement") {
      problems.push_back({std::nullopt, std::move(p.key), std::move(p.message)});
    } else {
      std::size_t order = 0;
      std::from_chars(p.where.data(), p.where.data() + p.where.size(), order);
      problems.push_back({order, std::string(attribute_of_key(p.key)), std::move(p.message)});
    }
  }
}

} // namespace

OrdersResult write_orders(std::span<const OrderValues> orders, const OrderFileOptions &options) {
  std::vector<OrderProblem> problems;
  check_settings(options, problems);
  if (orders.empty()) problems.push_back({std::nullopt, "orders", "there is no order to write"});
  std::vector<Document> documents;
  documents.reserve(orders.size());
  for (std::size_t i = 0; i < orders.size(); ++i)
    documents.push_back(read_order(orders[i], i, options.account, problems));

  ExchangeWriter w(options.write);
  write_header(w, documents, options);
  for (std::size_t i = 0; i < documents.size(); ++i) {
    w.begin_place(std::to_string(i));
    write_document_section(w, documents[i]);
  }
  w.begin_place("statement");
  w.file_end();
  WriteResult written = std::move(w).finish();
  if (!written) add_line_problems(std::move(written.error()), problems);
  if (problems.empty()) return std::move(*written);
  // The settings' problems first, then each order's, each in the order found.
  std::stable_sort(problems.begin(), problems.end(), [](const auto &a, const auto &b) {
    return a.order.value_or(0) + a.order.has_value() < b.order.value_or(0) + b.order.has_value();
  });
  return std::unexpected(std::move(problems));
}

} // namespace velmora
