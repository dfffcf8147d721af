#include "checks/check_parts.hpp"
#include "parser/value_parsing.hpp"

namespace velmora {

namespace {

struct Period {
  Date first;
  Date last;
};

// The header's period, when both of its dates are there and readable.
std::optional<Period> statement_period(const AttributeMap &header) {
  const std::string *first = header.find("ДатаНачала");
  const std::string *last = header.find("ДатаКонца");
  if (first == nullptr || last == nullptr) return std::nullopt;
  const auto first_date = parse_required_date(*first);
  const auto last_date = parse_required_date(*last);
  if (!first_date || !last_date) return std::nullopt;
  return Period{*first_date, *last_date};
}

void check_posting(std::string_view attribute, const std::optional<Date> &posted,
                   const Document &doc, std::size_t index, std::vector<Finding> &out) {
  if (!posted || *posted >= doc.doc_date) return;
  out.push_back({FindingKind::Dates, std::nullopt, index,
                 std::string(attribute) + " " + format_date(*posted) +
                     " is earlier than the document's date " + format_date(doc.doc_date)});
}

} // namespace

void check_document_dates(const Statement &statement, std::vector<Finding> &out) {
  const std::optional<Period> period = statement_period(statement.header);
  for (std::size_t i = 0; i < statement.documents.size(); ++i) {
    const Document &doc = statement.documents[i];
    if (period && (doc.doc_date < period->first || doc.doc_date > period->last))
      out.push_back({FindingKind::Period, std::nullopt, i,
                     "dated " + format_date(doc.doc_date) + ", outside the statement's period " +
                         format_date(period->first) + " to " + format_date(period->last)});
    check_posting("income_date", doc.income_date, doc, i, out);
    check_posting("outcome_date", doc.outcome_date, doc, i, out);
  }
}

} // namespace velmora
