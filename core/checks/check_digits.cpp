#include "velmora/checks/check_digits.hpp"

#include <array>
#include <cstddef>

namespace velmora {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_capital_latin(char c) { return c >= 'A' && c <= 'Z'; }
unsigned digit(char c) { return static_cast<unsigned>(c - '0'); }

std::expected<void, NumberFault> all_digits(std::string_view text, std::size_t length) {
  if (text.size() != length) return std::unexpected(NumberFault::Length);
  for (const char c : text)
    if (!is_digit(c)) return std::unexpected(NumberFault::Character);
  return {};
}

// The tax service's check digit: the weighted sum of the digits before it,
// modulo 11, then modulo 10 (a remainder of 10 gives 0).
template <std::size_t N>
unsigned inn_check_digit(std::string_view digits, const std::array<unsigned, N> &weights) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < N; ++i) sum += weights[i] * digit(digits[i]);
  return sum % 11 % 10;
}

constexpr std::array<unsigned, 9> kInn10Weights{2, 4, 10, 3, 5, 9, 4, 6, 8};
constexpr std::array<unsigned, 10> kInn12FirstWeights{7, 2, 4, 10, 3, 5, 9, 4, 6, 8};
constexpr std::array<unsigned, 11> kInn12SecondWeights{3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8};

} // namespace

std::string_view describe(NumberFault fault) {
  switch (fault) {
  case NumberFault::Length: return "has the wrong length";
  case NumberFault::Character: return "holds a character it may not hold";
  case NumberFault::CheckDigit: return "has a wrong check digit";
  }
  return "is not valid";
}

std::expected<void, NumberFault> check_inn(std::string_view inn) {
  if (inn.size() != 10 && inn.size() != 12) return std::unexpected(NumberFault::Length);
  if (auto digits = all_digits(inn, inn.size()); !digits) return digits;
  const bool valid = inn.size() == 10
                         ? inn_check_digit(inn, kInn10Weights) == digit(inn[9])
                         : inn_check_digit(inn, kInn12FirstWeights) == digit(inn[10]) &&
                               inn_check_digit(inn, kInn12SecondWeights) == digit(inn[11]);
  if (!valid) return std::unexpected(NumberFault::CheckDigit);
  return {};
}

std::expected<void, NumberFault> check_kpp(std::string_view kpp) {
  if (kpp.size() != 9) return std::unexpected(NumberFault::Length);
  for (std::size_t i = 0; i < kpp.size(); ++i) {
    const bool letter_allowed = i == 4 || i == 5;
    if (!is_digit(kpp[i]) && !(letter_allowed && is_capital_latin(kpp[i])))
      return std::unexpected(NumberFault::Character);
  }
  return {};
}

std::expected<void, NumberFault> check_bic(std::string_view bic) { return all_digits(bic, 9); }

std::expected<void, NumberFault> check_account_number(std::string_view account) {
  return all_digits(account, 20);
}

bool is_settlement_centre_bic(std::string_view bic) {
  if (bic.size() != 9) return false;
  const std::string_view own = bic.substr(6);
  return own == "000" || own == "001" || own == "002";
}

bool is_held_at_bank_of_russia(std::string_view account, std::string_view bic) {
  return is_settlement_centre_bic(bic) || account.starts_with("40102");
}

std::expected<void, NumberFault> check_account(std::string_view account, std::string_view bic) {
  if (auto number = check_account_number(account); !number) return number;
  if (!check_bic(bic)) return std::unexpected(NumberFault::Character);
  // The control key is chosen so that the weighted sum of the bank's three
  // digits followed by the account's twenty ends in 0.
  std::array<char, 3> bank{};
  if (is_held_at_bank_of_russia(account, bic))
    bank = {'0', bic[4], bic[5]};
  else
    bank = {bic[6], bic[7], bic[8]};
  static constexpr std::array<unsigned, 3> kWeights{7, 1, 3};
  unsigned sum = 0;
  std::size_t position = 0;
  for (const char c : bank) sum += digit(c) * kWeights[position++ % 3];
  for (const char c : account) sum += digit(c) * kWeights[position++ % 3];
  if (sum % 10 != 0) return std::unexpected(NumberFault::CheckDigit);
  return {};
}

} // namespace velmora
