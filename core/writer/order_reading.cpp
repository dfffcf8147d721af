// Reading and checking one payment order: its values into a document, then
// the checks a bank makes before it accepts the order.

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "checks/identifier_messages.hpp"
#include "parser/value_parsing.hpp"
#include "text/quote.hpp"
#include "velmora/checks/check_digits.hpp"
#include "velmora/writer/write_orders.hpp"

namespace velmora {
namespace {

// Collects one order's problems; `read[i]` says whether field i was given
// and read, so that a value that is not there is reported once, as missing.
class OrderReport {
public:
  OrderReport(std::size_t index, std::vector<OrderProblem> &problems)
      : index_(index), problems_(problems) {}

  void problem(std::string_view attribute, std::string message) {
    problems_.push_back({index_, std::string(attribute), std::move(message)});
  }

  std::array<bool, kDocumentFieldCount> read{};

private:
  std::size_t index_;
  std::vector<OrderProblem> &problems_;
};

constexpr std::size_t index_of(std::string_view name) { return field_index(kDocumentFields, name); }

bool read_value(std::string_view text, std::string &out, std::string &) {
  out.assign(text);
  return true;
}

bool read_value(std::string_view text, Date &out, std::string &error) {
  if (auto date = parse_iso_date(text)) {
    out = *date;
    return true;
  }
  error = "not a date in ISO form YYYY-MM-DD: ";
  text::append_quoted(error, text);
  return false;
}

bool read_value(std::string_view text, Decimal &out, std::string &error) {
  auto amount = parse_amount(text);
  if (!amount) {
    error = std::move(amount.error());
    return false;
  }
  out = *amount;
  return true;
}

template <class T>
bool read_value(std::string_view text, std::optional<T> &out, std::string &error) {
  return read_value(text, out.emplace(), error) || (out.reset(), false);
}

void read_fields(const OrderValues &values, Document &document, OrderReport &report) {
  std::size_t i = 0;
  for_each_field(document, [&](const FieldInfo &info, auto &member) {
    const std::optional<std::string> &value = values[i];
    if (!value) {
      if (info.required) report.problem(info.name, "is required");
    } else if (info.required && value->empty()) {
      report.problem(info.name, "is required and may not be empty");
    } else if (std::string error; !read_value(*value, member, error)) {
      report.problem(info.name, std::move(error));
    } else {
      report.read[i] = true;
    }
    ++i;
  });
}

using NumberCheck = std::expected<void, NumberFault> (*)(std::string_view);

// An INN or KPP: empty and "0" stand for none.
void check_tax_number(OrderReport &report, std::string_view attribute, std::string_view value,
                      NumberCheck check, std::string_view form) {
  if (is_identifier_placeholder(value)) return;
  if (auto result = check(value); !result)
    report.problem(attribute, identifier_fault(value, result.error(), form));
}

// One side of the payment: its BIC, then its account with the control key
// that the BIC gives (when the BIC is well formed).
void check_side(OrderReport &report, std::string_view bic_name, const std::string &bic,
                std::string_view account_name, const std::string &account) {
  const bool bic_read = report.read[index_of(bic_name)];
  const auto bic_ok = check_bic(bic);
  if (bic_read && !bic_ok)
    report.problem(bic_name, identifier_fault(bic, bic_ok.error(), kBicForm));
  if (!report.read[index_of(account_name)]) return;
  if (auto number = check_account_number(account); !number) {
    report.problem(account_name, identifier_fault(account, number.error(), kAccountForm));
  } else if (bic_read && bic_ok && !check_account(account, bic)) {
    report.problem(account_name, account_key_fault(account, bic));
  }
}

std::size_t code_points(std::string_view text) {
  std::size_t count = 0;
  for (const unsigned char byte : text) count += (byte & 0xC0) != 0x80;
  return count;
}

void check_order(const Document &doc, std::string_view account, OrderReport &report) {
  const auto &read = report.read;
  if (read[index_of("counterparty_account")] && doc.counterparty_account != account) {
    std::string message = "is ";
    text::append_quoted(message, doc.counterparty_account);
    message += ", not the file's account ";
    text::append_quoted(message, account);
    report.problem("counterparty_account", std::move(message));
  }
  if (read[index_of("amount")]) {
    if (doc.amount.negative() || doc.amount.mantissa() == 0)
      report.problem("amount", format_decimal(doc.amount) + " is not above zero");
    if (doc.amount.scale() > 2)
      report.problem("amount", format_decimal(doc.amount) + " has more than two fractional digits");
  }
  if (read[index_of("counterparty_inn")])
    check_tax_number(report, "counterparty_inn", doc.counterparty_inn, check_inn, kInnForm);
  if (read[index_of("payee_inn")])
    check_tax_number(report, "payee_inn", doc.payee_inn, check_inn, kInnForm);
  if (doc.counterparty_kpp)
    check_tax_number(report, "counterparty_kpp", *doc.counterparty_kpp, check_kpp, kKppForm);
  if (doc.payee_kpp) check_tax_number(report, "payee_kpp", *doc.payee_kpp, check_kpp, kKppForm);
  check_side(report, "counterparty_bic", doc.counterparty_bic, "counterparty_account",
             doc.counterparty_account);
  check_side(report, "payee_bic", doc.payee_bic, "payee_account", doc.payee_account);
  if (const std::size_t length = code_points(doc.purpose); length > kMaxPurposeLength)
    report.problem("purpose", "is " + std::to_string(length) + " characters long, more than " +
                                  std::to_string(kMaxPurposeLength));
}

} // namespace

std::expected<std::string, std::string> canonical_order_value(FieldKind kind,
                                                              std::string_view text) {
  std::string error;
  switch (kind) {
  case FieldKind::Date:
    if (Date date; read_value(text, date, error)) return format_date(date);
    break;
  case FieldKind::Amount:
    if (Decimal amount; read_value(text, amount, error)) return format_decimal(amount);
    break;
  case FieldKind::Text: return std::string(text);
  }
  return std::unexpected(std::move(error));
}

OrderValues order_values(const Document &document) {
  OrderValues values;
  std::size_t i = 0;
  for_each_field(document, [&](const FieldInfo &, const auto &member) {
    auto text = [](const auto &value) -> std::string {
      using V = std::remove_cvref_t<decltype(value)>;
      if constexpr (std::is_same_v<V, Date>)
        return format_date(value);
      else if constexpr (std::is_same_v<V, Decimal>)
        return format_decimal(value);
      else
        return value;
    };
    if constexpr (requires { member.has_value(); }) {
      if (member) values[i] = text(*member);
    } else {
      values[i] = text(member);
    }
    ++i;
  });
  return values;
}

Document read_order(const OrderValues &values, std::size_t index, std::string_view account,
                    std::vector<OrderProblem> &problems) {
  Document document;
  OrderReport report(index, problems);
  read_fields(values, document, report);
  check_order(document, account, report);
  return document;
}

} // namespace velmora
