#include "velmora/model/statement.hpp"

namespace velmora {

Account *AccountMap::find(std::string_view number) {
  auto it = index_.find(number);
  return it == index_.end() ? nullptr : &accounts_[it->second];
}

const Account *AccountMap::find(std::string_view number) const {
  auto it = index_.find(number);
  return it == index_.end() ? nullptr : &accounts_[it->second];
}

Account &AccountMap::append(Account account) {
  index_.emplace(account.number, accounts_.size());
  accounts_.push_back(std::move(account));
  return accounts_.back();
}

} // namespace velmora
