#include "velmora/model/statement.hpp"

#include <cstring>

#include "parser/model/keyed_hash.hpp"

namespace velmora {

namespace {

// Appends fixed-width little-endian fields to a key buffer.
class KeyWriter {
public:
  explicit KeyWriter(unsigned char *out) : out_(out) {}

  void bytes(std::uint64_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) *out_++ = static_cast<unsigned char>(value >> (8 * i));
  }
  void date(const Date &d) {
    bytes(static_cast<std::uint32_t>(d.year), 4);
    bytes(d.month, 1);
    bytes(d.day, 1);
  }
  void optional_date(const std::optional<Date> &d) {
    bytes(d.has_value(), 1);
    date(d.value_or(Date{0, 0, 0}));
  }
  // Amounts in normalised form, so that 100.00 and 100 write the same bytes.
  void amount(const std::optional<Decimal> &value) {
    const Decimal n = value ? normalise(*value) : Decimal{};
    bytes(value.has_value(), 1);
    bytes(n.negative(), 1);
    bytes(n.scale(), 1);
    bytes(static_cast<std::uint64_t>(n.mantissa()), 8);
    bytes(static_cast<std::uint64_t>(n.mantissa() >> 64), 4);
  }
  unsigned char *end() const { return out_; }

private:
  unsigned char *out_;
};

} // namespace

std::size_t AccountMap::Hash::operator()(std::string_view s) const { return keyed_hash(s); }

std::size_t AccountMap::KeyHash::operator()(const IntervalKey &key) const {
  return keyed_hash(key.data(), key.size());
}

AccountMap::IntervalKey AccountMap::key_of(std::size_t account, const Interval &interval) {
  IntervalKey key{};
  KeyWriter w(key.data());
  w.bytes(account, 8);
  w.date(interval.date_start);
  w.optional_date(interval.date_end);
  w.amount(interval.start_amount);
  w.amount(interval.end_amount);
  w.amount(interval.total_income);
  w.amount(interval.total_expense);
  return key;
}

Account *AccountMap::find(std::string_view number) {
  auto it = index_.find(number);
  return it == index_.end() ? nullptr : &accounts_[it->second];
}

const Account *AccountMap::find(std::string_view number) const {
  auto it = index_.find(number);
  return it == index_.end() ? nullptr : &accounts_[it->second];
}

Account &AccountMap::append(Account account) {
  const std::size_t position = accounts_.size();
  index_.emplace(account.number, position);
  for (const Interval &interval : account.intervals) intervals_.insert(key_of(position, interval));
  accounts_.push_back(std::move(account));
  return accounts_.back();
}

bool AccountMap::note_interval(const Account &account, const Interval &interval) {
  const auto position = static_cast<std::size_t>(&account - accounts_.data());
  return intervals_.insert(key_of(position, interval)).second;
}

} // namespace velmora
