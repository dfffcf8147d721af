#pragma once

#include <string>
#include <string_view>

#include "velmora/checks/check_digits.hpp"

namespace velmora {

// The messages about INN, KPP, BIC and account numbers, shared by the
// statement checks and the payment-order writer.

// What each identifier must look like.
inline constexpr std::string_view kInnForm = "an INN is 10 or 12 digits";
inline constexpr std::string_view kKppForm =
    "a KPP is 4 digits, 2 digits or capital Latin letters, then 3 digits";
inline constexpr std::string_view kBicForm = "a BIC is 9 digits";
inline constexpr std::string_view kAccountForm = "an account number is 20 digits";

// Empty and "0" stand for "none" in INN and KPP fields.
inline bool is_identifier_placeholder(std::string_view value) {
  return value.empty() || value == "0";
}

// '"7701" has the wrong length (an INN is 10 or 12 digits)'; the form is left
// out for a wrong check digit, where it would not help.
std::string identifier_fault(std::string_view value, NumberFault fault, std::string_view form);

// '"40702810..." has a control key that does not agree with BIC 044525225',
// saying so when the account is held at the Bank of Russia.
std::string account_key_fault(std::string_view account, std::string_view bic);

} // namespace velmora
