#include "checks/identifier_messages.hpp"

#include "text/quote.hpp"

namespace velmora {

std::string identifier_fault(std::string_view value, NumberFault fault, std::string_view form) {
  std::string message;
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

std::string account_key_fault(std::string_view account, std::string_view bic) {
  std::string message;
  text::append_quoted(message, account);
  message.append(" has a control key that does not agree with BIC ");
  message.append(bic);
  if (is_held_at_bank_of_russia(account, bic))
    message.append(" (an account held at the Bank of Russia)");
  return message;
}

} // namespace velmora
