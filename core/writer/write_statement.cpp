#include "velmora/writer/write_statement.hpp"

#include <string>

#include "velmora/model/exchange_keys.hpp"
#include "velmora/writer/exchange_writer.hpp"
#include "writer/document_fields.hpp"

namespace velmora {
namespace {

void write_header(ExchangeWriter &w, const AttributeMap &header, OutputEncoding encoding) {
  w.begin_place("header");
  w.magic_line();
  for (const AttributeMap::Entry &e : header) {
    w.header_entry(e.key, e.key == kEncodingKey ? encoding_header_value(encoding) : e.value);
  }
}

// The reader merges an account's sections into a list sorted by start date
// (equal starts in file order) without repeats: only such a list comes back
// as it was written.
void check_interval_order(ExchangeWriter &w, const Account &account) {
  if (account.intervals.empty()) {
    w.begin_place("account " + account.number);
    w.problem(kAccountNumberKey, "account has no interval: nothing of it would be written");
  }
  const auto &list = account.intervals;
  for (std::size_t i = 1; i < list.size(); ++i) {
    w.begin_place("account " + account.number + " interval " + std::to_string(i));
    if (list[i].date_start < list[i - 1].date_start) {
      w.problem(kIntervalFields[0].key,
                "interval starts before the one in front of it; readers sort them");
    }
    for (std::size_t j = i; j-- > 0 && list[j].date_start == list[i].date_start;) {
      if (list[j] == list[i]) {
        w.problem(kIntervalFields[0].key,
                  "interval repeats interval " + std::to_string(j) + "; readers keep one of them");
        break;
      }
    }
  }
}

void write_interval(ExchangeWriter &w, const std::string &number, const Interval &interval) {
  w.account_begin();
  w.entry(kIntervalFields[0].key, interval.date_start);
  w.entry(kIntervalFields[1].key, interval.date_end);
  w.entry(kAccountNumberKey, number);
  w.entry(kIntervalFields[2].key, interval.start_amount);
  w.entry(kIntervalFields[4].key, interval.total_income);
  w.entry(kIntervalFields[5].key, interval.total_expense);
  w.entry(kIntervalFields[3].key, interval.end_amount);
  w.account_end();
}

} // namespace

WriteResult write_statement(const Statement &statement, const WriteOptions &options) {
  ExchangeWriter w(options);
  write_header(w, statement.header, options.encoding);
  if (statement.accounts.empty() && statement.documents.empty()) {
    w.begin_place("statement");
    w.problem({}, "a statement needs an account or a document section to be read back");
  }
  for (const Account &account : statement.accounts) {
    check_interval_order(w, account);
    for (std::size_t i = 0; i < account.intervals.size(); ++i) {
      w.begin_place("account " + account.number + " interval " + std::to_string(i));
      write_interval(w, account.number, account.intervals[i]);
    }
  }
  for (std::size_t i = 0; i < statement.documents.size(); ++i) {
    w.begin_place("document " + std::to_string(i));
    write_document_section(w, statement.documents[i]);
  }
  w.begin_place("statement");
  w.file_end();
  return std::move(w).finish();
}

} // namespace velmora
