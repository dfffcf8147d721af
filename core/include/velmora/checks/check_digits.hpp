#pragma once

#include <expected>
#include <string_view>

namespace velmora {

// Why a tax or bank identifier is not valid.
enum class NumberFault {
  Length,     // the wrong number of characters
  Character,  // a character the identifier may not hold at its place
  CheckDigit, // well formed, but the check digits or the control key disagree
};

// A short phrase for messages: "has the wrong length", ...
std::string_view describe(NumberFault fault);

// INN (taxpayer number): 10 digits (an organisation) or 12 digits (a
// person), with the check digits of the Federal Tax Service.
std::expected<void, NumberFault> check_inn(std::string_view inn);

// KPP (tax registration reason code): 9 characters, 4 digits, then 2 digits
// or capital Latin letters, then 3 digits.
std::expected<void, NumberFault> check_kpp(std::string_view kpp);

// BIC (bank identification code of the Bank of Russia): 9 digits.
std::expected<void, NumberFault> check_bic(std::string_view bic);

// An account number on its own: 20 digits.
std::expected<void, NumberFault> check_account_number(std::string_view account);

// An account number together with the BIC of the bank that holds it: the
// account is 20 digits and its control key (the 9th digit) agrees with the
// BIC by the Bank of Russia's algorithm: weights 7, 1, 3 over the BIC's last
// three digits followed by the account's twenty, the sum ending in 0 (for an
// account held at the Bank of Russia, see is_held_at_bank_of_russia). The BIC
// must pass check_bic; a BIC that does not is the caller's to report, and
// gives Character here.
std::expected<void, NumberFault> check_account(std::string_view account, std::string_view bic);

// True for a BIC of a division of the Bank of Russia itself (a settlement
// centre): its last three digits are 000, 001 or 002.
bool is_settlement_centre_bic(std::string_view bic);

// True when the account is held at the Bank of Russia rather than at the
// bank that the BIC names: any account at a settlement centre's BIC, and a
// single treasury account (balance account 40102), which the Bank of Russia
// keeps for the Federal Treasury whose BIC the payment shows. The control
// key of such an account is taken with "0" and the BIC's 5th and 6th digits
// in place of the BIC's last three digits.
bool is_held_at_bank_of_russia(std::string_view account, std::string_view bic);

} // namespace velmora
