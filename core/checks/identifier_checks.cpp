#include <expected>
#include <string_view>

#include "checks/check_parts.hpp"
#include "text/quote.hpp"
#include "velmora/checks/check_digits.hpp"

namespace velmora {

namespace {

// What each identifier must look like, for the messages.
constexpr std::string_view kInnForm = "an INN is 10 or 12 digits";
constexpr std::string_view kKppForm =
    "a KPP is 4 digits, 2 digits or capital Latin letters, then 3 digits";
constexpr std::string_view kBicForm = "a BIC is 9 digits";
constexpr std::string_view kAccountForm = "an account number is 20 digits";

// Empty and "0" stand for "none" in INN and KPP fields.
bool is_placeholder(std::string_view value) { return value.empty() || value == "0"; }

std::string fault_message(std::string_view what, std::string_view value, NumberFault fault,
                          std::string_view form) {
  std::string message(what);
  message.push_back(' ');
  text::append_quoted(message, value);
  message.push_back(' ');
  message.append(describe(fault));
  if (fault != NumberFault::CheckDigit) {
    message.append(" (");
    message.append(form);
    message.push_back(')');
  }
  return message;
}

using Check = std::expected<void, NumberFault> (*)(std::string_view);

void check_field(FindingKind kind, Check check, std::string_view form, std::string_view attribute,
                 std::string_view value, std::size_t index, std::vector<Finding> &out) {
  if (auto result = check(value); !result)
    out.push_back({kind, std::nullopt, index, fault_message(attribute, value, result.error(), form)});
}

void check_optional(FindingKind kind, Check check, std::string_view form,
                    std::string_view attribute, const std::optional<std::string> &value,
                    std::size_t index, std::vector<Finding> &out) {
  if (value && !is_placeholder(*value)) check_field(kind, check, form, attribute, *value, index, out);
}

void check_side_account(std::string_view attribute, const std::string &account,
                        const std::string &bic, std::size_t index, std::vector<Finding> &out) {
  std::optional<std::string> concerned;
  if (!account.empty()) concerned = account;
  if (auto number = check_account_number(account); !number) {
    out.push_back({FindingKind::Account, concerned, index,
                   fault_message(attribute, account, number.error(), kAccountForm)});
    return;
  }
  // A BIC of the wrong form is a finding of its own; the key then cannot be checked.
  if (!check_bic(bic)) return;
  if (check_account(account, bic)) return;
  std::string message(attribute);
  message.push_back(' ');
  text::append_quoted(message, account);
  message.append(" has a control key that does not agree with BIC ");
  message.append(bic);
  if (is_held_at_bank_of_russia(account, bic))
    message.append(" (an account held at the Bank of Russia)");
  out.push_back({FindingKind::Account, concerned, index, std::move(message)});
}

void check_document(const Document &doc, std::size_t index, std::vector<Finding> &out) {
  for (const auto &[attribute, value] : {std::pair<std::string_view, const std::string *>{
                                             "counterparty_inn", &doc.counterparty_inn},
                                         {"payee_inn", &doc.payee_inn}})
    if (!is_placeholder(*value))
      check_field(FindingKind::Inn, check_inn, kInnForm, attribute, *value, index, out);
  check_optional(FindingKind::Kpp, check_kpp, kKppForm, "counterparty_kpp", doc.counterparty_kpp,
                 index, out);
  check_optional(FindingKind::Kpp, check_kpp, kKppForm, "payee_kpp", doc.payee_kpp, index, out);
  check_field(FindingKind::Bic, check_bic, kBicForm, "counterparty_bic", doc.counterparty_bic,
              index, out);
  check_field(FindingKind::Bic, check_bic, kBicForm, "payee_bic", doc.payee_bic, index, out);
  check_side_account("counterparty_account", doc.counterparty_account, doc.counterparty_bic, index,
                     out);
  check_side_account("payee_account", doc.payee_account, doc.payee_bic, index, out);
}

} // namespace

void check_identifiers(const Statement &statement, std::vector<Finding> &out) {
  for (const Account &account : statement.accounts)
    if (auto number = check_account_number(account.number); !number)
      out.push_back({FindingKind::Account, account.number, std::nullopt,
                     fault_message("the statement's account", account.number, number.error(),
                                   kAccountForm)});
  for (std::size_t i = 0; i < statement.documents.size(); ++i)
    check_document(statement.documents[i], i, out);
}

} // namespace velmora
