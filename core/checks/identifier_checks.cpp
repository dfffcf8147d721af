#include <expected>
#include <string_view>

#include "checks/check_parts.hpp"
#include "checks/identifier_messages.hpp"
#include "velmora/checks/check_digits.hpp"

namespace velmora {

namespace {

// "counterparty_inn \"7701\" has the wrong length (...)"
std::string fault_message(std::string_view what, std::string_view value, NumberFault fault,
                          std::string_view form) {
  return std::string(what) + ' ' + identifier_fault(value, fault, form);
}

using Check = std::expected<void, NumberFault> (*)(std::string_view);

void check_field(FindingKind kind, Check check, std::string_view form, std::string_view attribute,
                 std::string_view value, std::size_t index, std::vector<Finding> &out) {
  if (auto result = check(value); !result)
    out.push_back(
        {kind, std::nullopt, index, fault_message(attribute, value, result.error(), form)});
}

void check_optional(FindingKind kind, Check check, std::string_view form,
                    std::string_view attribute, const std::optional<std::string> &value,
                    std::size_t index, std::vector<Finding> &out) {
  if (value && !is_identifier_placeholder(*value))
    check_field(kind, check, form, attribute, *value, index, out);
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
  out.push_back({FindingKind::Account, concerned, index,
                 std::string(attribute) + ' ' + account_key_fault(account, bic)});
}

void check_document(const Document &doc, std::size_t index, std::vector<Finding> &out) {
  for (const auto &[attribute, value] :
       {std::pair<std::string_view, const std::string *>{"counterparty_inn", &doc.counterparty_inn},
        {"payee_inn", &doc.payee_inn}})
    if (!is_identifier_placeholder(*value))
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
      out.push_back(
          {FindingKind::Account, account.number, std::nullopt,
           fault_message("the statement's account", account.number, number.error(), kAccountForm)});
  for (std::size_t i = 0; i < statement.documents.size(); ++i)
    check_document(statement.documents[i], i, out);
}

} // namespace velmora
