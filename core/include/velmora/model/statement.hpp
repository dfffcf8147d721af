#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "velmora/model/attribute_map.hpp"
#include "velmora/model/document.hpp"
#include "velmora/model/encoding.hpp"
#include "velmora/model/interval.hpp"
#include "velmora/model/warning.hpp"

namespace velmora {

// Insertion-ordered map from account number to Account, in the order in
// which each number was first completed.
class AccountMap {
public:
  Account *find(std::string_view number);
  const Account *find(std::string_view number) const;
  // Appends a new account; the number must not be present yet.
  Account &append(Account account);
  // Records that `account` (one of this map's) holds `interval`; false when
  // it already held an equal one. Constant time, whatever the number of
  // intervals with the same start date.
  bool note_interval(const Account &account, const Interval &interval);

  std::size_t size() const { return accounts_.size(); }
  bool empty() const { return accounts_.empty(); }
  auto begin() const { return accounts_.begin(); }
  auto end() const { return accounts_.end(); }
  auto begin() { return accounts_.begin(); }
  auto end() { return accounts_.end(); }
  const Account &operator[](std::size_t i) const { return accounts_[i]; }

private:
  // Account numbers come from the input: hashed with the process key.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const;
  };
  // An interval of one account in a form whose bytes are equal exactly when
  // the intervals are equal: amounts normalised, absence marked.
  using IntervalKey = std::array<unsigned char, 8 + 6 + 7 + 4 * 15>;
  struct KeyHash {
    std::size_t operator()(const IntervalKey &key) const;
  };
  static IntervalKey key_of(std::size_t account, const Interval &interval);

  std::vector<Account> accounts_;
  std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>> index_;
  std::unordered_set<IntervalKey, KeyHash> intervals_;
};

// The result of one parse; also the statement under construction.
struct Statement {
  Encoding encoding = Encoding::Utf8;
  AttributeMap header;
  AccountMap accounts;
  std::vector<Document> documents;
  std::vector<Warning> warnings;
};

} // namespace velmora
