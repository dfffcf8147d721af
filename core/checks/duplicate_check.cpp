#include <functional>
#include <string_view>
#include <unordered_map>

#include "checks/check_parts.hpp"

namespace velmora {

namespace {

// The fields that make two documents the same payment. The amount is held
// without trailing fractional zeros, so that 100.50 and 100.5 agree.
struct PaymentKey {
  std::string_view doc_type;
  std::string_view doc_number;
  Date doc_date;
  bool negative;
  u128 mantissa;
  unsigned scale;
  std::string_view counterparty_account;
  std::string_view payee_account;

  friend bool operator==(const PaymentKey &, const PaymentKey &) = default;
};

PaymentKey payment_key(const Document &doc) {
  u128 mantissa = doc.amount.mantissa();
  unsigned scale = doc.amount.scale();
  while (scale != 0 && mantissa % 10 == 0) {
    mantissa /= 10;
    --scale;
  }
  return {doc.doc_type, doc.doc_number,           doc.doc_date,     doc.amount.negative(), mantissa,
          scale,        doc.counterparty_account, doc.payee_account};
}

struct PaymentKeyHash {
  std::size_t operator()(const PaymentKey &key) const {
    const std::hash<std::string_view> text;
    std::size_t h = text(key.doc_type);
    const auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    mix(text(key.doc_number));
    mix(static_cast<std::size_t>(key.doc_date.year) * 512 + key.doc_date.month * 32u +
        key.doc_date.day);
    mix(static_cast<std::size_t>(key.mantissa) ^ static_cast<std::size_t>(key.mantissa >> 64));
    mix(key.scale * 2u + (key.negative ? 1u : 0u));
    mix(text(key.counterparty_account));
    mix(text(key.payee_account));
    return h;
  }
};

} // namespace

void check_duplicates(const Statement &statement, std::vector<Finding> &out) {
  std::unordered_map<PaymentKey, std::size_t, PaymentKeyHash> first_seen;
  first_seen.reserve(statement.documents.size());
  for (std::size_t i = 0; i < statement.documents.size(); ++i) {
    const Document &doc = statement.documents[i];
    const auto [it, inserted] = first_seen.try_emplace(payment_key(doc), i);
    if (inserted) continue;
    const Document &first = statement.documents[it->second];
    out.push_back({FindingKind::Duplicate, std::nullopt, i,
                   "repeats document " + std::to_string(it->second) + " (number " +
                       first.doc_number + " of " + format_date(first.doc_date) + ", amount " +
                       format_decimal(first.amount) +
                       "): same type, number, date, amount and accounts"});
  }
}

} // namespace velmora
