#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "velmora/checks/check_digits.hpp"

namespace velmora {
namespace {

// The published algorithms, written out again here from their definitions
// so that the good numbers below do not come from the code under test.
char inn_digit(const std::string &digits, const std::vector<int> &weights) {
  int sum = 0;
  for (std::size_t i = 0; i < weights.size(); ++i) sum += weights[i] * (digits[i] - '0');
  return static_cast<char>('0' + sum % 11 % 10);
}

std::string complete_inn(std::string prefix) {
  if (prefix.size() == 9) return prefix + inn_digit(prefix, {2, 4, 10, 3, 5, 9, 4, 6, 8});
  prefix += inn_digit(prefix, {7, 2, 4, 10, 3, 5, 9, 4, 6, 8});
  return prefix + inn_digit(prefix, {3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8});
}

// Fills the key (the 9th digit) of an account whose key place holds any digit.
std::string complete_account(std::string account, const std::string &bank_digits) {
  account[8] = '0';
  const std::string all = bank_digits + account;
  int sum = 0;
  for (std::size_t i = 0; i < all.size(); ++i) sum += (all[i] - '0') * std::array{7, 1, 3}[i % 3];
  // The key's weight (3, at position 11) times the key must cancel the sum.
  for (char key = '0'; key <= '9'; ++key)
    if ((sum + 3 * (key - '0')) % 10 == 0) account[8] = key;
  return account;
}

std::vector<std::string> good_inns() {
  std::vector<std::string> inns;
  for (const char *prefix : {"770708389", "500100732", "123456789", "000000000", "999999999",
                             "7707083893", "5001007322", "1234567890", "0000000000", "9999999999"})
    inns.push_back(complete_inn(prefix));
  return inns;
}

// A different digit at every position, and every swap of unequal neighbours.
std::vector<std::string> corruptions(const std::string &good) {
  std::vector<std::string> bad;
  for (std::size_t i = 0; i < good.size(); ++i) {
    std::string changed = good;
    changed[i] = static_cast<char>('0' + (good[i] - '0' + 1 + static_cast<int>(i) % 9) % 10);
    bad.push_back(changed);
  }
  for (std::size_t i = 0; i + 1 < good.size(); ++i) {
    if (good[i] == good[i + 1]) continue;
    std::string swapped = good;
    std::swap(swapped[i], swapped[i + 1]);
    bad.push_back(swapped);
  }
  return bad;
}

TEST(CheckInn, WellKnownNumbersPass) {
  for (const char *inn : {"7707083893", "7728168971", "7710140679", "7736050003", "500100732259"})
    EXPECT_TRUE(check_inn(inn)) << inn;
}

TEST(CheckInn, ComputedCheckDigitsPass) {
  for (const std::string &inn : good_inns()) EXPECT_TRUE(check_inn(inn)) << inn;
}

bool inn_oracle(const std::string &inn) {
  return complete_inn(inn.substr(0, inn.size() == 10 ? 9 : 10)) == inn;
}

TEST(CheckInn, AWrongDigitInAnyPlaceOrTwoSwappedDigits) {
  std::size_t caught = 0, total = 0;
  for (const std::string &good : good_inns())
    for (const std::string &bad : corruptions(good)) {
      // The check digit works modulo 11, then 10: a change that moves the
      // remainder between 0 and 10 cannot show, so the oracle decides.
      const auto result = check_inn(bad);
      ASSERT_EQ(result.has_value(), inn_oracle(bad)) << good << " -> " << bad;
      if (!result) {
        EXPECT_EQ(result.error(), NumberFault::CheckDigit);
      }
      caught += result ? 0 : 1;
      ++total;
    }
  EXPECT_GT(caught * 10, total * 9);
}

TEST(CheckInn, EachTwelveDigitCheckDigitIsChecked) {
  const std::string good = complete_inn("5001007322");
  ASSERT_EQ(good.size(), 12u);
  ASSERT_TRUE(check_inn(good));
  for (std::size_t place : {10u, 11u}) {
    std::string bad = good;
    bad[place] = bad[place] == '9' ? '0' : static_cast<char>(bad[place] + 1);
    EXPECT_EQ(check_inn(bad).error(), NumberFault::CheckDigit) << bad;
  }
}

struct FormCase {
  const char *value;
  NumberFault fault;
};

TEST(CheckInn, MalformedNumbers) {
  for (const FormCase &c : {FormCase{"", NumberFault::Length},
                            {"770708389", NumberFault::Length},
                            {"77070838933", NumberFault::Length},
                            {"7707083893000", NumberFault::Length},
                            {"770708389X", NumberFault::Character},
                            {"77070838 3", NumberFault::Character},
                            {"７0708389", NumberFault::Character}})
    EXPECT_EQ(check_inn(c.value).error(), c.fault) << c.value;
}

TEST(CheckKpp, Forms) {
  for (const char *good : {"770701001", "7707AB001", "77070Z001", "000000000", "9999ZZ999"})
    EXPECT_TRUE(check_kpp(good)) << good;
  for (const FormCase &c : {FormCase{"", NumberFault::Length},
                            {"77070100", NumberFault::Length},
                            {"7707010010", NumberFault::Length},
                            {"7707ab001", NumberFault::Character},
                            {"770A01001", NumberFault::Character},
                            {"7707010A1", NumberFault::Character},
                            {"7707Ж001", NumberFault::Character},
                            {"7707 1001", NumberFault::Character}})
    EXPECT_EQ(check_kpp(c.value).error(), c.fault) << c.value;
}

TEST(CheckBic, Forms) {
  EXPECT_TRUE(check_bic("044525225"));
  EXPECT_TRUE(check_bic("004525988"));
  for (const FormCase &c : {FormCase{"", NumberFault::Length},
                            {"04452522", NumberFault::Length},
                            {"0445252250", NumberFault::Length},
                            {"04452522X", NumberFault::Character}})
    EXPECT_EQ(check_bic(c.value).error(), c.fault) << c.value;
}

TEST(CheckAccount, WellKnownAccountsPass) {
  struct Known {
    const char *account;
    const char *bic;
  };
  for (const Known &k : {
           // A treasury account and single treasury accounts, kept by the
           // Bank of Russia for treasury BICs.
           Known{"03100643000000017200", "014030106"},
           {"40102810945370000005", "014030106"},
           {"40102810545370000003", "004525988"},
           // An account at a settlement centre of the Bank of Russia.
           {"40101810045250010041", "044525000"},
           {"40101810800000010041", "044583001"},
       })
    EXPECT_TRUE(check_account(k.account, k.bic)) << k.account << " " << k.bic;
}

// Which three digits stand before the account, by where it is held.
std::string bank_digits_for(const std::string &account, const std::string &bic) {
  const std::string own = bic.substr(6);
  const bool bank_of_russia =
      own == "000" || own == "001" || own == "002" || account.rfind("40102", 0) == 0;
  if (!bank_of_russia) return own;
  std::string digits(1, '0');
  digits.append(bic, 4, 2);
  return digits;
}

bool account_oracle(const std::string &account, const std::string &bic) {
  return complete_account(account, bank_digits_for(account, bic)) == account;
}

struct AccountCase {
  const char *account;
  const char *bic;
  std::string bank_digits;
};

std::vector<AccountCase> account_cases() {
  return {{"40702810X38000012345", "044525225", "225"},
          {"40817810X99910004312", "044525974", "974"},
          {"30232810X00000000001", "046577964", "964"},
          // Settlement centres take "0" and the BIC's 5th and 6th digits.
          {"40101810X00000010006", "044525000", "025"},
          {"40302810X00000000001", "045004001", "004"},
          {"40105810X00000000002", "041806002", "006"},
          {"40102810X45370000003", "004525988", "025"}};
}

TEST(CheckAccount, ComputedKeysPassAndCorruptionsFail) {
  for (const AccountCase &c : account_cases()) {
    const std::string good = complete_account(c.account, c.bank_digits);
    ASSERT_EQ(bank_digits_for(good, c.bic), c.bank_digits);
    EXPECT_TRUE(check_account(good, c.bic)) << good << " " << c.bic;
    EXPECT_TRUE(check_account_number(good));
    for (const std::string &bad : corruptions(good)) {
      const auto result = check_account(bad, c.bic);
      EXPECT_EQ(result.has_value(), account_oracle(bad, c.bic)) << good << " -> " << bad;
      if (!result) {
        EXPECT_EQ(result.error(), NumberFault::CheckDigit);
      }
      if (bank_digits_for(bad, c.bic) != c.bank_digits) continue;
      // Under one rule the weights 7, 1 and 3, prime to 10, make any single
      // changed digit show, and a swap of neighbours unless they differ by 5.
      std::size_t differing = 0, first = 0;
      for (std::size_t i = 0; i < bad.size(); ++i)
        if (bad[i] != good[i] && differing++ == 0) first = i;
      const bool swap_by_five = differing == 2 && (good[first] - good[first + 1] + 10) % 5 == 0;
      EXPECT_EQ(result.has_value(), swap_by_five) << good << " -> " << bad;
    }
  }
}

TEST(CheckAccount, SingleDigitChangesFailUnlessTheyMoveTheAccount) {
  for (const AccountCase &c : account_cases()) {
    const std::string good = complete_account(c.account, c.bank_digits);
    for (std::size_t i = 0; i < good.size(); ++i)
      for (char d = '0'; d <= '9'; ++d) {
        if (d == good[i]) continue;
        std::string bad = good;
        bad[i] = d;
        EXPECT_EQ(check_account(bad, c.bic).has_value(), account_oracle(bad, c.bic)) << bad;
        if (bank_digits_for(bad, c.bic) == c.bank_digits) {
          EXPECT_FALSE(check_account(bad, c.bic)) << bad;
        }
      }
  }
}

TEST(CheckAccount, TheRuleFollowsWhereTheAccountIsHeld) {
  // The same account digits with a commercial bank's digits: the key that
  // fits the settlement centre does not fit the bank.
  const std::string at_centre = complete_account("40101810X00000010006", "025");
  EXPECT_TRUE(check_account(at_centre, "044525000"));
  EXPECT_FALSE(check_account(at_centre, "044525974"));
  EXPECT_TRUE(is_settlement_centre_bic("044525000"));
  EXPECT_TRUE(is_settlement_centre_bic("045004001"));
  EXPECT_TRUE(is_settlement_centre_bic("041806002"));
  EXPECT_FALSE(is_settlement_centre_bic("044525003"));
  EXPECT_FALSE(is_settlement_centre_bic("044525225"));
  EXPECT_TRUE(is_held_at_bank_of_russia("40102810545370000003", "004525988"));
  EXPECT_FALSE(is_held_at_bank_of_russia("03100643000000017200", "014030106"));
}

TEST(CheckAccount, MalformedAccountsAndBics) {
  EXPECT_EQ(check_account("4070281003800001234", "044525225").error(), NumberFault::Length);
  EXPECT_EQ(check_account("407028100380000123456", "044525225").error(), NumberFault::Length);
  EXPECT_EQ(check_account("4070281003800001234X", "044525225").error(), NumberFault::Character);
  EXPECT_EQ(check_account_number("").error(), NumberFault::Length);
  const std::string good = complete_account("40702810X38000012345", "225");
  EXPECT_EQ(check_account(good, "04452522").error(), NumberFault::Character);
  EXPECT_EQ(check_account(good, "").error(), NumberFault::Character);
}

TEST(NumberFault, Descriptions) {
  EXPECT_EQ(describe(NumberFault::Length), "has the wrong length");
  EXPECT_EQ(describe(NumberFault::Character), "holds a character it may not hold");
  EXPECT_EQ(describe(NumberFault::CheckDigit), "has a wrong check digit");
}

} // namespace
} // namespace velmora
